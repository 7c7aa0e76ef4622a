#pragma once
// What the step windows that live in a subwindow of the MDI area do alike: showing,
// focusing, closing and titling the subwindow, or the widget itself without one.

#include <string>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

//! Shows the subwindow (the widget without one), makes it the area's active child and
//! gives the widget the focus.
void ShowChild(QWidget* widget, QMdiArea* area, QMdiSubWindow* frame);
//! As ShowChild, and a minimised subwindow is restored and raised first.
void FocusChild(QWidget* widget, QMdiArea* area, QMdiSubWindow* frame);
//! Closes the subwindow (the widget without one).
void CloseChild(QWidget* widget, QMdiSubWindow* frame);
//! The title (UTF-8) of the widget and of its subwindow.
void SetChildCaption(QWidget* widget, QMdiSubWindow* frame, const std::string& caption);
//! Renews the step number after the last "#" of the title (a title without one gets the
//! number at its end; an empty title stays empty).
void RenumberChildCaption(QWidget* widget, QMdiSubWindow* frame, int stepNumber);
