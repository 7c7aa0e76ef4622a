#include "Progress.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include "platform/core/Messages.h"

namespace {

const char* const AbortQuestionText = "Do you want to abort process";
const char* const AbortCaption = "Noise";
// How often the dialog looks at its worker's progress and end, in milliseconds.
constexpr int WorkerPollInterval = 15;

} // namespace

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
    WorkerThread::Start([this] { Execute(); },
                        [this] {
                            if (OnTerminate)
                                OnTerminate();
                        });
}

void TProgressThread::Execute()
{
    try {
        if (WorkFunction)
            WorkFunction(this);
        else if (WorkMethod)
            WorkMethod(this);
    } catch (...) {
        // The work's failure ends the work; the thread still ends normally.
    }
}

platform::ProgressValues TProgressThread::Progress() const
{
    std::lock_guard lock(mutex_);
    return progress_;
}

void TProgressThread::SetRange(int minimum, int maximum)
{
    std::lock_guard lock(mutex_);
    progress_.SetRange(minimum, maximum);
}

void TProgressThread::SetPosition(int position)
{
    std::lock_guard lock(mutex_);
    progress_.SetPosition(position);
}

int TProgressThread::Position() const
{
    std::lock_guard lock(mutex_);
    return progress_.Position;
}

// ---------------------------------------------------------------------------------------
// TProgressForm

TProgressForm::TProgressForm(QWidget* owner)
    : QDialog(owner),
      question_({[this] { return static_cast<platform::WorkerThread*>(Worker.get()); },
                 [] {
                     return platform::ShowMessage(AbortQuestionText, AbortCaption, platform::MessageIcon::Warning,
                                                  platform::MessageButtons::YesNo) == platform::MessageResult::Yes;
                 },
                 [this] { RunAbortRoutine(); }, [this](bool workDone) { Finish(workDone); }})
{
    setObjectName("ProgressForm");
    setWindowTitle("Wait, please...");
    // A dialog border with only the system menu's close box.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(323, 102);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setGeometry(8, 20, 307, 17);

    btCancel = new QPushButton("&Cancel", this);
    btCancel->setObjectName("btCancel");
    btCancel->setGeometry(124, 56, 75, 25);
    connect(btCancel, &QPushButton::clicked, this, &TProgressForm::btCancelClick);

    workerPoll_ = new QTimer(this);
    workerPoll_->setInterval(WorkerPollInterval);
    connect(workerPoll_, &QTimer::timeout, this, &TProgressForm::PollWorker);
}

TProgressForm::~TProgressForm()
{
    // Normally the worker has ended when exec() returns; a dialog destroyed otherwise
    // still never leaves a worker that could use it.
    if (Worker) {
        Worker->Terminate();
        Worker->WaitFor();
        Worker.reset();
    }
}

void TProgressForm::SetWork(TWorkMethod method)
{
    WorkMethod = std::move(method);
    WorkFunction = nullptr;
}

int TProgressForm::exec()
{
    const int result = QDialog::exec();
    if (Worker) {
        // The loop was left while the work still ran: stop it and report no result.
        Worker->Terminate();
        Worker->WaitFor();
        Worker.reset();
        return QDialog::Rejected;
    }
    return result;
}

void TProgressForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the desktop.
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    FormShow();
}

void TProgressForm::FormShow()
{
    if (started_)
        return;
    started_ = true;
    if (!WorkFunction && !WorkMethod)
        return; // nothing to run: the dialog waits until the user closes it
    Worker = std::make_unique<TProgressThread>(WorkFunction, this, WorkMethod);
    Worker->Start();
    workerPoll_->start();
}

void TProgressForm::PollWorker()
{
    if (!Worker)
        return;
    UpdateProgressBar();
    if (Worker->Finished())
        ThreadTerminated();
}

void TProgressForm::UpdateProgressBar()
{
    if (!Worker)
        return;
    const platform::ProgressValues values = Worker->Progress();
    if (ProgressBar->minimum() != values.Minimum || ProgressBar->maximum() != values.Maximum)
        ProgressBar->setRange(values.Minimum, values.Maximum);
    if (ProgressBar->value() != values.Position)
        ProgressBar->setValue(values.Position);
}

void TProgressForm::ThreadTerminated()
{
    if (!Worker || !Worker->Finished())
        return;
    workerPoll_->stop();
    UpdateProgressBar();
    Worker->WaitFor();
    Worker.reset();
    question_.WorkEnded();
}

void TProgressForm::btCancelClick()
{
    FormClose();
}

void TProgressForm::reject()
{
    btCancelClick();
}

void TProgressForm::closeEvent(QCloseEvent* event)
{
    // The dialog closes only through the question's end; the close box acts as "&Cancel".
    event->ignore();
    btCancelClick();
}

void TProgressForm::FormClose()
{
    question_.UserCloses();
}

void TProgressForm::RunAbortRoutine()
{
    if (AbortFunction)
        AbortFunction(this);
    else if (AbortMethod)
        AbortMethod(this);
}

void TProgressForm::Finish(bool workDone)
{
    done(workDone ? QDialog::Accepted : QDialog::Rejected);
}
