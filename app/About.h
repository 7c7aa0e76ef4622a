#pragma once
// The about box.

#include <QDialog>

class QLabel;
class QPushButton;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* owner = nullptr);
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* VersionLabel;
    QLabel* Comments;
    QPushButton* OKButton;
};
