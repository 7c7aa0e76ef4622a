#include "ChildWindow.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>

void ShowChild(QWidget* widget, QMdiArea* area, QMdiSubWindow* frame)
{
    if (frame) {
        frame->show();
        if (area)
            area->setActiveSubWindow(frame);
    } else {
        widget->show();
    }
    widget->setFocus();
}

void FocusChild(QWidget* widget, QMdiArea* area, QMdiSubWindow* frame)
{
    if (frame) {
        if (frame->isMinimized())
            frame->showNormal();
        if (area)
            area->setActiveSubWindow(frame);
        frame->raise();
    } else {
        widget->show();
        widget->raise();
    }
    widget->setFocus();
}

void CloseChild(QWidget* widget, QMdiSubWindow* frame)
{
    if (frame)
        frame->close();
    else
        widget->close();
}

void SetChildCaption(QWidget* widget, QMdiSubWindow* frame, const std::string& caption)
{
    const QString title = QString::fromUtf8(caption.c_str());
    widget->setWindowTitle(title);
    if (frame)
        frame->setWindowTitle(title);
}

void RenumberChildCaption(QWidget* widget, QMdiSubWindow* frame, int stepNumber)
{
    const std::string caption = widget->windowTitle().toUtf8().toStdString();
    if (caption.empty())
        return;  // a view opened by a tool keeps its empty title
    const auto hash = caption.rfind('#');
    const std::string next =
        (hash == std::string::npos ? std::string() : caption.substr(0, hash + 1)) + std::to_string(stepNumber);
    if (next != caption)
        SetChildCaption(widget, frame, next);
}
