#include "tools/ToolWidgets.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>

TToolEdit::TToolEdit(QWidget* owner) : QLineEdit(owner) {}

void TToolEdit::SetText(const std::string& text)
{
    setText(QString::fromStdString(text));
    setModified(false);
}

std::string TToolEdit::Text() const
{
    return text().toStdString();
}

void TToolEdit::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    if (OnKeyDown) {
        OnKeyDown(this, key, event->modifiers());
        if (key == 0)
            return;
    }
    // The typed character: Enter, Esc and Backspace come as their control codes.
    char ch = 0;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        ch = 13;
    else if (key == Qt::Key_Escape)
        ch = 27;
    else if (key == Qt::Key_Backspace)
        ch = 8;
    else if (const QString t = event->text(); t.size() == 1 && t[0].unicode() < 0x80)
        ch = static_cast<char>(t[0].unicode());
    else if (!t.isEmpty())
        ch = '?';  // a character the boxes never take
    if (ch != 0 && OnKeyPress) {
        OnKeyPress(this, ch);
        if (ch == 0)
            return;
    }
    QLineEdit::keyPressEvent(event);
}

void TToolEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // The box is left when the focus moves on within its window; another window coming
    // to the front (a view, a message box, a menu) leaves the focus where it is.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;
    if (OnExit)
        OnExit(this);
}

void FocusNextControl(QWidget* from)
{
    QWidget* window = from->window();
    for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain()) {
        if (w->window() != window)
            continue;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(window)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void EnterMovesFocusOn(QObject* sender, int& key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    if (auto* control = qobject_cast<QWidget*>(sender))
        FocusNextControl(control);
    key = 0;
}

namespace {

class TKeyPreview : public QObject {
public:
    TKeyPreview(QObject* parent, std::function<bool(QKeyEvent*)> handler)
        : QObject(parent), handler_(std::move(handler))
    {
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && handler_(static_cast<QKeyEvent*>(event)))
            return true;
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<bool(QKeyEvent*)> handler_;
};

}  // namespace

void InstallKeyPreview(QWidget* form, std::function<bool(QKeyEvent* event)> handler)
{
    auto* preview = new TKeyPreview(form, std::move(handler));
    form->installEventFilter(preview);
    for (QWidget* child : form->findChildren<QWidget*>())
        child->installEventFilter(preview);
}
