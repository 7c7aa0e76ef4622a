#pragma once
// A colour scale in an axis frame: the graph area painted line by line in the colours an
// event returns for positions 0.0 to 1.0, upwards (vertical) or rightwards (horizontal).

#include <cstdint>
#include <functional>

#include "components/ZtAxisImage.h"

enum TZtPaletteBarOrientation : std::uint8_t { pboVertical = 0, pboHorizontal = 1 };

class TZtPaletteBar : public TZtAxisImage {
    Q_OBJECT
public:
    //! The colour of a position 0.0 … 1.0 of the scale.
    using TGetBarColorEvent = std::function<void(QObject* Sender, double Position, std::uint8_t& R,
                                                 std::uint8_t& G, std::uint8_t& B)>;

    //! 70 × 200 pixels, the grid off on all four axes.
    explicit TZtPaletteBar(QWidget* owner = nullptr);
    ~TZtPaletteBar() override;

    TGetBarColorEvent OnGetBarColor;

    TZtPaletteBarOrientation Orientation() const { return orientation_; }
    //! A different orientation repaints at once; in the designer it also shows the right
    //! axis of a vertical bar or the bottom axis of a horizontal one (hiding the other).
    void SetOrientation(TZtPaletteBarOrientation Value);

    //! One line per pixel along the bar, position 0 at the bottom or left and 1 at the top
    //! or right (0 throughout a bar one pixel long); nothing without OnGetBarColor.
    void DrawGraphic(platform::TBitmap* Bitmap) override;

private:
    TZtPaletteBarOrientation orientation_ = pboVertical;
};
