#pragma once
// Travine's SPM0 matrix components: one matrix of 16-bit values with its 512-byte SPM0
// header image, a picture of the matrix through a two-colour ramp, and the SPM0 file written
// and read back. TDataspmT holds what both signednesses share; TDataspm (signed values) is
// here, TDataspm16 (unsigned values, the one the plug-in's window uses) in Dataspm16.h.
//
// The components build without Qt: the picture is a plain pixel buffer and the messages go
// to the owner's IDataspmNotices. Every size is computed in 64 bits and every point access
// is checked against the block, so no operation reads or writes past the matrix.

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace travine {

//! A colour as the original platform wrote it: red in the low byte, then green, then blue.
using TColor = std::uint32_t;
inline constexpr TColor clWhite = 0x00FFFFFF;
inline constexpr TColor clBlack = 0x00000000;

//! The pixel of a picture for that colour: 0xFFRRGGBB (a QImage::Format_RGB32 word).
constexpr std::uint32_t PixelOf(TColor c)
{
    return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

//! The eight ways a scan may be stored: 0 keeps (x, y) in place, 1 to 7 mirror or turn
//! the matrix (see TDataspmT::AddDataToMatrix).
enum TScanDirection : std::uint8_t { sd0, sd1, sd2, sd3, sd4, sd5, sd6, sd7 };

//! The SPM0 header as the components keep it: the layout of the program's SPMHEAD, with
//! `mx`, `my`, `Min` and `Max` in the component's signedness.
#pragma pack(push, 1)
template <typename Sample> struct TSpmHead {
    std::uint16_t FormatWord; //!< 0
    Sample mx;                //!< points per row
    std::uint16_t Reserved4;
    Sample my; //!< rows
    float Kx;  //!< X step, nm per point
    float Ky;  //!< Y step
    float Kz;  //!< Z scale
    char ZUnit[4];
    char XYUnit[6];
    char Comment[2];
    Sample Min;
    Sample Max;
    std::uint8_t Reserved36[410];
    char Version[66];
};
#pragma pack(pop)
static_assert(sizeof(TSpmHead<std::uint16_t>) == 512);
static_assert(sizeof(TSpmHead<std::int16_t>) == 512);
static_assert(offsetof(TSpmHead<std::uint16_t>, my) == 6);
static_assert(offsetof(TSpmHead<std::uint16_t>, Kx) == 8);
static_assert(offsetof(TSpmHead<std::uint16_t>, ZUnit) == 20);
static_assert(offsetof(TSpmHead<std::uint16_t>, XYUnit) == 24);
static_assert(offsetof(TSpmHead<std::uint16_t>, Min) == 32);
static_assert(offsetof(TSpmHead<std::uint16_t>, Max) == 34);
static_assert(offsetof(TSpmHead<std::uint16_t>, Version) == 446);

//! Where the components' messages go: the plug-in shows them in message boxes after the
//! beep; a null IDataspmNotices keeps the component silent.
class IDataspmNotices {
public:
    virtual ~IDataspmNotices() = default;
    //! The hand-icon sound.
    virtual void Beep() = 0;
    //! A message box without owner window; an empty caption is the application's name,
    //! `hand` the hand (error) icon.
    virtual void Message(const std::string& text, const std::string& caption, bool hand) = 0;
};

//! A picture of Width x Height pixels, row after row, each 0xFFRRGGBB. Its pixels exist
//! once it has been painted: Pixels is empty or holds Width x Height pixels.
struct TDataBitmap {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;

    //! The pixel (x, y); 0 outside the picture and before it is painted.
    std::uint32_t Pixel(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < Width && y < Height && !Pixels.empty()
                   ? Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                            static_cast<std::size_t>(x)]
                   : 0u;
    }
};

//! Makes every block allocation of the components fail once it would hold more than
//! `bytes` bytes; -1 lifts the limit. For tests of the out-of-memory paths.
void SetBlockLimitForTesting(std::int64_t bytes);

//! What TDataspm and TDataspm16 share; Sample is std::int16_t or std::uint16_t.
template <typename Sample> class TDataspmT {
public:
    static_assert(std::is_same_v<Sample, std::int16_t> || std::is_same_v<Sample, std::uint16_t>);
    using TSample = Sample;
    using THead = TSpmHead<Sample>;
    //! A data block: mx x my values, row after row.
    using TBlock = std::vector<Sample>;

    TDataspmT();
    virtual ~TDataspmT() = default;
    TDataspmT(const TDataspmT&) = delete;
    TDataspmT& operator=(const TDataspmT&) = delete;

    //! While false every operation on the data does nothing (true at creation).
    bool Activated = true;
    //! Added to both the value and Min in the ramp, so that it cancels out (0).
    std::uint16_t iZero = 0;
    //! Where messages go (none at creation: silent).
    IDataspmNotices* Notices = nullptr;

    // Properties, each setter keeping the header image in step.
    float Kx() const { return kx_; }
    float Ky() const { return ky_; }
    float Kz() const { return kz_; }
    void SetKx(float value);
    void SetKy(float value);
    void SetKz(float value);
    const std::string& ZUnit() const { return zUnit_; }
    const std::string& XYUnit() const { return xyUnit_; }
    const std::string& Version() const { return version_; }
    //! The texts are cut to their header fields: ZUnit 3, XYUnit 5, Version 65 bytes,
    //! each with its zero byte.
    void SetZUnit(const std::string& value);
    void SetXYUnit(const std::string& value);
    void SetVersion(const std::string& value);
    Sample mx() const { return mx_; }
    Sample my() const { return my_; }
    //! Points per row; also the picture's width (the picture is painted again later).
    //! (TDataspm: a negative value becomes 0.)
    void Setmx(Sample value);
    //! Rows; also the picture's height.
    void Setmy(Sample value);
    TColor ColorTop() const { return colorTop_; }
    TColor ColorBottom() const { return colorBottom_; }
    void SetColorTop(TColor value);
    void SetColorBottom(TColor value);
    Sample Min() const { return min_; }
    Sample Max() const { return max_; }
    //! The display range of the ramp; the range becomes Max - Min (1 when they are equal).
    void SetMin(Sample value);
    void SetMax(Sample value);
    //! Max - Min taken in 16 bits, at least 1.
    int Range() const { return range_; }

    const THead& Header() const { return header_; }
    const TDataBitmap& Bitmap() const { return bitmap_; }
    const std::string& FileName() const { return fileName_; }
    //! The last file load succeeded.
    bool Loaded() const { return loaded_; }
    //! The largest and smallest value found by the last file load.
    Sample DataMax() const { return dataMax_; }
    Sample DataMin() const { return dataMin_; }
    //! The size in bytes of the last file load's block (0 after a failed load).
    std::int32_t BlockSize() const { return blockSize_; }
    bool HasBlock() const { return hasBlock_; }
    //! The block's values (empty without a block).
    const TBlock& Block() const { return block_; }
    //! The mean of the block's values; 0 without any.
    double ValuesMean() const;

    // Memory.
    //! Locks the block and answers its address; null while inactive or without a block.
    Sample* DataLockate();
    //! Unlocks the block once (nothing while inactive).
    void DataUnLockate();
    //! Unlocks the block until it is no longer locked, frees it and forgets it; the
    //! picture stays.
    void DataFree();
    //! Frees the block and empties the picture (0 x 0).
    void UnData();
    //! A zero-filled block of mx x my values in place of the old one; false while
    //! inactive, or after the message when the memory cannot be had (no block then).
    bool SetDataBlock();
    //! As SetDataBlock without a message.
    bool NewDataBlock();

    // Points.
    //! Stores the value at the position the scan direction gives (row x mx + column);
    //! nothing while inactive or when the position falls outside the block.
    void AddDataToMatrix(Sample value, int x, int y, TScanDirection direction);
    //! The index (row x mx + column) that AddDataToMatrix stores point (x, y) at, or -1
    //! when the position falls outside the matrix.
    std::int64_t Position(int x, int y, TScanDirection direction) const;

    // Pictures.
    //! The ramp colour of a value.
    TColor RampColor(Sample value) const;
    //! Paints pixel (x, y) of the picture with the ramp colour of the value (nothing while
    //! inactive or outside the picture).
    void AddPointBMP(int x, int y, Sample value);
    //! Repaints the picture so that pixel (x, y) shows the value that AddDataToMatrix with
    //! the direction stored for point (x, y).
    void RedrawBMP(TScanDirection direction);

    // Files.
    //! Writes the header image and the mx x my values as an SPM0 file, replacing the file;
    //! nothing while inactive. A failure beeps and shows its message; false then.
    bool SaveData(const std::string& fileName);
    //! Reads an SPM0 file: mx, my, Kx, Ky, Kz from its header, then its values; Min and Max
    //! become the smallest and largest value. True when the component then has a block;
    //! a failure beeps, shows its message and leaves no block and a 0 x 0 picture.
    bool LoadData(const std::string& fileName);

protected:
    //! A block of `count` zero values, or false when the memory cannot be had.
    static bool AllocateBlock(std::int64_t count, TBlock& block);
    //! mx x my (each taken as 0 when negative).
    std::int64_t PointCount() const;
    //! The index of point (x, y) in the block, -1 outside.
    std::int64_t Index(int x, int y) const;
    //! Sizes the picture to mx x my, all black; 0 x 0 when its pixels cannot be had.
    void SizeBitmap();
    //! Gives the picture its pixels (black) when it has none yet; false when they cannot
    //! be had.
    bool EnsurePixels();
    //! Paints every point row by row (the block's values; points beyond it stay).
    void PaintAll();
    void Notify(const std::string& text, const std::string& caption, bool hand);
    void SetRangeFromMinMax();
    void SetColorSteps();
    bool WriteFile(const std::string& fileName);

    THead header_{};
    float stepRed_ = 0;
    float stepGreen_ = 0;
    float stepBlue_ = 0;
    Sample dataMax_;
    Sample dataMin_;
    std::int32_t blockSize_ = 0;
    TBlock block_;
    bool hasBlock_ = false;
    int locks_ = 0;
    std::string fileName_;
    float kx_ = 0;
    float ky_ = 0;
    float kz_ = 0;
    std::string zUnit_;
    std::string xyUnit_;
    std::string version_;
    Sample mx_ = 0;
    Sample my_ = 0;
    TColor colorTop_ = clWhite;
    TColor colorBottom_ = clBlack;
    Sample min_ = 0;
    Sample max_ = 0;
    int range_ = 1;
    double mean_ = 0; // kept by TDataspm16 only
    TDataBitmap bitmap_;
    bool loaded_ = false;
};

extern template class TDataspmT<std::int16_t>;
extern template class TDataspmT<std::uint16_t>;

//! The signed component: values, mx, my, Min and Max are signed 16-bit.
class TDataspm : public TDataspmT<std::int16_t> {};

} // namespace travine
