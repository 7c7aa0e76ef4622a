#pragma once
// The one message-box service. Every message box and question of the program goes
// through it: the GUI installs a service that shows real boxes, tests install a
// MessageRecorder that answers from a script and records what was asked.
// Texts are the program's own UTF-8 strings.

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
//! Answers, numbered as the dialog results of the original platform.
enum class MessageResult { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

class IMessageService {
public:
    virtual ~IMessageService() = default;
    //! Shows the box and returns the button chosen.
    virtual MessageResult Show(const std::string& text, const std::string& caption,
                               MessageIcon icon, MessageButtons buttons) = 0;
};

//! Installs the service that answers from now on; nullptr restores the default,
//! which writes the message to standard error and answers with the first button.
void SetMessageService(IMessageService* service);
//! The service in force.
IMessageService& Messages();

//! Shows a message box through the service in force.
MessageResult ShowMessage(const std::string& text, const std::string& caption,
                          MessageIcon icon = MessageIcon::None,
                          MessageButtons buttons = MessageButtons::Ok);
//! A box with the caption "Error", the error icon and an OK button.
void ShowError(const std::string& text);

//! The first button of a button set: the answer when nobody chooses.
MessageResult FirstButton(MessageButtons buttons);

struct RecordedMessage {
    std::string Text;
    std::string Caption;
    MessageIcon Icon;
    MessageButtons Buttons;
    MessageResult Answer;
};

//! A scriptable service for tests: installs itself while it lives, answers from its
//! queue of scripted answers (the first button when the queue is empty) and records
//! every box.
class MessageRecorder : public IMessageService {
public:
    MessageRecorder();
    ~MessageRecorder() override;
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    //! Queues the answer for the next box.
    void Answer(MessageResult result);
    MessageResult Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override;

    std::vector<RecordedMessage> Recorded() const;
    std::size_t Count() const;
    //! The texts of every box so far, in order.
    std::vector<std::string> Texts() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::deque<MessageResult> answers_;
    std::vector<RecordedMessage> recorded_;
    IMessageService* previous_;
};

}  // namespace platform
