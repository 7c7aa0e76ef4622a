#pragma once
// A non-visual component that puts itself in front of a window control's event handling
// and, while Active, reports every event to its handlers before and after the control
// handles it, with the power to swallow it.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

//! One message to a control: the Qt event, its type, and the control's answer (1 when
//! it handled the event, 0 when not; a handler may set it).
struct TMessage {
    QEvent* Event = nullptr;
    int Msg = 0;
    std::intptr_t Result = 0;
};

class TZtWinControlCapture : public QObject {
    Q_OBJECT
public:
    //! Sender, the message, and whether it was handled (a before-handler that sets Handled
    //! keeps the message from the control).
    using TMessageEvent = std::function<void(QObject* Sender, TMessage& Message, bool& Handled)>;

    //! Captures the owner at once when it is a widget (inactive until Active is set).
    explicit TZtWinControlCapture(QObject* owner = nullptr);
    //! The captured control gets its own handling back.
    ~TZtWinControlCapture() override;

    TMessageEvent OnBeforeMessage;
    TMessageEvent OnAfterMessage;

    //! The captured control (null once it is destroyed).
    QWidget* WinControl() const { return control_; }
    //! Gives the previous control its own handling back and captures Value (nothing in the
    //! designer, nothing for the control held).
    void SetWinControl(QWidget* Value);
    //! The handlers are told while Active; otherwise messages pass straight through.
    bool Active() const { return active_; }
    void SetActive(bool Value) { active_ = Value; }
    //! Whether the component is being laid out in a form designer (nothing is captured).
    bool Designing() const { return designing_; }
    void SetDesigning(bool Value) { designing_ = Value; }

    //! One message: the before-handler (while Active), the control's own handling unless
    //! Handled, then the after-handler (while Active).
    virtual void WndProc(TMessage& Message);

protected:
    //! The captured control is going away: the capture lets it go.
    virtual void Notification(QObject* AComponent);
    //! Every event of the captured control runs through WndProc; what a handler throws is
    //! shown in a message box.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Release();

    QPointer<QWidget> control_;
    bool installed_ = false;
    bool active_ = false;
    bool designing_ = false;
    QMetaObject::Connection watch_;
};
