#include "Progress.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cmath>

#include "plugins/quindle/Dialogs.h"

namespace quindle {

namespace {

// How often the dialog looks at the progress and at the worker's end, in milliseconds.
constexpr int PollInterval = 15;

}  // namespace

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
    WorkerThread::Start([this] { Execute(); });
}

void TProgressThread::Execute()
{
    int answer = 0;
    bool failed = false;
    // An exception must not leave the thread: it would end the program.
    try {
        if (function_)
            answer = function_(this);
        else if (closure_)
            answer = closure_(this);
    } catch (...) {
        failed = true;
    }
    std::lock_guard lock(mutex_);
    returnValue_ = answer;
    failed_ = failed;
}

bool TProgressThread::Failed() const
{
    std::lock_guard lock(mutex_);
    return failed_;
}

int TProgressThread::ReturnValue() const
{
    std::lock_guard lock(mutex_);
    return returnValue_;
}

void TProgressThread::SetRange(int minimum, int maximum)
{
    if (Form) {
        Form->SetRange(minimum, maximum);
        return;
    }
    std::lock_guard lock(mutex_);
    ownProgress_.SetRange(minimum, maximum);
}

void TProgressThread::SetPosition(int position)
{
    if (Form) {
        Form->SetPosition(position);
        return;
    }
    std::lock_guard lock(mutex_);
    ownProgress_.SetPosition(position);
}

int TProgressThread::Position() const
{
    if (Form)
        return Form->Position();
    std::lock_guard lock(mutex_);
    return ownProgress_.Position;
}

// ---------------------------------------------------------------------------------------
// TProgressForm

TProgressForm::TProgressForm(QWidget* parentWindow)
    : QDialog(parentWindow),
      question_({[this] { return static_cast<platform::WorkerThread*>(worker_.get()); },
                 [this] {
                     return ShowMessage(this, "Do you want to abort process", "Noise", TMessageIcon::Warning,
                                        TMessageButtons::YesNo) == TMessageAnswer::Yes;
                 },
                 [this] {
                     if (abort_)
                         abort_();
                 },
                 [this](bool workDone) { done(workDone ? mrOk : mrCancel); }})
{
    setObjectName("ProgressForm");
    setWindowTitle("Wait, please...");
    // A dialog border with only the system menu's close box.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(323, 69);

    Label1 = new QLabel("0%", this);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(0, 0, 323, 15);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setGeometry(5, 15, 316, 17);
    btCancel = new QPushButton("&Cancel", this);
    btCancel->setObjectName("btCancel");
    btCancel->setGeometry(130, 40, 75, 25);
    connect(btCancel, &QPushButton::clicked, this, &TProgressForm::btCancelClick);

    poll_ = new QTimer(this);
    poll_->setInterval(PollInterval);
    connect(poll_, &QTimer::timeout, this, [this] {
        ShowProgress();
        if (worker_ && worker_->Finished())
            ThreadDone();
    });
}

TProgressForm::~TProgressForm()
{
    worker_.reset();
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

void TProgressForm::ShowProgress()
{
    platform::ProgressValues values;
    {
        std::lock_guard lock(progressMutex_);
        values = progress_;
    }
    if (ProgressBar->minimum() != values.Minimum || ProgressBar->maximum() != values.Maximum)
        ProgressBar->setRange(values.Minimum, values.Maximum);
    ProgressBar->setValue(values.Position);
    Label1->setText(Percent(values));
}

int TProgressForm::exec()
{
    ShowProgress();
    const int result = QDialog::exec();
    if (worker_) {
        // The loop was left while the work still ran: no result.
        worker_.reset();
        return mrCancel;
    }
    return result;
}

void TProgressForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - frameGeometry().center() + pos());
    FormShow();
}

void TProgressForm::FormShow()
{
    if (started_)
        return;
    started_ = true;
    if (!function_ && !closure_)
        return;
    worker_ = std::make_unique<TProgressThread>(function_, this, closure_);
    worker_->Start();
    poll_->start();
}

void TProgressForm::ThreadDone()
{
    if (!worker_ || !worker_->Finished())
        return;
    poll_->stop();
    ShowProgress();
    worker_->WaitFor();
    workFailed_ = worker_->Failed();
    workResult_ = worker_->ReturnValue();
    worker_.reset();
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
    // The dialog closes only through the question's end; its close box asks as "&Cancel" does.
    event->ignore();
    btCancelClick();
}

void TProgressForm::FormClose()
{
    question_.UserCloses();
}

}  // namespace quindle
