#pragma once
// What the analysis windows of a step (angle analysis, surface information, heights) have
// in common: an MDI child owned by its step, at most one of each kind per step, that holds
// one reference of the step's data set from its creation to its destruction, makes its step
// current when it is activated, is freed when it closes and clears its slot in the step.

#include <QWidget>
#include <memory>
#include <string>

#include "views/MdiChild.h"
#include "views/SavableWindow.h"
#include "data/DocumentHost.h"

class QMdiArea;
class QMdiSubWindow;
class TObjectSPM;
class TSurfaceData;

class TAnalysisWindow : public QWidget, public TStepWindow, public TSavableWindow {
    Q_OBJECT
public:
    //! A window of the step kept in the step's `slot` (AngleWindow, InfoWindow or
    //! HeightsWindow); acquires the step's data set. With an MDI area the window lives in a
    //! subwindow of it (Show() shows it) with the window flags `frameFlags` (none: the
    //! area's default border); without one it is a plain widget.
    TAnalysisWindow(TObjectSPM* step, TStepWindow* TObjectSPM::*slot, QMdiArea* area,
                    Qt::WindowFlags frameFlags = {});
    //! Clears the step's slot (when it still names this window), releases the data set and
    //! removes the subwindow.
    ~TAnalysisWindow() override;

    //! Shows the window (its subwindow) and activates it.
    void Show();

    // TStepWindow.
    void Focus() override;
    void CloseWindow() override;
    //! Forgets the step: the window then touches neither the step nor its data set.
    //! A window that keeps more of the step forgets it too (and calls this).
    void Detach() override;
    void SetCaption(const std::string& caption) override;

    //! The owning step; null once detached.
    TObjectSPM* OwnerStep() const { return step_; }
    //! The data set the window holds; null once detached.
    TSurfaceData* DataSet() const { return dataSet_; }
    //! The subwindow that holds the window, null without an MDI area.
    QMdiSubWindow* Frame() const { return mdi_->Frame(); }

    //! The window became the active child: its step becomes current (BuildViewMenu).
    virtual void FormActivate();
    //! The keys of the form (key preview); true when the key was taken. None by default.
    virtual bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers) { return false; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    //! A window that closes gives up its step at once: the step's slot is cleared and the
    //! data set released (the window itself goes when the event loop deletes it). Closed
    //! on its own inside its subwindow, it closes the subwindow too.
    void closeEvent(QCloseEvent* event) override;
    //! Clears the slot, releases the data set and forgets the step; once only.
    void ReleaseStep();
    //! The window's place in the workspace.
    TMdiChild& MdiChild() { return *mdi_; }
    //! The keys every child window knows (Esc closes it, Ctrl+C copies `picture`).
    bool ChildKey(int key, Qt::KeyboardModifiers modifiers, const platform::TBitmap* picture)
    {
        return mdi_->Key(key, modifiers, picture);
    }

private:
    TObjectSPM* step_ = nullptr;
    TStepWindow* TObjectSPM::*slot_ = nullptr;
    TSurfaceData* dataSet_ = nullptr;
    std::unique_ptr<TMdiChild> mdi_; //!< the subwindow in the main window's MDI area
};
