#include "tools/Bookmark.h"

#include <algorithm>

#include "data/Spmdata.h"
#include "data/Surfacedata.h"
#include "platform/core/Text.h"
#include "processing/Profile.h"
#include "tools/Profile.h"

// ---------------------------------------------------------------------------------
// TMark

TMark::TMark(TProfileForm* owner, int graph, int pointIndex, int dx, int dy, int width,
             int height, const std::string& xLabel, const std::string& zLabel)
    : XLabel(xLabel), ZLabel(zLabel), BoxWidth(static_cast<std::int16_t>(width)),
      BoxHeight(static_cast<std::int16_t>(height)), PointIndex(pointIndex), Owner(owner)
{
    PlacePin(graph);
    MoveBy(static_cast<std::int16_t>(dx), static_cast<std::int16_t>(dy));
}

void TMark::PlacePin(int graph)
{
    const int h = Owner->WorkBitmap->Height();
    const int area = h - Owner->MarginBottom - 40;
    PinX = static_cast<std::int16_t>(
        processing::PixelCoordinate(Owner->MarginLeft + PointIndex * Owner->PixelsPerPoint));
    PinY = static_cast<std::int16_t>(processing::PixelCoordinate(
        h - Owner->MarginBottom - Owner->GraphValue(graph, PointIndex) * area / Owner->GraphSpan(graph)));
}

void TMark::MoveBy(std::int16_t dx, std::int16_t dy)
{
    const platform::TBitmap* picture = Owner->WorkBitmap.get();
    const processing::TBoxOffset moved =
        processing::MoveBoxInside({OffsetX, OffsetY}, dx, dy, PinX, PinY, BoxWidth, BoxHeight,
                                  picture->Width(), picture->Height());
    OffsetX = static_cast<std::int16_t>(std::clamp(moved.X, -32768, 32767));
    OffsetY = static_cast<std::int16_t>(std::clamp(moved.Y, -32768, 32767));
}

void TMark::Draw(platform::TCanvas* canvas, int graph)
{
    PlacePin(graph);
    BoxLeft = static_cast<std::int16_t>(PinX + OffsetX);
    BoxBottom = static_cast<std::int16_t>(PinY + OffsetY);
    BoxRight = static_cast<std::int16_t>(BoxLeft + BoxWidth);
    BoxTop = static_cast<std::int16_t>(BoxBottom - BoxHeight);

    canvas->Brush.Style = platform::bsSolid;
    canvas->Brush.Color = platform::clYellow;
    canvas->Pen.Color = platform::clRed;
    canvas->Pen.Mode = platform::pmCopy;
    canvas->MoveTo(PinX, PinY);
    canvas->LineTo(BoxLeft, BoxBottom - 1);
    canvas->Pen.Color = Owner->GraphColor[std::size_t(graph)];
    canvas->Rectangle(BoxLeft, BoxTop, BoxRight, BoxBottom);
    canvas->TextOut(BoxLeft + 2, BoxTop + 1, XLabel);
    canvas->TextOut(BoxLeft + 2, BoxTop - canvas->Font.Height + 1, ZLabel);
    canvas->Brush.Color = platform::clWhite;
}

bool TMark::Contains(int x, int y) const
{
    return BoxLeft < x && x < BoxRight && BoxTop < y && y < BoxBottom;
}

// ---------------------------------------------------------------------------------
// TBookmarks

TBookmarks::TBookmarks(int graph, TProfileForm* owner, platform::TCanvas* canvas)
    : Graph(graph), Canvas(canvas), Owner(owner)
{
}

TBookmarks::~TBookmarks() = default;

std::string TBookmarks::ZLabelOf(int i) const
{
    const std::size_t g = std::size_t(Graph);
    if (i < 0 || std::size_t(i) >= Owner->Buffer[g].size())
        return "";
    const TSPMData* channel = Owner->GraphChannel[g];
    const double zScale = channel ? channel->Header.ZScale : 0;
    const std::string unit =
        channel ? FieldText(channel->Header.ZUnit, sizeof channel->Header.ZUnit) : "";
    return platform::FormatText("z=%.1f%s",
                                (double(Owner->Buffer[g][std::size_t(i)]) + Owner->Offset[g]) * zScale,
                                unit.c_str());
}

int TBookmarks::Add(int pointIndex)
{
    const std::string unit =
        Owner->DataSet ? FieldText(Owner->DataSet->GetXYUnit(), sizeof TChannelHeader{}.XYUnit) : "";
    const std::string xLabel =
        platform::FormatText("x=%.1f%s", pointIndex * Owner->LengthPerPoint, unit.c_str());
    const std::string zLabel = ZLabelOf(pointIndex);
    const std::size_t longer = std::max(xLabel.size(), zLabel.size());
    const int width = 7 * int(longer);
    const int height = 5 - 2 * Canvas->Font.Height;
    marks_.push_back(std::make_unique<TMark>(Owner, Graph, pointIndex, 10, -10, width, height,
                                             xLabel, zLabel));
    return Count() - 1;
}

void TBookmarks::DrawMark(int index)
{
    if (index >= 0 && index < Count())
        Items(index)->Draw(Canvas, Graph);
}

void TBookmarks::DrawAll()
{
    for (const auto& mark : marks_)
        mark->Draw(Canvas, Graph);
}

bool TBookmarks::HitTest(platform::TMouseButton, int x, int y)
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Contains(x, y)) {
            HitIndex = i;
            LastX = x;
            LastY = y;
            return true;
        }
    return false;
}

void TBookmarks::DragTo(int x, int y)
{
    if (HitIndex < 0 || HitIndex >= Count())
        return;
    Items(HitIndex)->MoveBy(static_cast<std::int16_t>(std::clamp(x - LastX, -32768, 32767)),
                            static_cast<std::int16_t>(std::clamp(y - LastY, -32768, 32767)));
    LastX = x;
    LastY = y;
}

bool TBookmarks::DeleteAt(int x, int y)
{
    for (int i = Count() - 1; i >= 0; --i)
        if (Items(i)->Contains(x, y)) {
            marks_.erase(marks_.begin() + i);
            if (HitIndex >= Count())
                HitIndex = -1;
            return true;
        }
    return false;
}

void TBookmarks::ClearAll()
{
    marks_.clear();
    HitIndex = -1;
}

void TBookmarks::Relabel()
{
    for (const auto& mark : marks_) {
        mark->ZLabel = ZLabelOf(mark->PointIndex);
        mark->Draw(Canvas, Graph);
    }
}
