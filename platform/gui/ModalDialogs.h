#pragma once
// Modal dialogs of the program's own (the link-data dialog and its choosers) run through
// one service, beside the message boxes and the file dialogs: the program installs a
// service that runs the real modal loop; tests install a ModalDialogRecorder that drives
// each dialog from a script. With no service installed a dialog is closed unanswered
// (rejected) without being shown, so that no test ever waits on one.

#include <QDialog>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace platform {

class IModalDialogService {
public:
    virtual ~IModalDialogService() = default;
    //! Runs the dialog modally; its result (QDialog::Accepted or Rejected).
    virtual int Exec(QDialog& dialog) = 0;
};

//! Installs the service that answers from now on; nullptr restores the default.
void SetModalDialogService(IModalDialogService* service);
IModalDialogService& ModalDialogs();
//! Runs a dialog through the service in force.
int ExecModal(QDialog& dialog);

//! The program's service: QDialog::exec.
class QtModalDialogService : public IModalDialogService {
public:
    int Exec(QDialog& dialog) override { return dialog.exec(); }
};

//! A scriptable service for tests; installs itself while it lives. Each scripted step
//! receives the dialog in place of a user (it checks items, presses buttons); the
//! dialog's result afterwards is the answer. With the script used up a dialog is
//! rejected unseen. Steps run in the order the dialogs open, nested ones included.
class ModalDialogRecorder : public IModalDialogService {
public:
    using Step = std::function<void(QDialog&)>;
    ModalDialogRecorder();
    ~ModalDialogRecorder() override;
    ModalDialogRecorder(const ModalDialogRecorder&) = delete;
    ModalDialogRecorder& operator=(const ModalDialogRecorder&) = delete;

    void Then(Step step);
    int Exec(QDialog& dialog) override;
    //! The window titles of the dialogs run so far, in order.
    std::vector<std::string> Titles() const { return titles_; }
    //! Scripted steps not used yet.
    std::size_t Left() const { return steps_.size(); }

private:
    std::deque<Step> steps_;
    std::vector<std::string> titles_;
    IModalDialogService* previous_;
};

}  // namespace platform
