#pragma once
// One axis of an axis frame: whether it is shown, its value range, its label step or label
// count, automatic scaling, the grid and axis-line pens, and its title, ticks and labels.

#include <memory>

#include "components/ZtChartClasses.h"

class TZtChartAxis : public TZtChartPart {
public:
    //! Owner: the frame whose update bracket Assign uses (may be null; not owned).
    explicit TZtChartAxis(TZtAxisImage* Owner = nullptr);

    //! The axis with its labels, ticks, grid and title is drawn.
    bool Visible() const { return visible_; }
    double Min() const { return min_; }
    double Max() const { return max_; }
    //! The label step while CountLabels is 0 or less; a negative step turns the axis over;
    //! 0: no labels, ticks or grid lines.
    double Frequency() const { return frequency_; }
    TZtChartTitle* Title() const { return title_.get(); }
    TZtChartTicks* Ticks() const { return ticks_.get(); }
    TZtChartLabels* Labels() const { return labels_.get(); }
    platform::TPenObject* GridPen() const { return gridPen_.get(); }
    bool GridVisible() const { return gridVisible_; }
    platform::TPenObject* AxisPen() const { return axisPen_.get(); }
    //! The axis's side of the graph frame is drawn with AxisPen (else the border pen).
    bool AxisVisible() const { return axisVisible_; }
    //! Min and Max follow the data before each drawing (a line chart's left and bottom axes).
    bool AutoScale() const { return autoScale_; }
    //! Greater than 0: that many labels spread evenly from Min to Max.
    int CountLabels() const { return countLabels_; }

    void SetVisible(bool Value) { SetPlain(visible_, Value); }
    void SetMin(double Value) { SetPlain(min_, Value); }
    void SetMax(double Value) { SetPlain(max_, Value); }
    void SetFrequency(double Value) { SetPlain(frequency_, Value); }
    //! The title, ticks, labels and pens copy Value (unless it is the object held).
    void SetTitle(const TZtChartTitle* Value) { platform::AssignUnlessHeld(*title_, Value); }
    void SetTicks(const TZtChartTicks* Value) { platform::AssignUnlessHeld(*ticks_, Value); }
    void SetLabels(const TZtChartLabels* Value) { platform::AssignUnlessHeld(*labels_, Value); }
    void SetGridPen(const platform::TPenObject* Value) { platform::CopyInto(*gridPen_, Value); }
    void SetGridVisible(bool Value) { SetPlain(gridVisible_, Value); }
    void SetAxisPen(const platform::TPenObject* Value) { platform::CopyInto(*axisPen_, Value); }
    void SetAxisVisible(bool Value) { SetPlain(axisVisible_, Value); }
    //! Switching it on notifies; switching it off does not.
    void SetAutoScale(bool Value);
    void SetCountLabels(int Value) { SetPlain(countLabels_, Value); }
    //! Writes Min and Max without a change notice (automatic scaling while drawing).
    void SetRangeSilently(double Min, double Max)
    {
        min_ = Min;
        max_ = Max;
    }

    //! Calls OnChange with the axis itself as Sender, whoever sent the change.
    void Change(const void* Sender) override;
    //! Copies the range, step, count, flags, then the ticks, labels, grid and axis pens
    //! and the title; OnChange and the owner stay.
    void Assign(const platform::TPersistent* Source) override;

private:
    bool visible_ = false;
    double min_ = 0.0;
    double max_ = 100.0;
    double frequency_ = 10.0;
    std::unique_ptr<TZtChartTitle> title_;
    std::unique_ptr<TZtChartTicks> ticks_;
    std::unique_ptr<TZtChartLabels> labels_;
    std::unique_ptr<platform::TPenObject> gridPen_;
    bool gridVisible_ = true;
    std::unique_ptr<platform::TPenObject> axisPen_;
    bool axisVisible_ = true;
    bool autoScale_ = false;
    int countLabels_ = 0;
};
