#include "ZtChartClasses.h"

#include "components/ZtAxisImage.h"
#include "components/Ztservicefuncs.h"

using namespace platform;

namespace {

// The default font of a part, named and sized, its changes bound to the part's Change.
std::unique_ptr<TFontObject> PartFont(TZtChartPart* part, int points)
{
    auto font = std::make_unique<TFontObject>();
    TFont f;
    f.Name = "Tahoma";
    if (points > 0)
        f.SetSize(points);
    font->SetValue(f);
    font->OnChange = [part](const void* sender) { part->Change(sender); };
    return font;
}

} // namespace

void TZtChartPart::Change(const void* Sender)
{
    if (OnChange)
        OnChange(Sender);
}

void TZtChartPart::SetAngleField(int& field, int value)
{
    if (field == value)
        return;
    field = AngleInCircle(value);
    Change(this);
}

// ---- TZtChartTitle

TZtChartTitle::TZtChartTitle(TZtAxisImage* Owner) : TZtChartPart(Owner), font_(PartFont(this, 0)) {}

void TZtChartTitle::Assign(const TPersistent* Source)
{
    const auto* source = AssignSource(Source, this, "TZtChartTitle");
    if (!source)
        return;
    TZtImage::TUpdateScope bracket(Owner());
    visible_ = source->visible_;
    text_ = source->text_;
    color_ = source->color_;
    alignment_ = source->alignment_;
    angle_ = source->angle_;
    font_->Assign(*source->font_);
}

// ---- TZtChartTicks

TZtChartTicks::TZtChartTicks(TZtAxisImage* Owner)
    : TZtChartPart(Owner), pen_(std::make_unique<TPenObject>())
{
    pen_->OnChange = [this](const void* sender) { Change(sender); };
}

void TZtChartTicks::Assign(const TPersistent* Source)
{
    const auto* source = AssignSource(Source, this, "TZtChartTicks");
    if (!source)
        return;
    TZtImage::TUpdateScope bracket(Owner());
    type_ = source->type_;
    visible_ = source->visible_;
    length_ = source->length_;
    minorTickCount_ = source->minorTickCount_;
    minotTickLength_ = source->minotTickLength_;
    pen_->Assign(*source->pen_);
}

// ---- TZtChartLabels

TZtChartLabels::TZtChartLabels(TZtAxisImage* Owner) : TZtChartPart(Owner), font_(PartFont(this, 7))
{
}

void TZtChartLabels::SetPrecision(int Value)
{
    if (Value == precision_)
        return;
    precision_ = Value < -1 ? -1 : Value;
    Change(this);
}

void TZtChartLabels::Assign(const TPersistent* Source)
{
    const auto* source = AssignSource(Source, this, "TZtChartLabels");
    if (!source)
        return;
    TZtImage::TUpdateScope bracket(Owner());
    roundFirstLabel_ = source->roundFirstLabel_;
    visible_ = source->visible_;
    angle_ = source->angle_;
    indent_ = source->indent_;
    precision_ = source->precision_;
    font_->Assign(*source->font_);
}
