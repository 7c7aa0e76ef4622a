#include "Dialogs.h"

#include <atomic>

namespace platform {

namespace {
class CancelAll : public IFileDialogService {
public:
    bool Run(FileDialogRequest&) override { return false; }
};
CancelAll cancelAll;
std::atomic<IFileDialogService*> current{nullptr};

class CancelColors : public IColorDialogService {
public:
    bool Run(ColorDialogRequest&) override { return false; }
    bool RunFont(FontDialogRequest&) override { return false; }
};
CancelColors cancelColors;
std::atomic<IColorDialogService*> currentColors{nullptr};
}  // namespace

void SetFileDialogService(IFileDialogService* service) { current.store(service); }

IFileDialogService& FileDialogs()
{
    IFileDialogService* s = current.load();
    return s ? *s : cancelAll;
}

std::vector<std::pair<std::string, std::string>> SplitFilter(const std::string& filter)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        pairs.emplace_back(parts[i], parts[i + 1]);
    return pairs;
}

FileDialogRecorder::FileDialogRecorder() : previous_(current.load()) { SetFileDialogService(this); }

FileDialogRecorder::~FileDialogRecorder() { SetFileDialogService(previous_); }

void FileDialogRecorder::Choose(const std::string& path, int filterIndex)
{
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back({false, path, filterIndex});
}

void FileDialogRecorder::AcceptIn(const std::string& folder)
{
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back({false, folder, 0, true});
}

void FileDialogRecorder::Cancel()
{
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back({true, {}, 0});
}

bool FileDialogRecorder::Run(FileDialogRequest& request)
{
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    if (answers_.empty())
        return false;
    const Answer a = answers_.front();
    answers_.pop_front();
    if (a.Cancel)
        return false;
    if (a.Accept) {
        request.FileName = a.Path + request.FileName;
        return true;
    }
    request.FileName = a.Path;
    request.FilterIndex = a.FilterIndex;
    return true;
}

std::vector<FileDialogRequest> FileDialogRecorder::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void SetColorDialogService(IColorDialogService* service) { currentColors.store(service); }

IColorDialogService& ColorDialogs()
{
    IColorDialogService* s = currentColors.load();
    return s ? *s : cancelColors;
}

ColorDialogRecorder::ColorDialogRecorder() : previous_(currentColors.load())
{
    SetColorDialogService(this);
}

ColorDialogRecorder::~ColorDialogRecorder() { SetColorDialogService(previous_); }

void ColorDialogRecorder::Choose(std::uint32_t color)
{
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back({Kind::Color, color, {}});
}

void ColorDialogRecorder::ChooseFont(const FontDialogRequest& font)
{
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back({Kind::Font, 0, font});
}

void ColorDialogRecorder::Cancel()
{
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back({Kind::Cancel, 0, {}});
}

bool ColorDialogRecorder::Take(Kind kind, Answer& answer)
{
    if (answers_.empty())
        return false;
    answer = answers_.front();
    answers_.pop_front();
    return answer.What == kind;
}

bool ColorDialogRecorder::Run(ColorDialogRequest& request)
{
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    Answer a;
    if (!Take(Kind::Color, a))
        return false;
    request.Color = a.Color;
    return true;
}

bool ColorDialogRecorder::RunFont(FontDialogRequest& request)
{
    std::lock_guard<std::mutex> lock(mutex_);
    fontRequests_.push_back(request);
    Answer a;
    if (!Take(Kind::Font, a))
        return false;
    request = a.Font;
    return true;
}

std::vector<ColorDialogRequest> ColorDialogRecorder::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<FontDialogRequest> ColorDialogRecorder::FontRequests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return fontRequests_;
}

}  // namespace platform
