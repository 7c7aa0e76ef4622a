#include "platform/gui/TiledPaint.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QStylePainter>
#include <QToolButton>
#include <algorithm>

namespace platform {

void PaintInTiles(QPainter& painter, const QRect& area, const QRect& region, const std::function<void()>& paint)
{
    const QRect wanted = area & region;
    if (wanted.isEmpty())
        return;
    // Tiles on a fixed grid from the area's corner, so that a partial repaint cuts the
    // picture where a whole one does. A device pixel ratio above 1 makes the tiles larger in
    // device pixels: they shrink by it.
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const int side = std::max(8, int(PaintTileSide / std::max<qreal>(1.0, ratio)));
    const int firstColumn = (wanted.left() - area.left()) / side;
    const int firstRow = (wanted.top() - area.top()) / side;
    for (int y = area.top() + firstRow * side; y <= wanted.bottom(); y += side)
        for (int x = area.left() + firstColumn * side; x <= wanted.right(); x += side) {
            const QRect tile = QRect(x, y, side, side) & wanted;
            if (tile.isEmpty())
                continue;
            painter.save();
            painter.setClipRect(tile, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
            paint();
            painter.restore();
        }
}

TTiledToolBar::TTiledToolBar(const QString& title, QWidget* owner) : QToolBar(title, owner) {}

void TTiledToolBar::paintEvent(QPaintEvent* event)
{
    // Expanded (its extension button pressed) or floating, a tool bar also fills its
    // background and draws a menu frame: that rare picture is QToolBar's own.
    const auto* extension = findChild<QToolButton*>("qt_toolbar_ext_button", Qt::FindDirectChildrenOnly);
    if (isWindow() || (extension && extension->isChecked())) {
        QToolBar::paintEvent(event);
        return;
    }
    QPainter p(this);
    QStyle* style = this->style();
    QStyleOptionToolBar opt;
    initStyleOption(&opt);
    const QRect whole = opt.rect;
    PaintInTiles(p, rect(), event->rect(), [&] {
        opt.rect = whole;
        style->drawControl(QStyle::CE_ToolBar, &opt, &p, this);
        opt.rect = style->subElementRect(QStyle::SE_ToolBarHandle, &opt, this);
        if (opt.rect.isValid())
            style->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &opt, &p, this);
    });
}

TTiledTabWidget::TTiledTabWidget(QWidget* owner) : QTabWidget(owner) {}

void TTiledTabWidget::paintEvent(QPaintEvent* event)
{
    if (documentMode()) {
        QTabWidget::paintEvent(event);
        return;
    }
    QStylePainter p(this);
    QStyleOptionTabWidgetFrame opt;
    initStyleOption(&opt);
    opt.rect = style()->subElementRect(QStyle::SE_TabWidgetTabPane, &opt, this);
    PaintInTiles(p, rect(), event->rect(), [&] { p.drawPrimitive(QStyle::PE_FrameTabWidget, opt); });
}

TTiledGroupBox::TTiledGroupBox(const QString& title, QWidget* owner) : QGroupBox(title, owner) {}

void TTiledGroupBox::paintEvent(QPaintEvent* event)
{
    QStylePainter p(this);
    QStyleOptionGroupBox opt;
    initStyleOption(&opt);
    PaintInTiles(p, rect(), event->rect(), [&] { p.drawComplexControl(QStyle::CC_GroupBox, opt); });
}

}  // namespace platform
