#pragma once
// Painting in tiles. Qt's raster engine hands every blend of 96 spans or more (a line over
// 95 pixels, a picture stretched over 96 rows) to its thread pool and waits for it; on a
// window that paints once, as the main window does at start, starting and waking those
// threads costs more than the painting itself. Painted tile by tile, each blend stays below
// that size and runs where it is called, pixel for pixel the same picture.
//
// The frames that the main window paints at start paint this way: its tool bars and the
// view-layout window's page control and group boxes.

#include <QGroupBox>
#include <QTabWidget>
#include <QToolBar>
#include <functional>

class QPainter;
class QPaintEvent;

namespace platform {

//! The side of a tile in device pixels: a line or a picture within it blends fewer than the
//! 96 spans of a threaded blend.
constexpr int PaintTileSide = 95;

//! Runs `paint` once per piece of `area` (device-independent pixels of the painter) that
//! meets `region`'s bounding rectangle, with the painter's clip narrowed to that piece and
//! restored afterwards; `paint` draws the whole picture each time. Lines across the area may
//! lie within `edge` pixels of its top and of its bottom: there the pieces are at most one
//! tile wide (a column's piece of the top and of the bottom strip in one pass); between them
//! lie bands of the area's width, at most one tile high, where only pictures, fills and
//! lines down may be drawn. An `edge` of half the height or more tiles the whole area.
void PaintInTiles(QPainter& painter, const QRect& area, const QRect& region, int edge,
                  const std::function<void()>& paint);

//! A tool bar that paints its frame in tiles (see above); an expanded or floating one paints
//! as QToolBar does.
class TTiledToolBar : public QToolBar {
public:
    explicit TTiledToolBar(const QString& title, QWidget* owner = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

//! A page control that paints its pane frame in tiles; in document mode it paints as
//! QTabWidget does.
class TTiledTabWidget : public QTabWidget {
public:
    explicit TTiledTabWidget(QWidget* owner = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

//! A group box that paints its frame and title in tiles.
class TTiledGroupBox : public QGroupBox {
public:
    explicit TTiledGroupBox(const QString& title, QWidget* owner = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace platform
