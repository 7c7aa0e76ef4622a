#include "Ztservicefuncs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

using namespace platform;

namespace {

// One source position along an axis: the two pixels read and their weights.
struct Sample {
    int First;
    int Second;
    double WeightFirst;  // (first + 1) - position
    double WeightSecond; // position - first
};

Sample SampleAt(double scale, int offset, int index, int size)
{
    double s = ((scale - 1) * offset + index) / scale;
    // Positions beyond the source are held to its edge pixels.
    s = std::clamp(s, 0.0, static_cast<double>(size - 1));
    int first = static_cast<int>(std::floor(s));
    first = std::clamp(first, 0, size - 1);
    const int next = first + 1;
    return {first, next < size ? next : first, next - s, s - first};
}

} // namespace

bool DoBilinearInterpolation(TBitmap* Source, TBitmap* Dest, double ScaleX, double ScaleY,
                             int OffsetX, int OffsetY)
{
    if (!Source || !Dest)
        return false;
    const int dh = Dest->Height();
    const int dw = Dest->Width();
    const int sh = Source->Height();
    const int sw = Source->Width();
    if (ScaleX == 0 || ScaleY == 0 || dh == 0 || dw == 0 || sh == 0 || sw == 0)
        return false;
    if (!std::isfinite(ScaleX) || !std::isfinite(ScaleY))
        return false;
    const int bits = Source->BitsPerPixel();
    if (bits == 0 || bits % 8 != 0)
        return false;
    const int bpp = bits / 8;

    // Scaling a bitmap into itself reads from a copy.
    TBitmap copy;
    if (Source == Dest) {
        copy.Assign(Source);
        Source = &copy;
    }
    Dest->SetPixelFormat(Source->PixelFormat());
    if (Dest->BitsPerPixel() != bits)
        return false;

    std::vector<Sample> columns(static_cast<std::size_t>(dw));
    for (int j = 0; j < dw; ++j)
        columns[j] = SampleAt(ScaleX, OffsetX, j, sw);

    Dest->Canvas()->Lock();
    Source->Canvas()->Lock();
    for (int i = 0; i < dh; ++i) {
        // Storage row i of a bitmap is its row height - 1 - i counted from the top.
        const Sample row = SampleAt(ScaleY, OffsetY, i, sh);
        std::uint8_t* out = Dest->ScanLine(dh - 1 - i);
        const std::uint8_t* r0 = Source->ScanLine(sh - 1 - row.First);
        const std::uint8_t* r1 = Source->ScanLine(sh - 1 - row.Second);
        for (int j = 0; j < dw; ++j) {
            const Sample& col = columns[j];
            const double w00 = row.WeightFirst * col.WeightFirst;
            const double w01 = col.WeightSecond * row.WeightFirst;
            const double w10 = row.WeightSecond * col.WeightFirst;
            const double w11 = row.WeightSecond * col.WeightSecond;
            const std::uint8_t* p00 = r0 + static_cast<std::size_t>(col.First) * bpp;
            const std::uint8_t* p01 = r0 + static_cast<std::size_t>(col.Second) * bpp;
            const std::uint8_t* p10 = r1 + static_cast<std::size_t>(col.First) * bpp;
            const std::uint8_t* p11 = r1 + static_cast<std::size_t>(col.Second) * bpp;
            std::uint8_t* d = out + static_cast<std::size_t>(j) * bpp;
            for (int k = 0; k < bpp; ++k) {
                const double value = w00 * p00[k] + w01 * p01[k] + w10 * p10[k] + w11 * p11[k];
                d[k] = static_cast<std::uint8_t>(static_cast<int>(value) & 0xFF);
            }
            if (bpp == 4)
                d[3] = 0xFF; // the fourth byte of a 32-bit pixel stays opaque
        }
    }
    Source->Canvas()->Unlock();
    Dest->Canvas()->Unlock();
    return true;
}
