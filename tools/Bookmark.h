#pragma once
// Bookmarks of the profile window: small yellow labels pinned to points of a graph, each
// with the point's distance along the profile and its value, joined to the point by a red
// leader. Each graph of a window has its own list; the user adds, drags and deletes them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/Canvas.h"
#include "platform/gui/Input.h"

class TProfileForm;

//! One bookmark of a graph.
class TMark {
public:
    //! A mark on point `pointIndex` of graph `graph` of the window, its box `width` ×
    //! `height` pixels; the pin is placed where the graph draws the point, then the box is
    //! moved by (dx, dy) from it.
    TMark(TProfileForm* owner, int graph, int pointIndex, int dx, int dy, int width, int height,
          const std::string& xLabel, const std::string& zLabel);

    //! Moves the box by (dx, dy), keeping it inside the graph picture (its left and top
    //! edges win when it is larger than the picture). The limits use the pin of the last
    //! drawing.
    void MoveBy(std::int16_t dx, std::int16_t dy);
    //! Draws the leader and the box with its two labels for graph g.
    void Draw(platform::TCanvas* canvas, int graph);
    //! Whether (x, y) lies strictly inside the box as last drawn.
    bool Contains(int x, int y) const;

    std::string XLabel;  //!< 8-bit
    std::string ZLabel;  //!< 8-bit
    std::int16_t OffsetX = 0;
    std::int16_t OffsetY = 0;
    std::int16_t BoxWidth = 0;
    std::int16_t BoxHeight = 0;
    std::int16_t BoxLeft = 0;
    std::int16_t BoxBottom = 0;
    std::int16_t BoxRight = 0;
    std::int16_t BoxTop = 0;
    std::int16_t PinX = 0;
    std::int16_t PinY = 0;
    std::int32_t PointIndex = 0;
    TProfileForm* Owner = nullptr;

private:
    //! Places the pin where graph g draws the point.
    void PlacePin(int graph);
};

//! The bookmarks of one graph of a profile window, in the order they were made.
class TBookmarks {
public:
    TBookmarks(int graph, TProfileForm* owner, platform::TCanvas* canvas);
    ~TBookmarks();
    TBookmarks(const TBookmarks&) = delete;
    TBookmarks& operator=(const TBookmarks&) = delete;

    //! A new mark at a point of the graph, its labels from the window's current values;
    //! its list index.
    int Add(int pointIndex);
    void DrawMark(int index);
    //! Every mark in list order (later ones over earlier ones).
    void DrawAll();
    //! The first mark whose box contains (x, y) becomes the one dragged: true. The button
    //! is not looked at.
    bool HitTest(platform::TMouseButton button, int x, int y);
    //! Moves the mark of the last hit by the way the mouse went since then.
    void DragTo(int x, int y);
    //! Deletes the last-made mark whose box contains (x, y): true; false when none does.
    bool DeleteAt(int x, int y);
    void ClearAll();
    //! Writes every z label again from the window's current offset and draws the marks.
    void Relabel();

    int Count() const { return static_cast<int>(marks_.size()); }
    TMark* Items(int index) const { return marks_[static_cast<std::size_t>(index)].get(); }

    std::int32_t Graph = 0;
    std::int32_t HitIndex = -1;
    std::int32_t LastX = 0;
    std::int32_t LastY = 0;
    platform::TCanvas* Canvas = nullptr;
    TProfileForm* Owner = nullptr;

private:
    //! "z=%.1f%s" of point i of the graph with the window's current offset.
    std::string ZLabelOf(int pointIndex) const;

    std::vector<std::unique_ptr<TMark>> marks_;
};
