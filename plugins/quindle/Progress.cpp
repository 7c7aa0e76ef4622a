#include "Progress.h"

#include <QLabel>
#include <cmath>

#include "plugins/quindle/Dialogs.h"

namespace quindle {

// ---------------------------------------------------------------------------------------
// TProgressThread

TProgressThread::TProgressThread(TWorkFunction function, TProgressForm* form, TWorkClosure closure)
    : Form(form), function_(function), closure_(std::move(closure))
{
}

TProgressThread::~TProgressThread()
{
    Terminate();
    WaitFor();
}

void TProgressThread::Start()
{
    Run([this] {
        if (function_)
            return function_(this);
        if (closure_)
            return closure_(this);
        return 0;
    });
}

void TProgressThread::SetRange(int minimum, int maximum)
{
    if (Form)
        Form->SetRange(minimum, maximum);
    else
        TProgressWorker::SetRange(minimum, maximum);
}

void TProgressThread::SetPosition(int position)
{
    if (Form)
        Form->SetPosition(position);
    else
        TProgressWorker::SetPosition(position);
}

int TProgressThread::Position() const
{
    return Form ? Form->Position() : TProgressWorker::Position();
}

// ---------------------------------------------------------------------------------------
// TProgressForm

namespace {

const platform::TProgressLook QuindleLook{QSize(323, 69),
                                          QRect(5, 15, 316, 17),
                                          QRect(130, 40, 75, 25),
                                          mrOk,
                                          mrCancel,
                                          platform::TProgressLook::TCentring::FrameCentre};

}  // namespace

TProgressForm::TProgressForm(QWidget* parentWindow)
    : platform::TProgressDialog(parentWindow, QuindleLook)
{
    Label1 = new QLabel("0%", this);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(0, 0, 323, 15);
}

TProgressForm::~TProgressForm()
{
    // The worker hands its progress to this dialog's own members.
    StopWorker();
}

void TProgressForm::SetWork(TWorkFunction function)
{
    function_ = function;
    closure_ = nullptr;
}

void TProgressForm::SetWork(TWorkClosure closure)
{
    closure_ = std::move(closure);
    function_ = nullptr;
}

void TProgressForm::SetPosition(int position)
{
    std::lock_guard lock(progressMutex_);
    progress_.SetPosition(position);
}

void TProgressForm::SetMax(int maximum)
{
    std::lock_guard lock(progressMutex_);
    progress_.SetRange(progress_.Minimum, maximum);
}

void TProgressForm::SetRange(int minimum, int maximum)
{
    std::lock_guard lock(progressMutex_);
    progress_.SetRange(minimum, maximum);
}

int TProgressForm::Position() const
{
    std::lock_guard lock(progressMutex_);
    return progress_.Position;
}

QString TProgressForm::Percent(const platform::ProgressValues& v)
{
    if (v.Maximum <= v.Minimum)
        return "0%";
    const double share = double(v.Position - v.Minimum) * 100 / (v.Maximum - v.Minimum) + 0.5;
    return QString::number(static_cast<int>(std::floor(share))) + "%";
}

std::optional<platform::ProgressValues> TProgressForm::ShownProgress() const
{
    std::lock_guard lock(progressMutex_);
    return progress_;
}

void TProgressForm::ProgressShown(const platform::ProgressValues& values)
{
    Label1->setText(Percent(values));
}

std::unique_ptr<platform::TProgressWorker> TProgressForm::NewWorker()
{
    if (!function_ && !closure_)
        return nullptr;
    auto worker = std::make_unique<TProgressThread>(function_, this, closure_);
    worker->Start();
    return worker;
}

void TProgressForm::WorkerReturned(const platform::TProgressWorker& worker)
{
    workFailed_ = worker.Failed();
    workResult_ = worker.ReturnValue();
}

bool TProgressForm::AskAbort()
{
    return ShowMessage(this, platform::AbortQuestionText, platform::AbortQuestionCaption,
                       TMessageIcon::Warning, TMessageButtons::YesNo) == TMessageAnswer::Yes;
}

void TProgressForm::RunAbortRoutine()
{
    if (abort_)
        abort_();
}

}  // namespace quindle
