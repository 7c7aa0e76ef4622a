#include "Messages.h"

#include <atomic>
#include <cstdio>

namespace platform {

namespace {

class StderrService : public IMessageService {
public:
    MessageResult Show(const std::string& text, const std::string& caption, MessageIcon,
                       MessageButtons buttons) override
    {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
        return FirstButton(buttons);
    }
};

StderrService defaultService;
std::atomic<IMessageService*> current{nullptr};

}  // namespace

void SetMessageService(IMessageService* service) { current.store(service); }

IMessageService& Messages()
{
    IMessageService* s = current.load();
    return s ? *s : defaultService;
}

MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                          MessageButtons buttons)
{
    return Messages().Show(text, caption, icon, buttons);
}

void ShowError(const std::string& text)
{
    ShowMessage(text, "Error", MessageIcon::Error, MessageButtons::Ok);
}

MessageResult FirstButton(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel: return MessageResult::Ok;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel: return MessageResult::Yes;
    case MessageButtons::RetryCancel: return MessageResult::Retry;
    case MessageButtons::AbortRetryIgnore: return MessageResult::Abort;
    }
    return MessageResult::Ok;
}

MessageRecorder::MessageRecorder() : previous_(current.load()) { SetMessageService(this); }

MessageRecorder::~MessageRecorder() { SetMessageService(previous_); }

void MessageRecorder::Answer(MessageResult result)
{
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(result);
}

MessageResult MessageRecorder::Show(const std::string& text, const std::string& caption,
                                    MessageIcon icon, MessageButtons buttons)
{
    std::lock_guard<std::mutex> lock(mutex_);
    MessageResult answer = FirstButton(buttons);
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    recorded_.push_back({text, caption, icon, buttons, answer});
    return answer;
}

std::vector<RecordedMessage> MessageRecorder::Recorded() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return recorded_;
}

std::size_t MessageRecorder::Count() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return recorded_.size();
}

std::vector<std::string> MessageRecorder::Texts() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> texts;
    for (const auto& m : recorded_)
        texts.push_back(m.Text);
    return texts;
}

void MessageRecorder::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    recorded_.clear();
    answers_.clear();
}

}  // namespace platform
