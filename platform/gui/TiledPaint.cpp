#include "platform/gui/TiledPaint.h"

#include "platform/gui/QuietPictures.h"

#include <QPaintEvent>
#include <QPixmapCache>
#include <qdrawutil.h>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QStylePainter>
#include <QToolButton>
#include <algorithm>
#include <vector>

namespace platform {

namespace {

// Fusion's group-box frame: its picture and the space it leaves above the title's line.
constexpr int FusionGroupBoxTopMargin = 3;

QPixmap FusionGroupBoxPicture()
{
    static const QString key = QStringLiteral("morvane-fusion-groupbox");
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        picture = ReadPngPicture(QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png"));
        if (!picture.isNull())
            QPixmapCache::insert(key, picture);
    }
    return picture;
}

void PaintClipped(QPainter& painter, const QRegion& piece, const std::function<void()>& paint)
{
    if (piece.isEmpty())
        return;
    painter.save();
    painter.setClipRegion(piece, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    paint();
    painter.restore();
}

}  // namespace

void PaintInTiles(QPainter& painter, const QRect& area, const QRect& region, int edge,
                  const std::function<void()>& paint)
{
    const QRect wanted = area & region;
    if (wanted.isEmpty())
        return;
    // The pieces lie on a fixed grid from the area's corner, so that a partial repaint cuts
    // the picture where a whole one does. A device pixel ratio above 1 makes a tile larger
    // in device pixels: it shrinks by it.
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const int side = std::max(8, int(PaintTileSide / std::max<qreal>(1.0, ratio)));
    edge = std::max(0, edge);
    const bool tilesOnly = 2 * edge >= area.height();
    const int stripHeight = tilesOnly ? side : edge;
    // The strips along the top and the bottom, column by column (every row of tiles when
    // the whole area is tiled).
    std::vector<QRect> strips;
    if (tilesOnly) {
        for (int y = area.top(); y <= area.bottom(); y += side)
            strips.emplace_back(area.left(), y, area.width(), side);
    } else if (edge > 0) {
        strips.emplace_back(area.left(), area.top(), area.width(), stripHeight);
        strips.emplace_back(area.left(), area.bottom() - stripHeight + 1, area.width(), stripHeight);
    }
    for (int x = area.left(); x <= wanted.right(); x += side) {
        if (x + side <= wanted.left())
            continue;
        const QRect column(x, area.top(), side, area.height());
        if (tilesOnly) {
            for (const QRect& row : strips)
                PaintClipped(painter, QRegion(row & column & wanted), paint);
        } else {
            QRegion piece;
            for (const QRect& strip : strips)
                piece += strip & column & wanted;
            PaintClipped(painter, piece, paint);
        }
    }
    if (tilesOnly)
        return;
    // The bands between the strips.
    for (int y = area.top() + edge; y <= area.bottom() - edge; y += side) {
        const int bottom = std::min(y + side - 1, area.bottom() - edge);
        PaintClipped(painter, QRegion(QRect(QPoint(area.left(), y), QPoint(area.right(), bottom)) & wanted), paint);
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
    PaintInTiles(p, rect(), event->rect(), height(), [&] {
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
    // The pane's frame: lines across within a few pixels of its top and bottom edges (the
    // tab bar above lies in the top strip), lines down at its sides.
    const QRect pane = opt.rect;
    const int edge = std::max(pane.top() - rect().top(), rect().bottom() - pane.bottom()) + 8;
    PaintInTiles(p, rect(), event->rect(), edge, [&] {
        p.drawPrimitive(QStyle::PE_FrameTabWidget, opt);
    });
}

TTiledGroupBox::TTiledGroupBox(const QString& title, QWidget* owner) : QGroupBox(title, owner) {}

void TTiledGroupBox::paintEvent(QPaintEvent* event)
{
    QStylePainter p(this);
    QStyleOptionGroupBox opt;
    initStyleOption(&opt);
    // The frame, a picture stretched around the box, in tiles (the children that paint
    // themselves whole cut the rows of its middle into pieces); then the title and the check
    // box over it once, as the style draws them after the frame.
    const QStyle::SubControls parts = opt.subControls;
    opt.subControls = parts & QStyle::SC_GroupBoxFrame;
    const bool flat = opt.features & QStyleOptionFrame::Flat;
    if (opt.subControls && PaintingStyle(style())->name() == QLatin1String("fusion")) {
        // Fusion's box frame is the frame primitive in the frame's rectangle: measured once
        // here rather than in every tile.
        QStyleOptionFrame frame;
        frame.QStyleOption::operator=(opt);
        frame.features = opt.features;
        frame.lineWidth = opt.lineWidth;
        frame.midLineWidth = opt.midLineWidth;
        frame.rect = style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxFrame, this);
        // Its picture, stretched around the frame below the title, is read here as a PNG:
        // the style reads it by name, which loads every image-format plug-in.
        // A box without a title (and no check box) leaves its frame to the style.
        const bool titled = isCheckable() || !title().isEmpty();
        const QPixmap picture = flat || !titled ? QPixmap() : FusionGroupBoxPicture();
        const int top = std::max(style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, nullptr, this),
                                 frame.fontMetrics.height()) +
                        FusionGroupBoxTopMargin;
        PaintInTiles(p, rect(), event->rect(), height(), [&] {
            p.save();
            if (picture.isNull())
                p.drawPrimitive(QStyle::PE_FrameGroupBox, frame);
            else
                qDrawBorderPixmap(&p, frame.rect.adjusted(0, top, 0, 0), QMargins(6, 6, 6, 6), picture);
            p.restore();
        });
    } else if (opt.subControls) {
        PaintInTiles(p, rect(), event->rect(), height(), [&] { p.drawComplexControl(QStyle::CC_GroupBox, opt); });
    }
    opt.subControls = parts & ~QStyle::SubControls(QStyle::SC_GroupBoxFrame);
    if (opt.subControls)
        p.drawComplexControl(QStyle::CC_GroupBox, opt);
}

}  // namespace platform
