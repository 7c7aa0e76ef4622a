#pragma once
// The plug-ins' message boxes, beeps, save dialogs and modal windows, through one service
// of their own: a plug-in shows real ones; its tests install a TDialogScript that answers
// from a script and records what was asked, so that no test waits on a window. (A plug-in
// has no access to the program's services: each plug-in library links its own copy of
// this service.)

#include <deque>
#include <functional>
#include <string>
#include <vector>

class QDialog;
class QWidget;

namespace plugindialogs {

//! Error is the hand icon of the original platform.
enum class TMessageIcon { None, Error, Warning };
enum class TMessageButtons { Ok, YesNo };
//! Answers, numbered as the dialog results of the original platform.
enum class TMessageAnswer { Ok = 1, Yes = 6, No = 7 };
//! The results with which the plug-ins' modal windows close.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3 };

//! A save dialog's settings and, after it, the user's choice.
struct TSaveRequest {
    std::string Title;            //!< the dialog's caption; empty: the dialog's own
    std::string Filter;           //!< "description|pattern|description|pattern..."
    int FilterIndex = 1;          //!< 1-based; the chosen entry on return
    std::string DefaultExt;       //!< added to a name chosen without an extension ("bmp")
    bool OverwritePrompt = false; //!< ask before an existing file is chosen
    std::string FileName;         //!< the chosen path on return (UTF-8)
};

class IDialogs {
public:
    virtual ~IDialogs() = default;
    //! Shows a message box over `owner` (null: no owner window; UTF-8 texts; an empty
    //! caption is the application's name) and answers the button chosen.
    virtual TMessageAnswer Message(QWidget* owner, const std::string& text,
                                   const std::string& caption, TMessageIcon icon,
                                   TMessageButtons buttons) = 0;
    //! The system's beep.
    virtual void Beep() = 0;
    //! Runs a save dialog over `owner`; false when it was cancelled.
    virtual bool Save(QWidget* owner, TSaveRequest& request) = 0;
    //! Runs a window modally; its result (QDialog::Accepted, Rejected or another done()
    //! code).
    virtual int Exec(QDialog& dialog) = 0;
};

//! The service in force: the real dialogs unless a test installed its own.
IDialogs& Dialogs();
//! Installs a service; null puts the real dialogs back.
void SetDialogs(IDialogs* dialogs);

//! Shows the message through the service in force.
TMessageAnswer ShowMessage(QWidget* owner, const std::string& text, const std::string& caption,
                           TMessageIcon icon = TMessageIcon::None,
                           TMessageButtons buttons = TMessageButtons::Ok);

//! The service for tests; installs itself while it lives. Messages take the queued answers
//! (the first button when none is queued), save dialogs the queued choices (cancel when
//! none), and each modal window the next queued step, which acts in place of the user and
//! gives the result (a window without a step is rejected unseen). Everything is recorded.
class TDialogScript : public IDialogs {
public:
    using TStep = std::function<int(QDialog&)>;
    struct TMessage {
        std::string Text;
        std::string Caption;
        TMessageIcon Icon;
        TMessageButtons Buttons;
        bool Owned; //!< shown over an owner window
    };

    TDialogScript();
    ~TDialogScript() override;
    TDialogScript(const TDialogScript&) = delete;
    TDialogScript& operator=(const TDialogScript&) = delete;

    void Answer(TMessageAnswer answer) { answers_.push_back(answer); }
    void ChooseFile(const std::string& path, int filterIndex = 1)
    {
        saves_.push_back({path, filterIndex, false});
    }
    void CancelFile() { saves_.push_back({"", 0, true}); }
    void Then(TStep step) { steps_.push_back(std::move(step)); }
    //! A step that runs the window's real modal loop (its own work closes it).
    static int RunIt(QDialog& dialog);

    TMessageAnswer Message(QWidget* owner, const std::string& text, const std::string& caption,
                           TMessageIcon icon, TMessageButtons buttons) override;
    void Beep() override { ++beeps_; }
    bool Save(QWidget* owner, TSaveRequest& request) override;
    int Exec(QDialog& dialog) override;

    const std::vector<TMessage>& Messages() const { return messages_; }
    //! The texts of the messages, in order.
    std::vector<std::string> Texts() const;
    //! The save dialogs as they were asked.
    const std::vector<TSaveRequest>& SaveRequests() const { return saveRequests_; }
    //! The titles of the modal windows run, in order.
    const std::vector<std::string>& Windows() const { return windows_; }
    std::size_t StepsLeft() const { return steps_.size(); }
    int Beeps() const { return beeps_; }

private:
    struct TChoice {
        std::string Path;
        int FilterIndex;
        bool Cancel;
    };
    std::deque<TMessageAnswer> answers_;
    std::deque<TChoice> saves_;
    std::deque<TStep> steps_;
    std::vector<TMessage> messages_;
    std::vector<TSaveRequest> saveRequests_;
    std::vector<std::string> windows_;
    int beeps_ = 0;
    IDialogs* previous_;
};

} // namespace plugindialogs
