#pragma once
// A spin button: an up and a down arrow button, each with its own click event.

#include <QWidget>

class QToolButton;

namespace quindle {

class TSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit TSpinButton(QWidget* parent = nullptr);

    QToolButton* UpButton;
    QToolButton* DownButton;

signals:
    void UpClick();
    void DownClick();
};

}  // namespace quindle
