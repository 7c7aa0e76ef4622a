#pragma once
// The Qt implementations of the platform's services: message boxes, file dialogs, the
// registry stand-in and window messages.

#include <QEvent>
#include <string>

#include "platform/core/Dialogs.h"
#include "platform/core/Messages.h"

class QObject;
class QWidget;

namespace platform {

//! Message boxes as real QMessageBoxes, parented to the active window.
class QtMessageService : public IMessageService {
public:
    MessageResult Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override;
};

//! File dialogs as real QFileDialogs.
class QtFileDialogService : public IFileDialogService {
public:
    bool Run(FileDialogRequest& request) override;
};

//! Colour dialogs as QColorDialogs; font dialogs as a QFontDialog with a colour choice.
class QtColorDialogService : public IColorDialogService {
public:
    bool Run(ColorDialogRequest& request) override;
    bool RunFont(FontDialogRequest& request) override;
};

//! Installs the Qt message and dialog services for the rest of the run.
void InstallQtServices();

//! Reads a text value of a key under the current user from the registry stand-in (the
//! user's settings store: "<config>/<key path>.conf"); "" when the key or value is
//! missing. The key is never created.
std::string ReadRegistryString(const std::string& key, const std::string& value);
//! Writes a text value there (for tests and for the programs that send open requests).
bool WriteRegistryString(const std::string& key, const std::string& value, const std::string& text);

//! A window message as a Qt event: the message number, and whether it was posted
//! (queued through the loop) or sent (delivered at once).
class WindowMessageEvent : public QEvent {
public:
    static QEvent::Type EventType();
    WindowMessageEvent(int message, bool posted)
        : QEvent(EventType()), Message(message), Posted(posted) {}
    const int Message;
    const bool Posted;
};

void PostWindowMessage(QObject* window, int message);
bool SendWindowMessage(QObject* window, int message);

}  // namespace platform
