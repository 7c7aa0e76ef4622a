#include "ZtWinControlCapture.h"

#include <QEvent>
#include <exception>

#include "platform/core/Messages.h"

TZtWinControlCapture::TZtWinControlCapture(QObject* owner) : QObject(owner)
{
    if (auto* widget = qobject_cast<QWidget*>(owner))
        SetWinControl(widget);
}

TZtWinControlCapture::~TZtWinControlCapture()
{
    Release();
}

void TZtWinControlCapture::Release()
{
    QObject::disconnect(watch_);
    if (control_ && installed_)
        control_->removeEventFilter(this);
    installed_ = false;
}

void TZtWinControlCapture::SetWinControl(QWidget* Value)
{
    if (Value == control_)
        return;
    if (!designing_)
        Release();
    control_ = Value;
    if (!designing_ && Value) {
        Value->installEventFilter(this);
        installed_ = true;
        watch_ = connect(Value, &QObject::destroyed, this,
                         [this](QObject* gone) { Notification(gone); });
    }
}

void TZtWinControlCapture::Notification(QObject* AComponent)
{
    if (AComponent && AComponent == control_.data())
        SetWinControl(nullptr);
    else if (!control_) {
        // Already gone: nothing to give back.
        installed_ = false;
        QObject::disconnect(watch_);
    }
}

void TZtWinControlCapture::WndProc(TMessage& Message)
{
    bool handled = false;
    if (OnBeforeMessage && active_)
        OnBeforeMessage(this, Message, handled);
    if (installed_ && control_ && !handled)
        Message.Result = static_cast<QObject*>(control_.data())->event(Message.Event) ? 1 : 0;
    if (OnAfterMessage && active_)
        OnAfterMessage(this, Message, handled);
}

bool TZtWinControlCapture::eventFilter(QObject* watched, QEvent* event)
{
    if (!installed_ || watched != control_.data())
        return QObject::eventFilter(watched, event);
    TMessage message{event, static_cast<int>(event->type()), 0};
    try {
        WndProc(message);
    } catch (const std::exception& e) {
        platform::ShowError(e.what());
    }
    // The control has had the message already (or a handler kept it from it).
    return true;
}
