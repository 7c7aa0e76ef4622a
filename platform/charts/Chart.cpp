#include "Chart.h"

#include <QBrush>
#include <QBuffer>
#include <QFile>
#include <QGraphicsLayout>
#include <QGraphicsPixmapItem>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QResizeEvent>
#include <QValueAxis>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "platform/core/Files.h"

namespace charts {

namespace {

Qt::Alignment Alignment(TAxisKind kind)
{
    switch (kind) {
    case TAxisKind::Left:
        return Qt::AlignLeft;
    case TAxisKind::Right:
        return Qt::AlignRight;
    case TAxisKind::Bottom:
        return Qt::AlignBottom;
    case TAxisKind::Top:
        return Qt::AlignTop;
    }
    return Qt::AlignLeft;
}

// Groups the digits of a non-negative integer text in threes with ','.
std::string GroupThousands(const std::string& digits)
{
    std::string grouped;
    const std::size_t n = digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TChartAxis

TChartAxis::TChartAxis(TChart& chart, TAxisKind kind)
    : chart_(chart), kind_(kind), axis_(new QValueAxis)
{
    axis_->setRange(0, 1);
    axis_->setGridLineVisible(true);
    axis_->setMinorGridLineVisible(false);
    axis_->setTitleVisible(false);
}

QString TChartAxis::Title() const
{
    return axis_->titleText();
}

void TChartAxis::SetTitle(const QString& title)
{
    axis_->setTitleText(title);
    axis_->setTitleVisible(!title.isEmpty());
}

bool TChartAxis::GridVisible() const
{
    return axis_->isGridLineVisible();
}

void TChartAxis::SetGridVisible(bool visible)
{
    axis_->setGridLineVisible(visible);
}

void TChartAxis::SetVisible(bool visible)
{
    visible_ = visible;
    chart_.Changed();
}

bool TChartAxis::Inverted() const
{
    return axis_->isReverse();
}

void TChartAxis::SetInverted(bool inverted)
{
    axis_->setReverse(inverted);
}

void TChartAxis::SetAutomatic(bool automatic)
{
    automatic_ = automatic;
    chart_.Changed();
}

void TChartAxis::SetMinMax(double minimum, double maximum)
{
    if (!std::isfinite(minimum) || !std::isfinite(maximum))
        return;
    automatic_ = false;
    maximum = std::max(minimum, maximum);
    // An axis of no length cannot be drawn: it is drawn one unit long.
    axis_->setRange(minimum, maximum > minimum ? maximum : minimum + 1);
    minimum_ = minimum;
    maximum_ = maximum;
    // Overlays follow the range (a range set while the chart draws is followed there).
    if (!chart_.refreshing_)
        chart_.Changed();
}

double TChartAxis::Minimum() const
{
    chart_.Refresh();
    return minimum_;
}

double TChartAxis::Maximum() const
{
    chart_.Refresh();
    return maximum_;
}

TChartAxis::TLine TChartAxis::Line() const
{
    const QRectF area = chart_.PlotAreaF();
    return LineOver(area);
}

TChartAxis::TLine TChartAxis::LineOver(const QRectF& area) const
{
    TLine line;
    line.From = Horizontal() ? area.left() : area.top();
    line.Length = Horizontal() ? area.width() : area.height();
    // The range as drawn: an axis set to no length is drawn one unit long.
    line.Minimum = axis_->min();
    line.Span = axis_->max() - line.Minimum;
    // Values grow to the right and upwards unless the axis is inverted.
    line.Flipped = Horizontal() == Inverted();
    return line;
}

double TChartAxis::Position(const TLine& line, double value)
{
    const double t = line.Span != 0 ? (value - line.Minimum) / line.Span : 0;
    return line.From + (line.Flipped ? 1 - t : t) * line.Length;
}

double TChartAxis::CalcPosPoint(int pixel) const
{
    const TLine line = Line();
    if (line.Length <= 0)
        return line.Minimum;
    const double t = (pixel - line.From) / line.Length;
    return line.Minimum + (line.Flipped ? 1 - t : t) * line.Span;
}

int TChartAxis::CalcPosValue(double value) const
{
    const double pixel = std::round(Position(Line(), value));
    if (!(pixel > INT_MIN && pixel < INT_MAX))
        return pixel > 0 ? INT_MAX : INT_MIN;
    return static_cast<int>(pixel);
}

QString TChartAxis::LabelValue(double value)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? "NAN" : value > 0 ? "INF" : "-INF";
    char text[400];
    std::snprintf(text, sizeof text, "%.3f", std::fabs(value));
    std::string digits(text);
    const std::size_t point = digits.find('.');
    std::string fraction = digits.substr(point + 1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    std::string result = GroupThousands(digits.substr(0, point));
    if (!fraction.empty())
        result += '.' + fraction;
    if (value < 0 && result != "0")
        result = '-' + result;
    return QString::fromStdString(result);
}

// ---------------------------------------------------------------------------------------
// TChart

TChart::TChart(QWidget* parent) : QChartView(new QChart, parent)
{
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    QChart* c = chart();
    c->setAnimationOptions(QChart::NoAnimation);
    c->setBackgroundRoundness(0);
    // The chart's colour fills the whole panel.
    c->layout()->setContentsMargins(0, 0, 0, 0);
    c->setDropShadowEnabled(false);
    c->setBackgroundBrush(color_);
    c->setPlotAreaBackgroundBrush(backColor_);
    c->setPlotAreaBackgroundVisible(true);
    c->legend()->setAlignment(Qt::AlignRight);
    for (TAxisKind kind : {TAxisKind::Left, TAxisKind::Right, TAxisKind::Bottom, TAxisKind::Top}) {
        auto& axis = axes_[static_cast<std::size_t>(kind)];
        axis.reset(new TChartAxis(*this, kind));
        c->addAxis(axis->axis_, Alignment(kind));
        axis->SetMinMax(0, 1);
        axis->automatic_ = true;
    }
    connect(c, &QChart::plotAreaChanged, this, &TChart::PlotAreaChanged);
    // Any change of the chart's own items makes the kept picture old.
    connect(scene(), &QGraphicsScene::changed, this, [this] { keptValid_ = false; });
    Changed();
}

TChart::~TChart()
{
    // The chart's own items go after this object's members: they must not call back.
    disconnect(chart(), nullptr, this, nullptr);
}

TChartSeries& TChart::AddSeries(TSeriesKind kind, const QString& title)
{
    auto entry = std::make_unique<TSeriesEntry>(kind, title);
    entry->Drawn = new QLineSeries;
    chart()->addSeries(entry->Drawn);
    TSeriesEntry* e = entry.get();
    e->Model.OnChange = [this, e] {
        e->Dirty = true;
        Changed();
    };
    series_.push_back(std::move(entry));
    e->Model.OnChange();
    return e->Model;
}

QString TChart::Title() const
{
    return chart()->title();
}

void TChart::SetTitle(const QString& title)
{
    chart()->setTitle(title);
}

bool TChart::LegendVisible() const
{
    return chart()->legend()->isVisible();
}

void TChart::SetLegendVisible(bool visible)
{
    chart()->legend()->setVisible(visible);
}

void TChart::SetColor(const QColor& color)
{
    color_ = color;
    chart()->setBackgroundBrush(color);
}

void TChart::SetBackColor(const QColor& color)
{
    backColor_ = color;
    PlotAreaChanged(chart()->plotArea());
}

void TChart::SetBackImage(const QImage& image)
{
    backImage_ = image;
    scaledBackImage_ = QImage();
    if (backItem_)
        backItem_->setPixmap(QPixmap());
    PlotAreaChanged(chart()->plotArea());
}

void TChart::PlotAreaChanged(const QRectF& area)
{
    keptValid_ = false;
    chart()->setPlotAreaBackgroundBrush(backColor_);
    for (auto& entry : series_)
        if (entry->Model.Overlay() && !entry->Dirty)
            SyncOverlay(*entry);
    const QSize size = area.size().toSize();
    if (backImage_.isNull() || size.isEmpty()) {
        if (backItem_)
            backItem_->hide();
        return;
    }
    if (!backItem_) {
        backItem_ = new QGraphicsPixmapItem(chart());
        // Above the plot area's colour (z 0), below the shades, grid, axes and series.
        backItem_->setZValue(0.5);
        backItem_->setShapeMode(QGraphicsPixmapItem::BoundingRectShape);
        backItem_->setAcceptedMouseButtons(Qt::NoButton);
    }
    if (scaledBackImage_.size() != size || backItem_->pixmap().isNull()) {
        scaledBackImage_ = backImage_.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        backItem_->setPixmap(QPixmap::fromImage(scaledBackImage_));
    }
    backItem_->setPos(area.topLeft());
    backItem_->show();
}

void TChart::Changed()
{
    dirty_ = true;
    if (refreshQueued_)
        return;
    refreshQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshQueued_ = false;
            Refresh();
        },
        Qt::QueuedConnection);
}

void TChart::Refresh()
{
    if (!dirty_)
        return;
    dirty_ = false;
    refreshing_ = true;
    for (auto& entry : series_)
        if (entry->Dirty)
            SyncSeries(*entry);
    SyncAxes();
    // The overlays follow the ranges just set.
    for (auto& entry : series_)
        if (entry->Model.Overlay())
            SyncOverlay(*entry);
    refreshing_ = false;
}

void TChart::SyncSeries(TSeriesEntry& entry)
{
    entry.Dirty = false;
    const TChartSeries& model = entry.Model;
    QLineSeries* drawn = entry.Drawn;
    QList<QPointF> points;
    points.reserve(model.Count());
    QHash<int, QHash<QXYSeries::PointConfiguration, QVariant>> colours;
    for (int i = 0; i < model.Count(); ++i) {
        const TChartPoint& p = model.Point(i);
        if (!std::isfinite(p.X) || !std::isfinite(p.Y))
            continue;
        if (p.Color.isValid() && p.Color != model.Color())
            colours[static_cast<int>(points.size())][QXYSeries::PointConfiguration::Color] =
                p.Color;
        points.append(QPointF(p.X, p.Y));
    }
    drawn->setVisible(!model.Overlay());
    if (model.Overlay()) {
        // Drawn by the chart itself: the series of the chart library stays empty.
        for (QLegendMarker* marker : chart()->legend()->markers(drawn))
            marker->setVisible(false);
        if (drawn->count() > 0)
            drawn->clear();
        SyncOverlay(entry);
        return;
    }
    keptValid_ = false;
    if (!entry.OverlayBounds.isEmpty()) {
        viewport()->update(entry.OverlayBounds.toAlignedRect());
        entry.OverlayLines.clear();
        entry.OverlayBounds = QRectF();
    }
    drawn->setName(model.Title());
    QPen pen(model.Color());
    pen.setWidth(model.LineWidth());
    drawn->setPen(pen);
    drawn->setPointsVisible(model.PointsVisible());
    drawn->setPointLabelsFormat("@yPoint");
    drawn->setPointLabelsVisible(model.MarksVisible());
    drawn->setPointLabelsClipping(false);
    if (!drawn->pointsConfiguration().isEmpty() || !colours.isEmpty())
        drawn->setPointsConfiguration(colours);
    drawn->replace(points);

    QValueAxis* horizontal = Axis(model.HorizontalAxis()).axis_;
    QValueAxis* vertical = Axis(model.VerticalAxis()).axis_;
    for (QAbstractAxis* axis : drawn->attachedAxes())
        if (axis != horizontal && axis != vertical)
            drawn->detachAxis(axis);
    const QList<QAbstractAxis*> attached = drawn->attachedAxes();
    if (!attached.contains(horizontal))
        drawn->attachAxis(horizontal);
    if (!attached.contains(vertical))
        drawn->attachAxis(vertical);
    for (QLegendMarker* marker : chart()->legend()->markers(drawn))
        marker->setVisible(model.ShowInLegend());
}

void TChart::SyncOverlay(TSeriesEntry& entry)
{
    // The plot area in pixels of the view, as it is now (the chart is being laid out or
    // refreshed: no layout is asked for here).
    const QRectF area = viewportTransform().mapRect(chart()->mapRectToScene(chart()->plotArea()));
    const TChartSeries& model = entry.Model;
    const TChartAxis::TLine h = Axis(model.HorizontalAxis()).LineOver(area);
    const TChartAxis::TLine v = Axis(model.VerticalAxis()).LineOver(area);
    std::vector<QLineF> lines;
    QRectF bounds;
    bool have = false;
    QPointF last;
    const double margin = model.LineWidth() + 1;
    for (int i = 0; i < model.Count(); ++i) {
        const TChartPoint& p = model.Point(i);
        if (!std::isfinite(p.X) || !std::isfinite(p.Y)) {
            have = false;
            continue;
        }
        const QPointF at(TChartAxis::Position(h, p.X), TChartAxis::Position(v, p.Y));
        if (have) {
            lines.emplace_back(last, at);
            bounds |= QRectF(last, at).normalized().adjusted(-margin, -margin, margin, margin);
        }
        last = at;
        have = true;
    }
    bounds = bounds.intersected(area);
    if (lines == entry.OverlayLines && bounds == entry.OverlayBounds)
        return;
    QRegion changed = entry.OverlayBounds.toAlignedRect();
    changed += bounds.toAlignedRect();
    entry.OverlayLines = std::move(lines);
    entry.OverlayBounds = bounds;
    // Every pixel of the view is drawn from the kept picture: nothing to clear first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    overlayRegion_ += changed;
    viewport()->update(changed);
}

bool TChart::HasOverlays() const
{
    return std::any_of(series_.begin(), series_.end(),
                       [](const auto& e) { return e->Model.Overlay(); });
}

void TChart::paintEvent(QPaintEvent* event)
{
    if (!HasOverlays()) {
        QChartView::paintEvent(event);
        return;
    }
    const qreal ratio = viewport()->devicePixelRatioF();
    const QSize size = viewport()->size() * ratio;
    if (!(event->region() - overlayRegion_).isEmpty())
        keptValid_ = false;
    overlayRegion_ = QRegion();
    if (!keptValid_ || kept_.size() != size) {
        kept_ = QImage(size, QImage::Format_RGB32);
        kept_.setDevicePixelRatio(ratio);
        kept_.fill(color_);
        QPainter painter(&kept_);
        render(&painter, QRectF(QPointF(0, 0), viewport()->size()), viewport()->rect());
        keptValid_ = true;
    }
    // The kept picture rectangle by rectangle (plain copies), then the overlays: straight
    // lines along the axes as filled rectangles, others as lines, inside the plot area.
    QPainter painter(viewport());
    // The kept pixels replace what is there: a plain copy, in bands of a few rows (the
    // raster engine hands copies of many rows to worker threads, whose waking costs more
    // than copying a crosshair's strip here).
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    constexpr int kBand = 48;
    for (const QRect& r : event->region())
        for (int top = r.top(); top <= r.bottom(); top += kBand) {
            const QRect band(r.left(), top, r.width(), std::min(kBand, r.bottom() + 1 - top));
            painter.drawImage(band.topLeft(), kept_,
                              QRect((QPointF(band.topLeft()) * ratio).toPoint(),
                                    QSizeF(band.size() * ratio).toSize()));
        }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRectF area = viewportTransform().mapRect(chart()->mapRectToScene(chart()->plotArea()));
    painter.setClipRect(area);
    for (const auto& entry : series_) {
        const TChartSeries& model = entry->Model;
        if (!model.Overlay())
            continue;
        const int width = model.LineWidth();
        QPen pen(model.Color());
        pen.setWidth(width);
        painter.setPen(pen);
        for (const QLineF& line : entry->OverlayLines) {
            const QPointF a = line.p1();
            const QPointF b = line.p2();
            if (a.x() == b.x() || a.y() == b.y()) {
                const QRectF span = QRectF(a, b).normalized();
                const double x = std::round(span.left() - (a.x() == b.x() ? width / 2.0 : 0));
                const double y = std::round(span.top() - (a.y() == b.y() ? width / 2.0 : 0));
                const double w = a.x() == b.x() ? width : std::round(span.width());
                const double hgt = a.y() == b.y() ? width : std::round(span.height());
                painter.fillRect(QRectF(x, y, w, hgt).intersected(area), model.Color());
            } else {
                painter.drawLine(line);
            }
        }
    }
}

void TChart::resizeEvent(QResizeEvent* event)
{
    keptValid_ = false;
    QChartView::resizeEvent(event);
}

bool TChart::AxisInUse(TAxisKind kind) const
{
    if (series_.empty())
        return kind == TAxisKind::Left || kind == TAxisKind::Bottom;
    return std::any_of(series_.begin(), series_.end(), [kind](const auto& e) {
        return e->Model.VerticalAxis() == kind || e->Model.HorizontalAxis() == kind;
    });
}

void TChart::SyncAxes()
{
    for (auto& axis : axes_) {
        axis->axis_->setVisible(axis->Visible() && AxisInUse(axis->Kind()));
        if (axis->Automatic())
            AutomaticRange(*axis);
    }
}

void TChart::AutomaticRange(TChartAxis& axis)
{
    bool any = false;
    double minimum = 0;
    double maximum = 1;
    for (const auto& entry : series_) {
        const TChartSeries& s = entry->Model;
        if (s.VerticalAxis() != axis.Kind() && s.HorizontalAxis() != axis.Kind())
            continue;
        double low = 0;
        double high = 0;
        if (!(axis.Horizontal() ? s.XRange(low, high) : s.YRange(low, high)))
            continue;
        minimum = any ? std::min(minimum, low) : low;
        maximum = any ? std::max(maximum, high) : high;
        any = true;
    }
    if (any && minimum == maximum) {
        minimum -= 1;
        maximum += 1;
    }
    axis.SetMinMax(minimum, maximum);
    axis.automatic_ = true;
}

void TChart::Settle()
{
    Refresh();
    // A chart that has not been shown has not yet been given its size.
    const QSizeF size(this->size());
    if (chart()->size() != size) {
        chart()->resize(size);
        scene()->setSceneRect(QRectF(QPointF(0, 0), size));
    }
    if (QGraphicsLayout* layout = chart()->layout())
        layout->activate();
}

QRectF TChart::PlotAreaF()
{
    Settle();
    const QRectF area = chart()->plotArea();
    return viewportTransform().mapRect(chart()->mapRectToScene(area));
}

bool SaveImageAsBmp(const QImage& image, const QString& path)
{
    // Encoded in memory and written through the platform's files, which open only regular
    // files and never wait on a FIFO.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "BMP"))
        return false;
    platform::File file;
    if (!file.Open(QFile::encodeName(path).toStdString(), platform::File::Mode::CreateReplace))
        return false;
    const bool written = file.Write(bytes.constData(), bytes.size());
    return file.Close() && written;
}

QRect TChart::PlotArea()
{
    return PlotAreaF().toAlignedRect();
}

bool TChart::SaveToBitmapFile(const QString& path)
{
    Settle();
    const QImage image = grab().toImage().convertToFormat(QImage::Format_RGB32);
    return !image.isNull() && SaveImageAsBmp(image, path);
}

void TChart::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    emit MouseMove(event->modifiers(), p.x(), p.y());
    QChartView::mouseMoveEvent(event);
}

void TChart::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    emit MouseDown(event->button(), event->modifiers(), p.x(), p.y());
    QChartView::mousePressEvent(event);
}

} // namespace charts
