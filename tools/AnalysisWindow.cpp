#include "tools/AnalysisWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <utility>

#include "data/ObjectSPM.h"
#include "data/Surfacedata.h"

namespace {

//! Analysis windows whose destructor runs: the activation that the MDI area passes on
//! meanwhile may name a window of a step that is going; it is looked at from the event
//! loop instead.
int destroyingWindows = 0;

void ActivateCurrentWindow(QMdiArea* area)
{
    if (QMdiSubWindow* frame = area->activeSubWindow())
        if (auto* window = qobject_cast<TAnalysisWindow*>(frame->widget()))
            window->FormActivate();
}

}  // namespace

TAnalysisWindow::TAnalysisWindow(TObjectSPM* step, TStepWindow* TObjectSPM::*slot, QMdiArea* area,
                                 Qt::WindowFlags frameFlags)
    : QWidget(nullptr), step_(step), slot_(slot)
{
    setFocusPolicy(Qt::StrongFocus);
    if (step_) {
        dataSet_ = step_->SurfaceData.get();
        if (dataSet_)
            dataSet_->Acquire();
    }
    mdi_ = std::make_unique<TMdiChild>(
        this, area,
        [this] {
            if (destroyingWindows == 0)
                FormActivate();
        },
        frameFlags);
}

TAnalysisWindow::~TAnalysisWindow()
{
    ++destroyingWindows;
    ReleaseStep();
    if (QMdiArea* area = mdi_->Release())
        QTimer::singleShot(0, area, [area] { ActivateCurrentWindow(area); });
    --destroyingWindows;
}

void TAnalysisWindow::ReleaseStep()
{
    if (step_ && slot_ && step_->*slot_ == this)
        step_->*slot_ = nullptr;
    if (TSurfaceData* data = std::exchange(dataSet_, nullptr))
        data->Release();
    step_ = nullptr;
}

void TAnalysisWindow::closeEvent(QCloseEvent* event)
{
    ReleaseStep();
    mdi_->FormClosed();
    event->accept();
}

void TAnalysisWindow::Show()
{
    mdi_->Show();
    setFocus();
}

void TAnalysisWindow::Focus()
{
    mdi_->Focus();
    setFocus();
}

void TAnalysisWindow::CloseWindow()
{
    mdi_->Close();
}

void TAnalysisWindow::Detach()
{
    step_ = nullptr;
    dataSet_ = nullptr;
}

void TAnalysisWindow::SetCaption(const std::string& caption)
{
    mdi_->SetCaption(caption);
}

void TAnalysisWindow::FormActivate()
{
    if (step_ && destroyingWindows == 0)
        step_->BuildViewMenu();
}

void TAnalysisWindow::keyPressEvent(QKeyEvent* event)
{
    if (!FormKeyDown(event->key(), event->modifiers()))
        QWidget::keyPressEvent(event);
}
