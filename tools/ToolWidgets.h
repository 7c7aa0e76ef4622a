#pragma once
// Small pieces that the tool windows share: an edit box with the class library's key and
// exit events, moving the focus on in tab order, and the form's key preview (the form sees
// every key of its controls first).

#include <QLineEdit>
#include <functional>
#include <string>

#include "platform/gui/Input.h"

class QKeyEvent;

//! A one-line edit box with the class library's events.
class TToolEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TToolEdit(QWidget* owner = nullptr);

    //! A key went down (Qt key code and modifiers); setting `key` to 0 swallows it.
    std::function<void(QObject* Sender, int& key, Qt::KeyboardModifiers shift)> OnKeyDown;
    //! A character was typed; setting it to 0 swallows it. Enter comes as 13, Esc as 27,
    //! Backspace as 8.
    platform::TKeyPressEvent OnKeyPress;
    //! The focus moved from the box to another control of its window.
    platform::TNotifyEvent OnExit;

    //! Shows the text; the box then counts as unchanged (Modified false).
    void SetText(const std::string& text);
    std::string Text() const;
    //! Whether the user changed the text since it was last set.
    bool Modified() const { return isModified(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

//! Gives the focus to the control after `from` in its window's tab order.
void FocusNextControl(QWidget* from);

//! Enter in a control moves the focus to the next one in tab order; the key is swallowed.
void EnterMovesFocusOn(QObject* sender, int& key);

//! Lets `form` see every key pressed in it or any of its controls first: `handler` gets
//! each key press and swallows it by returning true.
void InstallKeyPreview(QWidget* form, std::function<bool(QKeyEvent* event)> handler);
