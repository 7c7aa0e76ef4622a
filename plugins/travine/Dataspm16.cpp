#include "Dataspm16.h"

#include <algorithm>
#include <cstring>

namespace travine {

std::uint16_t TDataspm16::GetDataPoint(int x, int y) const
{
    if (!Activated)
        return 0;
    const std::int64_t i = Index(x, y);
    return i >= 0 ? block_[static_cast<std::size_t>(i)] : 0;
}

void TDataspm16::FillMatrixBy(std::uint16_t value)
{
    if (Activated && hasBlock_)
        std::fill(block_.begin(), block_.end(), value);
}

double TDataspm16::MeanProfX(int x) const
{
    if (!Activated || x < 0 || x >= mx_ || my_ == 0 || Index(x, my_ - 1) < 0)
        return 0;
    double sum = 0;
    for (int y = 0; y < my_; ++y)
        sum += block_[static_cast<std::size_t>(y) * mx_ + static_cast<std::size_t>(x)];
    return sum / my_;
}

double TDataspm16::MeanProfY(int y) const
{
    if (!Activated || y < 0 || y >= my_ || mx_ == 0 || Index(mx_ - 1, y) < 0)
        return 0;
    const std::uint16_t* row = block_.data() + static_cast<std::size_t>(y) * mx_;
    double sum = 0;
    for (int x = 0; x < mx_; ++x)
        sum += row[x];
    return sum / mx_;
}

void TDataspm16::ReCalcBMP()
{
    bitmap_ = TDataBitmap{};
    SizeBitmap();
    PaintAll();
}

void TDataspm16::Set_hgData(TBlock&& block)
{
    locks_ = 0;
    block_ = std::move(block);
    hasBlock_ = true;
}

bool TDataspm16::Copy(const TDataspm16& source)
{
    UnData();
    Activated = source.Activated;
    header_ = source.header_;
    range_ = source.range_;
    kx_ = source.kx_;
    ky_ = source.ky_;
    kz_ = source.kz_;
    mx_ = source.mx_;
    my_ = source.my_;
    colorTop_ = source.colorTop_;
    colorBottom_ = source.colorBottom_;
    SetColorSteps();
    min_ = source.min_;
    max_ = source.max_;
    iZero = source.iZero;
    blockSize_ = source.blockSize_;
    mean_ = source.mean_;
    fileName_.clear();
    std::memset(header_.ZUnit, 0, 4);
    std::memset(header_.XYUnit, 0, 4);
    std::memset(header_.Version, 0, 4);
    dataMax_ = 0;
    dataMin_ = 0;
    loaded_ = false;
    SizeBitmap();
    if (!SetDataBlock())
        return false;
    // The source's values point by point; points the source's block lacks stay 0.
    const std::size_t n =
        std::min(block_.size(), source.hasBlock_ ? source.block_.size() : std::size_t{0});
    std::copy_n(source.block_.begin(), n, block_.begin());
    PaintAll();
    return true;
}

bool TDataspm16::SaveData(const std::string& fileName, int shift)
{
    if (!Activated)
        return false;
    if (shift > 0)
        for (std::uint16_t& v : block_)
            v = shift >= 16 ? 0 : static_cast<std::uint16_t>(v >> shift);
    return WriteFile(fileName);
}

} // namespace travine
