#pragma once
// A framed plot composed in the display buffer on every paint: a bevel, margins, a main
// title, four axes (left, bottom, top, right) each with a title, value labels, tick marks
// and grid lines, and a work area filled with a background colour and a brush; inside it
// the graph area, into which a derived class draws its data or the frame copies a bitmap
// with one transparent colour.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/ZtBufferedImage.h"
#include "components/ZtChartAxis.h"
#include "components/ZtChartClasses.h"
#include "platform/gui/GraphicsObjects.h"

//! The look of a bevel.
enum TBevelCut : std::uint8_t { bvNone = 0, bvLowered = 1, bvRaised = 2, bvSpace = 3 };

class TZtAxisImage : public TZtBufferedImage {
    Q_OBJECT
public:
    //! One value label: its value, its text and the size of its text turned by the labels'
    //! angle.
    struct TZtChartLabelsInfo {
        double Value = 0;
        std::string Text;
        platform::TSize Size;
    };

    //! 400 × 250 pixels; every axis hidden, so a new frame shows its bevel and work area.
    explicit TZtAxisImage(QWidget* owner = nullptr);
    ~TZtAxisImage() override;

    //! The fill of the work area (solid, clBtnFace at start; owned).
    platform::TBrushObject* Brush() const { return brush_.get(); }
    //! Adopts the brush (freeing the one held) and repaints; null is ignored.
    void SetBrush(std::unique_ptr<platform::TBrushObject> Value);
    //! The outline of the work area and the frame sides of hidden axes (owned).
    platform::TPenObject* BorderPen() const { return borderPen_.get(); }
    //! Adopts the pen (freeing the one held) and repaints; null is ignored.
    void SetBorderPen(std::unique_ptr<platform::TPenObject> Value);
    //! The solid fill under a brush that is not solid.
    platform::TColor BackgroundColor() const { return backgroundColor_; }
    void SetBackgroundColor(platform::TColor Value) { SetAndChange(backgroundColor_, Value); }

    TZtChartAxis* LeftAxis() const { return leftAxis_.get(); }
    TZtChartAxis* BottomAxis() const { return bottomAxis_.get(); }
    TZtChartAxis* TopAxis() const { return topAxis_.get(); }
    TZtChartAxis* RightAxis() const { return rightAxis_.get(); }
    //! The axis held copies Value (unless it is that axis).
    void SetLeftAxis(const TZtChartAxis* Value) { platform::AssignUnlessHeld(*leftAxis_, Value); }
    void SetBottomAxis(const TZtChartAxis* Value)
    {
        platform::AssignUnlessHeld(*bottomAxis_, Value);
    }
    void SetTopAxis(const TZtChartAxis* Value) { platform::AssignUnlessHeld(*topAxis_, Value); }
    void SetRightAxis(const TZtChartAxis* Value) { platform::AssignUnlessHeld(*rightAxis_, Value); }

    TBevelCut BevelOuter() const { return bevelOuter_; }
    TBevelCut BevelInner() const { return bevelInner_; }
    //! Line width of each bevel in pixels.
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelOuter(TBevelCut Value) { SetAndChange(bevelOuter_, Value); }
    void SetBevelInner(TBevelCut Value) { SetAndChange(bevelInner_, Value); }
    void SetBevelWidth(int Value) { SetAndChange(bevelWidth_, Value); }
    //! Pixels between the bevel and the content.
    int LeftMargin() const { return leftMargin_; }
    int TopMargin() const { return topMargin_; }
    int RightMargin() const { return rightMargin_; }
    int BottomMargin() const { return bottomMargin_; }
    void SetLeftMargin(int Value) { SetAndChange(leftMargin_, Value); }
    void SetTopMargin(int Value) { SetAndChange(topMargin_, Value); }
    void SetRightMargin(int Value) { SetAndChange(rightMargin_, Value); }
    void SetBottomMargin(int Value) { SetAndChange(bottomMargin_, Value); }

    //! The main title above everything.
    TZtChartTitle* Title() const { return title_.get(); }
    //! The title held copies Value (unless it is that title).
    void SetTitle(const TZtChartTitle* Value) { platform::AssignUnlessHeld(*title_, Value); }

    //! The colour of GraphicBitmap through which the work area shows.
    platform::TColor GraphicTransparentColor() const { return graphicTransparentColor_; }
    void SetGraphicTransparentColor(platform::TColor Value)
    {
        SetAndChange(graphicTransparentColor_, Value);
    }
    //! The picture copied into the graph area; the frame only watches it (null once it is
    //! gone). Drawing into it repaints the frame.
    std::shared_ptr<platform::TBitmap> GraphicBitmap() const { return graphicBitmap_.lock(); }
    //! Watches Value from now on and repaints; null, or the bitmap watched, is ignored.
    void SetGraphicBitmap(const std::shared_ptr<platform::TBitmap>& Value);
    //! Fired before GraphicBitmap is copied; the handler may draw into it.
    platform::TNotifyEvent OnPrepareGraphicBitmap;

    //! The room left after the bevel, margins and titles (recomputed on each paint).
    platform::TRect WorkRect() const { return work_; }
    //! The inside of the work area's border, where data is drawn (recomputed on each paint).
    platform::TRect GraphRect() const { return graph_; }

    //! Composes the whole frame in Bitmap: the buffered image's preparation (tiled when the
    //! mode was bdmSimple), then the automatic scaling, bevel, titles, axes and work area.
    void PrepareDisplayedBitmap(platform::TBitmap* Bitmap) override;
    //! Draws the graph area's content: GraphicBitmap stretched into the graph rectangle,
    //! its transparent colour replaced by the canvas's brush.
    virtual void DrawGraphic(platform::TBitmap* Bitmap);
    //! Sets axis ranges from data before each composition (nothing here).
    virtual void DoAutoScale();
    //! Lays out and draws the axes, the work area and the graph.
    virtual void DrawAxis(platform::TBitmap* Bitmap);

    //! Draws the outer and inner bevel on the work rectangle and shrinks it by the bevels
    //! and the margins.
    void DrawBevel(platform::TBitmap* Bitmap);
    //! The two colours of a bevel: shadow over highlight for bvLowered, else highlight over
    //! shadow.
    void AdjustBevelColors(TBevelCut Bevel, platform::TColor& TopLeft,
                           platform::TColor& BottomRight);
    //! Draws the main title and the four axis titles and shrinks the work rectangle.
    void DrawTitles(platform::TBitmap* Bitmap);
    //! Outlines R (less half the border pen) and fills it with the brush, then DrawGraphic;
    //! with a Background only DrawGraphic.
    void DrawWorkArea(platform::TBitmap* Bitmap, platform::TRect R);
    //! The decimals a value needs, at most MaxDigits: 0 for a whole number, else the first
    //! i whose Value × 10^i is whole (products beyond 32 bits never count as whole).
    static int CalcPrecision(double Value, int MaxDigits);
    //! Computes the value labels of an axis into List (values from Min up to Max in steps
    //! of the label step, equal neighbouring texts once; at most 10,000 steps) with their
    //! sizes, in the labels' font. Count is their number; MaxWidth and MaxHeight the largest
    //! size when there are labels, else left as they are.
    void GetAxisLabelSizes(platform::TBitmap* Bitmap, TZtChartAxis* Axis,
                           std::vector<TZtChartLabelsInfo>& List, int& Count, int& MaxWidth,
                           int& MaxHeight);
    //! Draws the labels (between From and To across), grid lines and ticks (from Line) of a
    //! vertical axis; First for the left axis.
    void DrawVertAxis(platform::TBitmap* Bitmap, TZtChartAxis* Axis,
                      std::vector<TZtChartLabelsInfo>& List, int From, int To, int Line,
                      bool First);
    //! The same for a horizontal axis; First for the bottom axis.
    void DrawHorizAxis(platform::TBitmap* Bitmap, TZtChartAxis* Axis,
                       std::vector<TZtChartLabelsInfo>& List, int From, int To, int Line,
                       bool First);

    //! Saves the display buffer (the last composed picture) as a BMP file; false when there
    //! is no picture yet or the file cannot be written.
    bool SaveToBitmapFile(const std::string& FileName);
    //! Dest becomes a copy of the display buffer; null is ignored.
    void SaveToBitmap(platform::TBitmap* Dest);

    //! The service text functions, on the frame.
    void CalcTextSize(platform::TCanvas* Canvas, platform::TSize& Size, int Angle,
                      const std::string& Text);
    void CalcTextPos(platform::TCanvas* Canvas, platform::TRect R, platform::TPoint& Pos, int Angle,
                     const std::string& Text, platform::TAlignment Align,
                     platform::TTextLayout Layout);
    void DrawAngleText(platform::TCanvas* Canvas, platform::TPoint Pos, int Angle,
                       const std::string& Text);
    void DrawTitleText(platform::TCanvas* Canvas, platform::TRect R, platform::TPoint Pos,
                       int Angle, const std::string& Text, platform::TAlignment Align,
                       platform::TTextLayout Layout);

    //! Also gives the display buffer the control's size.
    void Loaded() override;
    //! The frame never sizes itself to a picture.
    void AdjustSize() override {}
    bool CanAutoSize(int&, int&) override { return true; }
    //! Gives the display buffer the control's size.
    virtual void Resize();

protected:
    void resizeEvent(QResizeEvent* event) override;

    //! The work rectangle while composing.
    platform::TRect work_;
    //! The graph rectangle while composing.
    platform::TRect graph_;

private:
    template <typename T> void SetAndChange(T& field, const T& value)
    {
        if (platform::ChangeField(field, value))
            Change(this);
    }
    std::unique_ptr<TZtChartAxis> NewAxis(bool vertical);
    //! Takes a settings object in place of the one held, bound to Change; null and the
    //! object held are ignored.
    template <typename T> void Adopt(std::unique_ptr<T>& held, std::unique_ptr<T> value);
    void DrawAxisMarks(platform::TBitmap* Bitmap, TZtChartAxis* Axis,
                       std::vector<TZtChartLabelsInfo>& List, int From, int To, int Line,
                       bool First, bool Vertical);

    std::unique_ptr<platform::TBrushObject> brush_;
    std::unique_ptr<platform::TPenObject> borderPen_;
    platform::TColor backgroundColor_ = platform::clBtnFace;
    std::unique_ptr<TZtChartAxis> leftAxis_;
    std::unique_ptr<TZtChartAxis> bottomAxis_;
    std::unique_ptr<TZtChartAxis> topAxis_;
    std::unique_ptr<TZtChartAxis> rightAxis_;
    TBevelCut bevelOuter_ = bvRaised;
    TBevelCut bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    int leftMargin_ = 3;
    int topMargin_ = 7;
    int rightMargin_ = 2;
    int bottomMargin_ = 3;
    std::unique_ptr<TZtChartTitle> title_;
    platform::TColor graphicTransparentColor_ = platform::clWhite;
    std::weak_ptr<platform::TBitmap> graphicBitmap_;
};
