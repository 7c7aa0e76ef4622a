#include "ModalDialogs.h"

#include <atomic>

namespace platform {

namespace {
class RejectAll : public IModalDialogService {
public:
    int Exec(QDialog& dialog) override
    {
        dialog.setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
};
RejectAll rejectAll;
std::atomic<IModalDialogService*> current{nullptr};
}  // namespace

void SetModalDialogService(IModalDialogService* service) { current.store(service); }

IModalDialogService& ModalDialogs()
{
    IModalDialogService* s = current.load();
    return s ? *s : rejectAll;
}

int ExecModal(QDialog& dialog) { return ModalDialogs().Exec(dialog); }

ModalDialogRecorder::ModalDialogRecorder() : previous_(current.load()) { SetModalDialogService(this); }

ModalDialogRecorder::~ModalDialogRecorder() { SetModalDialogService(previous_); }

void ModalDialogRecorder::Then(Step step) { steps_.push_back(std::move(step)); }

int ModalDialogRecorder::Exec(QDialog& dialog)
{
    titles_.push_back(dialog.windowTitle().toStdString());
    dialog.setResult(QDialog::Rejected);
    if (steps_.empty())
        return QDialog::Rejected;
    Step step = std::move(steps_.front());
    steps_.pop_front();
    step(dialog);
    return dialog.result();
}

}  // namespace platform
