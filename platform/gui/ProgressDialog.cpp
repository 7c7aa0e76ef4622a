#include "platform/gui/ProgressDialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

namespace platform {

namespace {

// How often the dialog looks at its worker's progress and end, in milliseconds.
constexpr int WorkerPollInterval = 15;

} // namespace

// ---------------------------------------------------------------------------------------
// TProgressWorker

TProgressWorker::~TProgressWorker()
{
    Terminate();
    WaitFor();
}

void TProgressWorker::Run(TBody body, std::function<void()> ended)
{
    WorkerThread::Start(
        [this, body = std::move(body)] {
            int answer = 0;
            bool failed = false;
            // An exception must not leave the thread: it would end the program.
            try {
                if (body)
                    answer = body();
            } catch (...) {
                failed = true;
            }
            std::lock_guard lock(mutex_);
            returnValue_ = answer;
            failed_ = failed;
        },
        std::move(ended));
}

bool TProgressWorker::Failed() const
{
    std::lock_guard lock(mutex_);
    return failed_;
}

int TProgressWorker::ReturnValue() const
{
    std::lock_guard lock(mutex_);
    return returnValue_;
}

ProgressValues TProgressWorker::Progress() const
{
    std::lock_guard lock(mutex_);
    return progress_;
}

void TProgressWorker::SetRange(int minimum, int maximum)
{
    std::lock_guard lock(mutex_);
    progress_.SetRange(minimum, maximum);
}

void TProgressWorker::SetPosition(int position)
{
    std::lock_guard lock(mutex_);
    progress_.SetPosition(position);
}

int TProgressWorker::Position() const
{
    std::lock_guard lock(mutex_);
    return progress_.Position;
}

// ---------------------------------------------------------------------------------------
// TProgressDialog

TProgressDialog::TProgressDialog(QWidget* owner, const TProgressLook& look)
    : QDialog(owner), look_(look),
      question_({[this] { return static_cast<WorkerThread*>(worker_.get()); },
                 [this] { return AskAbort(); }, [this] { RunAbortRoutine(); },
                 [this](bool workDone) { done(workDone ? look_.DoneResult : look_.CancelResult); }})
{
    setObjectName("ProgressForm");
    setWindowTitle("Wait, please...");
    // A dialog border with only the system menu's close box.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(look_.Size);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setGeometry(look_.Bar);

    btCancel = new QPushButton("&Cancel", this);
    btCancel->setObjectName("btCancel");
    btCancel->setGeometry(look_.Button);
    connect(btCancel, &QPushButton::clicked, this, &TProgressDialog::btCancelClick);

    workerPoll_ = new QTimer(this);
    workerPoll_->setInterval(WorkerPollInterval);
    connect(workerPoll_, &QTimer::timeout, this, &TProgressDialog::PollWorker);
}

TProgressDialog::~TProgressDialog()
{
    // Normally the worker has ended when exec() returns; a dialog destroyed otherwise
    // still never leaves a worker that could use it.
    StopWorker();
}

void TProgressDialog::StopWorker()
{
    if (!worker_)
        return;
    workerPoll_->stop();
    worker_->Terminate();
    worker_->WaitFor();
    worker_.reset();
}

int TProgressDialog::exec()
{
    ShowProgress();
    const int result = QDialog::exec();
    if (worker_) {
        // The loop was left while the work still ran: stop it and report no result.
        StopWorker();
        return look_.CancelResult;
    }
    return result;
}

void TProgressDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the desktop.
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QRect frame = frameGeometry();
        if (look_.Centring == TProgressLook::TCentring::FrameCentre)
            move(area.center() - frame.center() + pos());
        else
            move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
    FormShow();
}

void TProgressDialog::FormShow()
{
    if (started_)
        return;
    started_ = true;
    worker_ = NewWorker();
    if (!worker_)
        return; // nothing to run: the dialog waits until the user closes it
    workerPoll_->start();
}

std::optional<ProgressValues> TProgressDialog::ShownProgress() const
{
    if (!worker_)
        return std::nullopt;
    return worker_->Progress();
}

void TProgressDialog::ShowProgress()
{
    const std::optional<ProgressValues> values = ShownProgress();
    if (!values)
        return;
    if (ProgressBar->minimum() != values->Minimum || ProgressBar->maximum() != values->Maximum)
        ProgressBar->setRange(values->Minimum, values->Maximum);
    if (ProgressBar->value() != values->Position)
        ProgressBar->setValue(values->Position);
    ProgressShown(*values);
}

void TProgressDialog::PollWorker()
{
    if (!worker_)
        return;
    ShowProgress();
    if (worker_->Finished())
        WorkerEnd();
}

void TProgressDialog::WorkerEnd()
{
    if (!worker_ || !worker_->Finished())
        return;
    workerPoll_->stop();
    ShowProgress();
    worker_->WaitFor();
    WorkerReturned(*worker_);
    worker_.reset();
    question_.WorkEnded();
}

void TProgressDialog::btCancelClick()
{
    question_.UserCloses();
}

void TProgressDialog::reject()
{
    btCancelClick();
}

void TProgressDialog::closeEvent(QCloseEvent* event)
{
    // The dialog closes only through the question's end; the close box acts as "&Cancel".
    event->ignore();
    btCancelClick();
}

} // namespace platform
