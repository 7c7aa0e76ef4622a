#pragma once
// The common file, colour and font dialogs as services, beside the message boxes: the GUI
// installs services that show real dialogs, tests install a FileDialogRecorder or a
// ColorDialogRecorder that answers from a script and records what was asked.

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace platform {

//! What an open or save dialog is given and gives back. The filter is the class
//! library's text: "description|pattern|description|pattern…"; FilterIndex is 1-based.
struct FileDialogRequest {
    bool Save = false;
    std::string Title;
    std::string Filter;
    int FilterIndex = 1;
    std::string FileName;          //!< initial name; the chosen path on return (UTF-8)
    std::string DefaultExtension;  //!< without the dot; "" for none
    //! The default extension of each filter entry, in entry order (".bmp"; "" or a pattern
    //! for none): a typed name without extension gets the chosen entry's before the dialog
    //! asks whether to replace an existing file, so that it asks about the file written.
    std::vector<std::string> FilterExtensions;
    bool OverwritePrompt = false;
    bool FileMustExist = false;
};

class IFileDialogService {
public:
    virtual ~IFileDialogService() = default;
    //! Runs the dialog; false when it was cancelled. On true FileName and FilterIndex
    //! hold the user's choice.
    virtual bool Run(FileDialogRequest& request) = 0;
};

//! Installs the service that answers from now on; nullptr restores the default, which
//! cancels every dialog.
void SetFileDialogService(IFileDialogService* service);
IFileDialogService& FileDialogs();

//! Splits a filter text into its (description, pattern) pairs.
std::vector<std::pair<std::string, std::string>> SplitFilter(const std::string& filter);

//! A scriptable service for tests; installs itself while it lives. Each scripted answer
//! is a chosen path and filter index, or a cancel; with the script used up it cancels.
class FileDialogRecorder : public IFileDialogService {
public:
    FileDialogRecorder();
    ~FileDialogRecorder() override;
    FileDialogRecorder(const FileDialogRecorder&) = delete;
    FileDialogRecorder& operator=(const FileDialogRecorder&) = delete;

    void Choose(const std::string& path, int filterIndex);
    //! Accepts what the dialog offers: the offered name in `folder` (which ends in '/') and
    //! the offered filter index, as a user who presses Enter in a dialog showing that folder.
    void AcceptIn(const std::string& folder);
    void Cancel();
    bool Run(FileDialogRequest& request) override;
    //! Every request as it was asked (before the answer was filled in).
    std::vector<FileDialogRequest> Requests() const;

private:
    struct Answer {
        bool Cancel;
        std::string Path;
        int FilterIndex;
        bool Accept = false; //!< Path is the folder of the offered name
    };
    mutable std::mutex mutex_;
    std::deque<Answer> answers_;
    std::vector<FileDialogRequest> requests_;
    IFileDialogService* previous_;
};

//! What a colour dialog is given and gives back: the colour as 0x00BBGGRR (red in the
//! low byte), the initial colour on the way in and the chosen one on return; FullOpen
//! shows the custom-colour part at once.
struct ColorDialogRequest {
    std::uint32_t Color = 0;
    bool FullOpen = false;
};

//! What a font dialog is given and gives back: face (UTF-8), size in points, colour (as a
//! colour dialog's) and style.
struct FontDialogRequest {
    std::string Name;
    int Size = 8;
    std::uint32_t Color = 0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
};

//! The colour dialog and the font dialog (which chooses a colour too) as one service.
class IColorDialogService {
public:
    virtual ~IColorDialogService() = default;
    //! Runs the colour dialog; false when it was cancelled. On true Color holds the choice.
    virtual bool Run(ColorDialogRequest& request) = 0;
    //! Runs the font dialog; false when it was cancelled. On true the request holds the choice.
    virtual bool RunFont(FontDialogRequest& request) = 0;
};

//! Installs the colour and font dialog service; nullptr restores the default, which
//! cancels every dialog.
void SetColorDialogService(IColorDialogService* service);
IColorDialogService& ColorDialogs();

//! A scriptable colour and font dialog for tests; installs itself while it lives. Each
//! scripted answer is a colour, a font or a cancel, taken by the next dialog of either
//! kind; with the script used up, or an answer of the other kind next, the dialog cancels.
class ColorDialogRecorder : public IColorDialogService {
public:
    ColorDialogRecorder();
    ~ColorDialogRecorder() override;
    ColorDialogRecorder(const ColorDialogRecorder&) = delete;
    ColorDialogRecorder& operator=(const ColorDialogRecorder&) = delete;

    void Choose(std::uint32_t color);
    void ChooseFont(const FontDialogRequest& font);
    void Cancel();
    bool Run(ColorDialogRequest& request) override;
    bool RunFont(FontDialogRequest& request) override;
    //! Every colour request as it was asked (the initial colours), in order.
    std::vector<ColorDialogRequest> Requests() const;
    //! Every font request as it was asked, in order.
    std::vector<FontDialogRequest> FontRequests() const;

private:
    enum class Kind { Color, Font, Cancel };
    struct Answer {
        Kind What;
        std::uint32_t Color;
        FontDialogRequest Font;
    };
    //! Takes the next answer; true when it is of `kind`.
    bool Take(Kind kind, Answer& answer);
    mutable std::mutex mutex_;
    std::deque<Answer> answers_;
    std::vector<ColorDialogRequest> requests_;
    std::vector<FontDialogRequest> fontRequests_;
    IColorDialogService* previous_;
};

}  // namespace platform
