#include "Progress.h"

#include "platform/core/Messages.h"

// ---------------------------------------------------------------------------------------
// TProgressThread

TProgressThread::TProgressThread(TWorkFunction function, TProgressForm* form, TWorkMethod method)
    : WorkMethod(std::move(method)), WorkFunction(function), Form(form)
{
}

TProgressThread::~TProgressThread()
{
    Terminate();
    WaitFor();
}

void TProgressThread::Start()
{
    Run(
        [this] {
            if (WorkFunction)
                WorkFunction(this);
            else if (WorkMethod)
                WorkMethod(this);
            return 0;
        },
        [this] {
            if (OnTerminate)
                OnTerminate();
        });
}

// ---------------------------------------------------------------------------------------
// TProgressForm

namespace {

const platform::TProgressLook ProgramLook{QSize(323, 102),
                                          QRect(8, 20, 307, 17),
                                          QRect(124, 56, 75, 25),
                                          QDialog::Accepted,
                                          QDialog::Rejected,
                                          platform::TProgressLook::TCentring::HalfFrameSize};

}  // namespace

TProgressForm::TProgressForm(QWidget* owner) : platform::TProgressDialog(owner, ProgramLook) {}

TProgressForm::~TProgressForm()
{
    StopWorker();
}

void TProgressForm::SetWork(TWorkMethod method)
{
    WorkMethod = std::move(method);
    WorkFunction = nullptr;
}

std::unique_ptr<platform::TProgressWorker> TProgressForm::NewWorker()
{
    if (!WorkFunction && !WorkMethod)
        return nullptr;
    auto worker = std::make_unique<TProgressThread>(WorkFunction, this, WorkMethod);
    worker->Start();
    return worker;
}

bool TProgressForm::AskAbort()
{
    return platform::ShowMessage(platform::AbortQuestionText, platform::AbortQuestionCaption,
                                 platform::MessageIcon::Warning,
                                 platform::MessageButtons::YesNo) == platform::MessageResult::Yes;
}

void TProgressForm::RunAbortRoutine()
{
    if (AbortFunction)
        AbortFunction(this);
    else if (AbortMethod)
        AbortMethod(this);
}
