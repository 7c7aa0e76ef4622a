#include "Dataspm.h"


#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <limits>
#include <new>

#include "platform/core/Files.h"

static_assert(std::endian::native == std::endian::little,
              "SPM0 files are read and written in the machine's byte order");

namespace travine {

namespace {

std::atomic<std::int64_t> g_blockLimit{-1};

// From this many points on, a picture is painted through a table of the ramp's colours.
constexpr std::size_t kColorTablePoints = 65536;

// The longest file name kept (the original held it in 128 bytes with the zero byte).
constexpr std::size_t kFileNameChars = 127;

// Copies a text into a header field, cut to leave room for its zero byte.
template <std::size_t N> void PutText(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

template <typename Sample> std::int64_t NonNegative(Sample v)
{
    return v < 0 ? 0 : std::int64_t{v};
}

} // namespace

void SetBlockLimitForTesting(std::int64_t bytes)
{
    g_blockLimit.store(bytes);
}

template <typename Sample> TDataspmT<Sample>::TDataspmT() : dataMax_(0), dataMin_(0)
{
    SetColorSteps();
}

// ---------------------------------------------------------------------------------------
// Properties

template <typename Sample> void TDataspmT<Sample>::SetKx(float value)
{
    kx_ = header_.Kx = value;
}

template <typename Sample> void TDataspmT<Sample>::SetKy(float value)
{
    ky_ = header_.Ky = value;
}

template <typename Sample> void TDataspmT<Sample>::SetKz(float value)
{
    kz_ = header_.Kz = value;
}

template <typename Sample> void TDataspmT<Sample>::SetZUnit(const std::string& value)
{
    PutText(header_.ZUnit, value);
    zUnit_ = header_.ZUnit;
}

template <typename Sample> void TDataspmT<Sample>::SetXYUnit(const std::string& value)
{
    PutText(header_.XYUnit, value);
    xyUnit_ = header_.XYUnit;
}

template <typename Sample> void TDataspmT<Sample>::SetVersion(const std::string& value)
{
    PutText(header_.Version, value);
    version_ = header_.Version;
}

template <typename Sample> void TDataspmT<Sample>::Setmx(Sample value)
{
    if constexpr (std::is_signed_v<Sample>)
        value = std::max<Sample>(value, 0);
    mx_ = header_.mx = value;
    // Only the size: a size read from a file must not allocate a picture before the data
    // it shows exist.
    bitmap_.Width = static_cast<int>(value);
    bitmap_.Pixels.clear();
}

template <typename Sample> void TDataspmT<Sample>::Setmy(Sample value)
{
    if constexpr (std::is_signed_v<Sample>)
        value = std::max<Sample>(value, 0);
    my_ = header_.my = value;
    bitmap_.Height = static_cast<int>(value);
    bitmap_.Pixels.clear();
}

template <typename Sample> void TDataspmT<Sample>::SetColorTop(TColor value)
{
    colorTop_ = value;
    SetColorSteps();
}

template <typename Sample> void TDataspmT<Sample>::SetColorBottom(TColor value)
{
    colorBottom_ = value;
    SetColorSteps();
}

template <typename Sample> void TDataspmT<Sample>::SetMin(Sample value)
{
    min_ = header_.Min = value;
    SetRangeFromMinMax();
}

template <typename Sample> void TDataspmT<Sample>::SetMax(Sample value)
{
    max_ = header_.Max = value;
    SetRangeFromMinMax();
}

template <typename Sample> void TDataspmT<Sample>::SetRangeFromMinMax()
{
    // The difference in 16 bits: every Max at or above Min gives its true distance (up to
    // 65535 for either signedness).
    range_ = static_cast<std::uint16_t>(static_cast<int>(max_) - static_cast<int>(min_));
    if (range_ == 0)
        range_ = 1;
}

template <typename Sample> void TDataspmT<Sample>::SetColorSteps()
{
    const auto step = [this](int shift) {
        const int top = static_cast<int>((colorTop_ >> shift) & 0xFF);
        const int bottom = static_cast<int>((colorBottom_ >> shift) & 0xFF);
        return static_cast<float>(top - bottom) / 255.0f;
    };
    stepRed_ = step(0);
    stepGreen_ = step(8);
    stepBlue_ = step(16);
}

// ---------------------------------------------------------------------------------------
// Memory

template <typename Sample> bool TDataspmT<Sample>::AllocateBlock(std::int64_t count, TBlock& block)
{
    const std::int64_t limit = g_blockLimit.load();
    if (count < 0 || (limit >= 0 && count * 2 > limit) ||
        static_cast<std::uint64_t>(count) > block.max_size())
        return false;
    try {
        TBlock fresh(static_cast<std::size_t>(count), Sample{0});
        block.swap(fresh);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

template <typename Sample> Sample* TDataspmT<Sample>::DataLockate()
{
    if (!Activated || !hasBlock_)
        return nullptr;
    ++locks_;
    return block_.data();
}

template <typename Sample> void TDataspmT<Sample>::DataUnLockate()
{
    if (Activated && locks_ > 0)
        --locks_;
}

template <typename Sample> void TDataspmT<Sample>::DataFree()
{
    locks_ = 0;
    TBlock().swap(block_);
    hasBlock_ = false;
}

template <typename Sample> void TDataspmT<Sample>::UnData()
{
    DataFree();
    bitmap_ = TDataBitmap{};
}

template <typename Sample> bool TDataspmT<Sample>::NewDataBlock()
{
    if (!Activated)
        return false;
    if (!AllocateBlock(PointCount(), block_)) {
        DataFree();
        return false;
    }
    hasBlock_ = true;
    locks_ = 0;
    return true;
}

template <typename Sample> bool TDataspmT<Sample>::SetDataBlock()
{
    if (NewDataBlock())
        return true;
    if (Activated) {
        if (Notices)
            Notices->Beep();
        Notify("Desirable matrix dimension is " + std::to_string(PointCount() * 2) +
                   " Bytes.The system has not enough free memory in this case.",
               "", false);
    }
    return false;
}

template <typename Sample> double TDataspmT<Sample>::ValuesMean() const
{
    if (block_.empty())
        return 0;
    // Exact integer sums: 2^47 values of 65535 before the sum could overflow.
    std::int64_t sum = 0;
    for (const Sample v : block_)
        sum += v;
    return static_cast<double>(sum) / static_cast<double>(block_.size());
}

template <typename Sample> std::int64_t TDataspmT<Sample>::PointCount() const
{
    return NonNegative(mx_) * NonNegative(my_);
}

template <typename Sample> std::int64_t TDataspmT<Sample>::Index(int x, int y) const
{
    if (x < 0 || y < 0 || x >= NonNegative(mx_) || y >= NonNegative(my_))
        return -1;
    const std::int64_t i = std::int64_t{y} * NonNegative(mx_) + x;
    return i < static_cast<std::int64_t>(block_.size()) ? i : -1;
}

// ---------------------------------------------------------------------------------------
// Points

template <typename Sample>
std::int64_t TDataspmT<Sample>::Position(int x, int y, TScanDirection direction) const
{
    const std::int64_t n = NonNegative(mx_);
    std::int64_t row = 0;
    std::int64_t column = 0;
    switch (direction) {
    case sd0:
        row = y, column = x;
        break;
    case sd1:
        row = n - 1 - y, column = x;
        break;
    case sd2:
        row = y, column = n - 1 - x;
        break;
    case sd3:
        row = n - 1 - y, column = n - 1 - x;
        break;
    case sd4:
        row = x, column = y;
        break;
    case sd5:
        row = n - 1 - x, column = y;
        break;
    case sd6:
        row = x, column = n - 1 - y;
        break;
    case sd7:
        row = n - 1 - x, column = n - 1 - y;
        break;
    default:
        return -1;
    }
    // Directions 1 to 7 turn a square matrix; on any other they may point outside it.
    if (row < 0 || column < 0 || row >= NonNegative(my_) || column >= n)
        return -1;
    return row * n + column;
}

template <typename Sample>
void TDataspmT<Sample>::AddDataToMatrix(Sample value, int x, int y, TScanDirection direction)
{
    if (!Activated)
        return;
    const std::int64_t i = Position(x, y, direction);
    if (i >= 0 && i < static_cast<std::int64_t>(block_.size()))
        block_[static_cast<std::size_t>(i)] = value;
}

// ---------------------------------------------------------------------------------------
// Pictures

template <typename Sample> TColor TDataspmT<Sample>::RampColor(Sample value) const
{
    // iZero would be added to both the value and Min: it cancels.
    const double e = (static_cast<double>(value) - static_cast<double>(min_)) / range_ * 255.0;
    const auto channel = [e](int shift, TColor top, float step) {
        const double v = static_cast<double>((top >> shift) & 0xFF) + e * static_cast<double>(step);
        return static_cast<TColor>(static_cast<std::int64_t>(v) & 0xFF);
    };
    const TColor color = channel(0, colorTop_, stepRed_) +
                         channel(8, colorTop_, stepGreen_) * 256u +
                         channel(16, colorTop_, stepBlue_) * 65536u;
    if constexpr (std::is_unsigned_v<Sample>) {
        if (color == (colorTop_ & 0xFFFFFFu))
            return colorBottom_;
    }
    return color;
}

template <typename Sample> void TDataspmT<Sample>::AddPointBMP(int x, int y, Sample value)
{
    if (!Activated || x < 0 || y < 0 || x >= bitmap_.Width || y >= bitmap_.Height ||
        !EnsurePixels())
        return;
    bitmap_.Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap_.Width) +
                   static_cast<std::size_t>(x)] = PixelOf(RampColor(value));
}

template <typename Sample> void TDataspmT<Sample>::SizeBitmap()
{
    bitmap_ = TDataBitmap{};
    bitmap_.Width = static_cast<int>(NonNegative(mx_));
    bitmap_.Height = static_cast<int>(NonNegative(my_));
    if (!EnsurePixels())
        bitmap_ = TDataBitmap{};
}

template <typename Sample> bool TDataspmT<Sample>::EnsurePixels()
{
    const std::size_t n =
        static_cast<std::size_t>(bitmap_.Width) * static_cast<std::size_t>(bitmap_.Height);
    if (bitmap_.Pixels.size() == n)
        return n > 0;
    try {
        bitmap_.Pixels.assign(n, PixelOf(clBlack));
        return n > 0;
    } catch (const std::bad_alloc&) {
        bitmap_.Pixels.clear();
        return false;
    } catch (const std::length_error&) {
        bitmap_.Pixels.clear();
        return false;
    }
}

template <typename Sample> void TDataspmT<Sample>::PaintAll()
{
    if (!Activated)
        return;
    const std::size_t n = std::min(block_.size(), bitmap_.Pixels.size());
    std::uint32_t* pixels = bitmap_.Pixels.data();
    const Sample* values = block_.data();
    if (n < kColorTablePoints) {
        for (std::size_t i = 0; i < n; ++i)
            pixels[i] = PixelOf(RampColor(values[i]));
        return;
    }
    // A large picture takes its colours from a table of every 16-bit value.
    std::vector<std::uint32_t> table(65536);
    for (std::size_t k = 0; k < table.size(); ++k)
        table[k] = PixelOf(RampColor(static_cast<Sample>(k)));
    for (std::size_t i = 0; i < n; ++i)
        pixels[i] = table[static_cast<std::uint16_t>(values[i])];
}

template <typename Sample> void TDataspmT<Sample>::RedrawBMP(TScanDirection direction)
{
    if (!Activated)
        return;
    SizeBitmap();
    for (int y = 0; y < bitmap_.Height; ++y)
        for (int x = 0; x < bitmap_.Width; ++x) {
            const std::int64_t i = Position(x, y, direction);
            if (i >= 0 && i < static_cast<std::int64_t>(block_.size()))
                AddPointBMP(x, y, block_[static_cast<std::size_t>(i)]);
        }
}

// ---------------------------------------------------------------------------------------
// Files

template <typename Sample>
void TDataspmT<Sample>::Notify(const std::string& text, const std::string& caption, bool hand)
{
    if (Notices)
        Notices->Message(text, caption, hand);
}

template <typename Sample> bool TDataspmT<Sample>::SaveData(const std::string& fileName)
{
    if (!Activated)
        return false;
    return WriteFile(fileName);
}

template <typename Sample> bool TDataspmT<Sample>::WriteFile(const std::string& fileName)
{
    const auto fail = [this, &fileName](const char* what) {
        if (Notices)
            Notices->Beep();
        Notify(what + fileName + "!\r\n", "", false);
        return false;
    };
    platform::File file;
    if (!file.Open(fileName, platform::File::Mode::CreateReplace))
        return fail("I can't create the file: ");
    if (!file.Write(&header_, sizeof header_))
        return fail("I can't write SPMHEAD to file: ");
    // The sizes of the header image; the block must hold that many values.
    const std::int64_t count = NonNegative(header_.mx) * NonNegative(header_.my);
    if (count > static_cast<std::int64_t>(block_.size()) || !file.Write(block_.data(), count * 2) ||
        !file.Close())
        return fail("I can't write DATA to file: ");
    return true;
}

template <typename Sample> bool TDataspmT<Sample>::LoadData(const std::string& fileName)
{
    if (!Activated || fileName.empty())
        return false;
    loaded_ = false;
    fileName_ = fileName.substr(0, kFileNameChars);

    const auto fail = [this](const std::string& text, const char* caption) {
        if (Notices)
            Notices->Beep();
        Notify(text, caption, true);
    };
    {
        // Only a regular file is read, opened without waiting: a folder, FIFO or device
        // gives the read error.
        platform::File file;
        if (!file.Open(fileName, platform::File::Mode::Read) && !file.NotRegular()) {
            fail("I can't open the file: " + fileName + "!\r\n", "FILE OPEN ERROR");
            return false;
        }
        THead head;
        if (!file.IsOpen() || !file.ReadExact(&head, sizeof head)) {
            fail("The loaded data are wrong!", "DATA READ ERROR");
        } else {
            Setmx(head.mx);
            Setmy(head.my);
            SetKx(head.Kx);
            SetKy(head.Ky);
            SetKz(head.Kz);
            const std::int64_t count = PointCount();
            const std::int64_t size = file.Size();
            DataFree();
            // A file that holds fewer values than its header promises is refused before
            // anything is allocated.
            if (size >= 0 && size - std::int64_t{sizeof head} < count * 2) {
                fail("The loaded data are wrong!", "DATA READ ERROR");
            } else if (!AllocateBlock(count, block_)) {
                fail("Too few free memory for data loading!", "FILE LOAD ERROR");
            } else {
                hasBlock_ = true;
                blockSize_ = static_cast<std::int32_t>(
                    std::min<std::int64_t>(count * 2, std::numeric_limits<std::int32_t>::max()));
                if (!file.ReadExact(block_.data(), count * 2)) {
                    fail("The loaded data are wrong!", "DATA READ ERROR");
                } else {
                    Sample hi = std::numeric_limits<Sample>::lowest();
                    Sample lo = std::numeric_limits<Sample>::max();
                    for (const Sample v : block_) {
                        hi = std::max(hi, v);
                        lo = std::min(lo, v);
                    }
                    // An empty matrix has no extremes: 0 for both.
                    dataMax_ = block_.empty() ? Sample{0} : hi;
                    dataMin_ = block_.empty() ? Sample{0} : lo;
                    range_ = std::max(1, static_cast<int>(dataMax_) - static_cast<int>(dataMin_));
                    mean_ = ValuesMean();
                    loaded_ = true;
                }
            }
        }
    }
    if (!loaded_) {
        blockSize_ = 0;
        DataFree();
    }
    min_ = dataMin_;
    max_ = dataMax_;
    if (hasBlock_) {
        SizeBitmap();
        PaintAll();
    } else {
        bitmap_ = TDataBitmap{};
    }
    return hasBlock_;
}

template class TDataspmT<std::int16_t>;
template class TDataspmT<std::uint16_t>;

} // namespace travine
