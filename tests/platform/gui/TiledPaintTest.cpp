#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>
#include <functional>
#include <memory>
#include <string>

#include "platform/gui/TiledPaint.h"

using namespace platform;

namespace {

QImage Pixels(QWidget* w, const QRect& part = QRect())
{
    return w->grab(part.isNull() ? QRect(QPoint(0, 0), w->size()) : part).toImage();
}

// Two main windows, one with Qt's tool bars and one with the tiled ones, built alike.
struct TToolBarPair {
    QMainWindow plain, tiled;
    std::vector<QToolBar*> plainBars, tiledBars;
};

void Fill(QMainWindow& window, std::vector<QToolBar*>& bars, QToolBar* bar, bool movable, int buttons)
{
    bar->setMovable(movable);
    for (int i = 0; i < buttons; ++i)
        bar->addAction(QString("Item %1").arg(i));
    window.addToolBar(bar);
    bars.push_back(bar);
}

}  // namespace

// The tiled tool bars give Qt's picture pixel for pixel: one bar or two in a line, fixed or
// movable (with its handle), narrow or much wider than a tile, whole or partly repainted.
TEST(TiledPaintTest, ToolBarsPaintAsQtsOwn)
{
    struct Case {
        const char* name;
        int width, bars, buttons;
        bool movable;
    } cases[] = {
        {"one narrow bar", 140, 1, 1, false},
        {"one wide bar", 900, 1, 4, false},
        {"two bars in a line", 1000, 2, 3, false},
        {"movable bars", 700, 2, 2, true},
    };
    for (const Case& c : cases) {
        TToolBarPair pair;
        for (int b = 0; b < c.bars; ++b) {
            Fill(pair.plain, pair.plainBars, new QToolBar("bar", &pair.plain), c.movable, c.buttons);
            Fill(pair.tiled, pair.tiledBars, new TTiledToolBar("bar", &pair.tiled), c.movable, c.buttons);
        }
        for (QMainWindow* w : {&pair.plain, &pair.tiled}) {
            w->setCentralWidget(new QLabel("centre"));
            w->resize(c.width, 300);
            w->show();
        }
        QApplication::processEvents();
        for (int b = 0; b < c.bars; ++b) {
            SCOPED_TRACE(std::string(c.name) + ", bar " + std::to_string(b));
            QToolBar* plain = pair.plainBars[b];
            QToolBar* tiled = pair.tiledBars[b];
            ASSERT_EQ(plain->geometry(), tiled->geometry());
            ASSERT_GT(plain->width(), 0);
            EXPECT_EQ(Pixels(plain), Pixels(tiled));
            const QRect part(plain->width() / 3, 1, plain->width() / 2, plain->height() - 2);
            EXPECT_EQ(Pixels(plain, part), Pixels(tiled, part));
        }
    }
}

// The page control's pane frame and the group box's frame and title, in the sizes of small
// and large windows, plain, flat and checkable, whole and partly repainted.
TEST(TiledPaintTest, PageControlsAndGroupBoxesPaintAsQtsOwn)
{
    const QSize sizes[] = {{60, 40}, {237, 389}, {700, 500}};
    for (const QSize& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        QTabWidget plainTabs;
        TTiledTabWidget tiledTabs;
        for (QTabWidget* t : {&plainTabs, static_cast<QTabWidget*>(&tiledTabs)}) {
            t->addTab(new QWidget, "General");
            t->addTab(new QWidget, "3D View");
            t->resize(size);
            t->show();
        }
        struct Box {
            bool flat, checkable;
            const char* title;
        } boxes[] = {{false, false, " Light "}, {true, false, " Light "}, {false, true, " Light "}, {false, false, ""}};
        std::vector<std::unique_ptr<QGroupBox>> plainBoxes, tiledBoxes;
        for (const Box& b : boxes) {
            plainBoxes.push_back(std::make_unique<QGroupBox>(b.title));
            tiledBoxes.push_back(std::make_unique<TTiledGroupBox>(b.title));
            for (QGroupBox* g : {plainBoxes.back().get(), tiledBoxes.back().get()}) {
                g->setFlat(b.flat);
                g->setCheckable(b.checkable);
                g->resize(size);
                g->show();
            }
        }
        QApplication::processEvents();
        const QRect part(size.width() / 4, size.height() / 5, size.width() / 2, size.height() / 2);
        EXPECT_EQ(Pixels(&plainTabs), Pixels(&tiledTabs));
        EXPECT_EQ(Pixels(&plainTabs, part), Pixels(&tiledTabs, part));
        for (std::size_t i = 0; i < plainBoxes.size(); ++i) {
            SCOPED_TRACE("group box " + std::to_string(i));
            EXPECT_EQ(Pixels(plainBoxes[i].get()), Pixels(tiledBoxes[i].get()));
            EXPECT_EQ(Pixels(plainBoxes[i].get(), part), Pixels(tiledBoxes[i].get(), part));
        }
    }
}

// Every pixel of the repainted part of the area is painted once, in pieces no wider than a
// tile along the top and bottom strips and no higher than one elsewhere, and only the pieces
// that meet that part are painted: tiled wholly, in strips and bands, or in bands alone.
TEST(TiledPaintTest, PiecesCoverTheRepaintedPartOnce)
{
    const QRect area(10, 5, 250, 210);
    struct Case {
        int edge;
        QRect part;
        int passes;
    } cases[] = {
        {105, area, 3 * 3},                 // 250 × 210 in tiles of 95
        {105, QRect(90, 70, 40, 20), 2},    // across the tile edge at x = 10 + 95
        {105, QRect(0, 0, 400, 300), 3 * 3}, // more than the area
        {105, QRect(270, 0, 20, 20), 0},    // beside it
        {10, area, 3 + 2},                  // three columns of strips, two bands of 95 rows
        {10, QRect(20, 40, 50, 30), 1},      // within the first band
        {10, QRect(20, 100, 50, 30), 2},     // across the bands at y = 15 + 95
        {10, QRect(20, 5, 50, 5), 1},        // within the first column's top strip
        {0, area, 3},                       // bands of 95, 95 and 20 rows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("edge " + std::to_string(c.edge) + ", part at " + std::to_string(c.part.x()) + "," +
                     std::to_string(c.part.y()));
        QImage image(300, 240, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setCompositionMode(QPainter::CompositionMode_Plus);
        int passes = 0;
        PaintInTiles(p, area, c.part, c.edge, [&] {
            ++passes;
            for (const QRect& piece : p.clipRegion()) {
                const bool inStrip = piece.top() < area.top() + c.edge || piece.bottom() > area.bottom() - c.edge;
                if (inStrip) {
                    EXPECT_LE(piece.width(), PaintTileSide);
                }
                EXPECT_LE(piece.height(), PaintTileSide);
            }
            p.fillRect(area, QColor(1, 0, 0, 1));
        });
        p.end();
        EXPECT_EQ(passes, c.passes);
        const QRect painted = area & c.part;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_EQ(qAlpha(image.pixel(x, y)), painted.contains(x, y) ? 1 : 0) << x << "," << y;
    }
}
