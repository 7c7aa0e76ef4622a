#pragma once
// A matrix of numbers shown as a picture in an axis frame: one pixel per cell in a 24-bit
// data bitmap, grey from the smallest to the largest value or coloured cell by cell by an
// event, scaled to the graph area by bilinear interpolation or plain stretching.

#include <cstdint>
#include <functional>
#include <memory>

#include "components/ZtAxisImage.h"

class TZtMatrixImage : public TZtAxisImage {
    Q_OBJECT
public:
    //! Colours one cell: X is the column, Y the row of the matrix, Value the cell widened to
    //! int. R, G and B start with what the previous cell left, so a handler sets all three.
    using TGetValueColorEvent =
        std::function<void(QObject* Sender, int X, int Y, int Value, std::uint8_t& R,
                           std::uint8_t& G, std::uint8_t& B)>;

    //! The grid is off on all four axes.
    explicit TZtMatrixImage(QWidget* owner = nullptr);
    ~TZtMatrixImage() override;

    TGetValueColorEvent OnGetValueColor;
    //! Matrix row 0 is the picture's top row (else its bottom row); takes effect at the
    //! next SetNewData.
    bool LeftTopZero = true;
    //! Scale with bilinear interpolation (else plain stretching); takes effect at the next
    //! scaling.
    bool UseBilinearInterpolation = false;

    //! Builds the data bitmap from Rows rows of Cols values (cell (X, Y) is
    //! Data[Y × Cols + X]) and repaints. Without OnGetValueColor a cell is grey
    //! trunc((v − L) × 255 / (H − L)) between the smallest L and the largest H, 128 when all
    //! are equal. Nothing is repainted when there is no data or the bitmap cannot be had.
    void SetNewData(const std::int32_t* Data, int Cols, int Rows);
    void SetNewData(const std::int16_t* Data, int Cols, int Rows);
    void SetNewData(const std::uint16_t* Data, int Cols, int Rows);
    //! The data bitmap itself, for callers that draw into it (then DataBitmapChanged).
    platform::TBitmap* GetDataBitmap() const { return data_.get(); }
    //! The next paint scales the data bitmap again (nothing is repainted now).
    void DataBitmapChanged() { cached_ = {}; }

    //! The grey of a value between the smallest Low and the largest High:
    //! trunc((Value − Low) × 255 / (High − Low)); 128 when High is not above Low.
    static int GreyOf(std::int64_t Value, std::int64_t Low, std::int64_t High);

    //! Cell coordinates to graph pixels (rows from the picture's top); the graph's top-left
    //! pixel without data.
    void PointD2G(double X, double Y, int& GX, int& GY) const;
    //! Graph pixels to cell coordinates; true when they lie on the matrix. Outputs 0 and
    //! false for an empty graph area.
    bool PointG2D(int GX, int GY, double& X, double& Y) const;

    //! Copies the data bitmap scaled to the graph area (scaled again only when the graph
    //! area's size changed or new data came).
    void DrawGraphic(platform::TBitmap* Bitmap) override;

private:
    template <typename T> void Build(const T* data, int cols, int rows);

    std::unique_ptr<platform::TBitmap> data_;
    std::unique_ptr<platform::TBitmap> scaled_;
    platform::TRect cached_;
};
