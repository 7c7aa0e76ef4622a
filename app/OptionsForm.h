#pragma once
// The options dialog. Its only effect is the settings file that "&Save" creates.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsForm(QWidget* owner = nullptr);

    QCheckBox* cbAutoNormalize;
    QCheckBox* cbReuseWindow;
    QCheckBox* cbUndo;
    QCheckBox* cbAutoSave;
    QLabel* Label1;
    QLineEdit* edDataDir;
    QLabel* Label2;
    QLineEdit* edTempDir;
    QPushButton* btSave;
    QPushButton* btOk;
    QPushButton* btCancel;

public slots:
    void btSaveClick();
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool closing_ = false;
};
