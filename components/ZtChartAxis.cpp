#include "ZtChartAxis.h"

#include "components/ZtAxisImage.h"

using namespace platform;

TZtChartAxis::TZtChartAxis(TZtAxisImage* Owner)
    : TZtChartPart(Owner), title_(std::make_unique<TZtChartTitle>(Owner)),
      ticks_(std::make_unique<TZtChartTicks>(Owner)),
      labels_(std::make_unique<TZtChartLabels>(Owner)), gridPen_(std::make_unique<TPenObject>()),
      axisPen_(std::make_unique<TPenObject>())
{
    const auto change = [this](const void* sender) { Change(sender); };
    title_->OnChange = change;
    ticks_->OnChange = change;
    labels_->OnChange = change;
    gridPen_->OnChange = change;
    axisPen_->OnChange = change;
}

void TZtChartAxis::SetAutoScale(bool Value)
{
    if (Value == autoScale_)
        return;
    autoScale_ = Value;
    if (Value)
        Change(this);
}

void TZtChartAxis::Change(const void*)
{
    if (OnChange)
        OnChange(this);
}

void TZtChartAxis::Assign(const TPersistent* Source)
{
    const auto* source = AssignSource(Source, this, "TZtChartAxis");
    if (!source)
        return;
    TZtImage::TUpdateScope bracket(Owner());
    min_ = source->min_;
    max_ = source->max_;
    frequency_ = source->frequency_;
    countLabels_ = source->countLabels_;
    visible_ = source->visible_;
    gridVisible_ = source->gridVisible_;
    axisVisible_ = source->axisVisible_;
    autoScale_ = source->autoScale_;
    ticks_->Assign(source->ticks_.get());
    labels_->Assign(source->labels_.get());
    gridPen_->Assign(*source->gridPen_);
    axisPen_->Assign(*source->axisPen_);
    title_->Assign(source->title_.get());
}
