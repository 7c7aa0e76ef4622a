#pragma once
// A form shown as a child window of the main window's MDI area. The subwindow holds the
// form as its child widget; the form keeps a TMdiChild, which opens, focuses, captions and
// closes it, and which the form releases when it goes first (the subwindow then goes too).
// Without an area the form is a plain window of its own, deleted when it closes.

#include <Qt>
#include <functional>
#include <string>

namespace platform {
class TBitmap;
}
class QMdiArea;
class QMdiSubWindow;
class QWidget;

class TMdiChild {
public:
    //! The border a child has unless it asks for another: a title with the system menu,
    //! minimise and close buttons.
    static constexpr Qt::WindowFlags MinimisableFrame =
        Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
        Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

    //! Puts `form` into a new subwindow of the area with the window flags `flags` (none: the
    //! area's default border), deleted when closed; `activated` runs each time it becomes
    //! the area's active child. Without an area the form is deleted when it closes.
    TMdiChild(QWidget* form, QMdiArea* area, std::function<void()> activated,
              Qt::WindowFlags flags = MinimisableFrame);
    //! Releases the subwindow if the form still has one.
    ~TMdiChild();
    TMdiChild(const TMdiChild&) = delete;
    TMdiChild& operator=(const TMdiChild&) = delete;

    //! The subwindow; null without an area or once it has gone.
    QMdiSubWindow* Frame() const { return frame_; }
    //! Shows the subwindow (or the form) and makes it the active child. The first time, a
    //! subwindow that was given no position goes to the next place of the workspace's
    //! cascade where it lies wholly inside the visible workspace (its top-left corner when
    //! it is larger).
    void Show();
    //! The subwindow opens at (x, y) of the workspace instead of its default position.
    void MoveTo(int x, int y);
    //! The subwindow takes the size that holds the form at the form's present size.
    void FitFrame();
    //! Brings it to the front (restored when minimised) as the active child.
    void Focus();
    //! Closes the subwindow, which closes the form (or the form alone).
    void Close();
    //! The title of the form and of its subwindow (UTF-8).
    void SetCaption(const std::string& caption);
    //! Renews the step number after the last "#" of the title (a title without one gets the
    //! number at its end; an empty title stays empty).
    void RenumberCaption(int stepNumber);
    //! The keys of a child window: Esc closes it; Ctrl+C puts `picture` (when there is one)
    //! on the clipboard. True when the key was one of them.
    bool Key(int key, Qt::KeyboardModifiers modifiers, const platform::TBitmap* picture);
    //! The form was closed on its own: its subwindow closes (and goes) too.
    void FormClosed();
    //! The form goes first: it leaves its subwindow, which is deleted. The area when a
    //! subwindow was deleted (another child becomes active in it), else null.
    QMdiArea* Release();

private:
    QWidget* form_;
    QMdiArea* area_;
    QMdiSubWindow* frame_ = nullptr;
    bool placed_ = false;  //!< the subwindow has its position: given, or the default one
};
