#include "MdiChild.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <utility>

#include "platform/gui/Clipboard.h"
#include "platform/gui/MdiPlacement.h"

namespace {

//! The subwindow: when it goes first (closed, or with the area), it tells its TMdiChild
//! before the form it holds is deleted with it.
class TFrame final : public QMdiSubWindow {
public:
    explicit TFrame(QMdiSubWindow** owner) : owner_(owner) {}
    ~TFrame() override
    {
        if (owner_)
            *owner_ = nullptr;
    }
    QMdiSubWindow** owner_;
};

}  // namespace

TMdiChild::TMdiChild(QWidget* form, QMdiArea* area, std::function<void()> activated,
                     Qt::WindowFlags flags)
    : form_(form), area_(area)
{
    if (!area_) {
        form_->setAttribute(Qt::WA_DeleteOnClose);
        return;
    }
    auto* frame = new TFrame(&frame_);
    frame->setObjectName(form_->objectName() + "Frame");
    frame->setWidget(form_);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    area_->addSubWindow(frame, flags);
    frame_ = frame;
    QObject::connect(area_, &QMdiArea::subWindowActivated, form_,
                     [this, activated = std::move(activated)](QMdiSubWindow* w) {
                         if (w && w == frame_ && activated)
                             activated();
                     });
}

TMdiChild::~TMdiChild()
{
    Release();
}

void TMdiChild::Show()
{
    if (frame_) {
        if (!std::exchange(placed_, true))
            platform::PlaceAtDefaultPosition(*area_, *frame_);
        frame_->show();
        area_->setActiveSubWindow(frame_);
    } else {
        form_->show();
    }
}

void TMdiChild::MoveTo(int x, int y)
{
    if (!frame_)
        return;
    frame_->move(x, y);
    placed_ = true;
}

void TMdiChild::FitFrame()
{
    if (!frame_)
        return;
    frame_->ensurePolished();
    const QMargins margins = frame_->contentsMargins();
    frame_->resize(form_->size().grownBy(margins));
}

void TMdiChild::Focus()
{
    if (frame_) {
        if (frame_->isMinimized())
            frame_->showNormal();
        area_->setActiveSubWindow(frame_);
        frame_->raise();
    } else {
        form_->show();
        form_->raise();
    }
}

void TMdiChild::Close()
{
    if (frame_)
        frame_->close();
    else
        form_->close();
}

void TMdiChild::SetCaption(const std::string& caption)
{
    const QString title = QString::fromUtf8(caption.c_str());
    form_->setWindowTitle(title);
    if (frame_)
        frame_->setWindowTitle(title);
}

void TMdiChild::RenumberCaption(int stepNumber)
{
    const std::string caption = form_->windowTitle().toUtf8().toStdString();
    if (caption.empty())
        return; // a view opened by a tool keeps its empty title
    const auto hash = caption.rfind('#');
    const std::string next =
        (hash == std::string::npos ? std::string() : caption.substr(0, hash + 1)) + std::to_string(stepNumber);
    if (next != caption)
        SetCaption(next);
}

bool TMdiChild::Key(int key, Qt::KeyboardModifiers modifiers, const platform::TBitmap* picture)
{
    if (key == Qt::Key_Escape) {
        Close();
        return true;
    }
    if (key == Qt::Key_C && (modifiers & Qt::ControlModifier)) {
        if (picture)
            platform::CopyToClipboard(*picture);
        return true;
    }
    return false;
}

void TMdiChild::FormClosed()
{
    if (frame_ && frame_->isVisible())
        frame_->close();
}

QMdiArea* TMdiChild::Release()
{
    QMdiSubWindow* frame = std::exchange(frame_, nullptr);
    if (!frame)
        return nullptr;
    static_cast<TFrame*>(frame)->owner_ = nullptr;
    frame->setWidget(nullptr); // out of the subwindow first, so that it does not delete the form
    delete frame;
    return area_;
}
