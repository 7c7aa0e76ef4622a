#pragma once
// The angle analysis of a surface: the normal at every interior point of a region from a
// Sobel stencil, its tilt against the vertical binned into bars over 0° to 90° and its
// orientation in the plane binned into sectors over 360°, for the points that lie above a
// height level.
//
// CountAngles is the plain computation, point by point. TAngleField is its fast twin: it
// computes the normals once, keeps a 16-bit code of each point's tilt and orientation, and
// bins the kept codes again for every change of bars, sectors or level; a point whose code
// lies within reach of a bin boundary is binned exactly as the plain computation bins it,
// so both give the same counters.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace processing {

//! The region of a matrix that an analysis covers: columns X1..X2 and rows Y1..Y2, both
//! inclusive, and the sampling distance S (points between the stencil's taps).
struct TAngleRegion {
    int X1 = 0;
    int Y1 = 0;
    int X2 = 0;
    int Y2 = 0;
    int S = 1;
};

//! The whole matrix of width × height at sampling distance 1.
TAngleRegion WholeRegion(int width, int height);

//! The grid of the channel: X and Y steps (nm) and the Z scale of a raw count.
struct TAngleGrid {
    double XStep = 1;
    double YStep = 1;
    double ZScale = 1;
};

//! What is counted: points whose height above `Minimum` (raw), times the Z scale, exceeds
//! `Level` (physical units); `Bars` tilt bars (4..500) over 0..π/2 and `Sectors`
//! orientation sectors (8..360) over 0..2π.
struct TAngleBinning {
    std::int32_t Minimum = 0;
    double Level = 0;
    int Bars = 400;
    int Sectors = 16;
};

//! The counters of one analysis. Every counter starts at 1 (an empty bar counts 1).
struct TAngleCounts {
    std::vector<std::uint32_t> Tilt;         //!< one per bar
    std::vector<std::uint32_t> Orientation;  //!< one per sector
};

//! The smallest and largest raw value of the region (rows Y1..Y2, columns X1..X2). False,
//! and nothing set, when the region lies outside the matrix or is empty.
bool FindAngleRange(const std::int32_t* values, int width, int height, const TAngleRegion& region,
                    std::int32_t& minimum, std::int32_t& maximum);

//! True when the analysis can run on the grid: both steps and the Z scale finite, the steps
//! not zero (with a zero step every normal lies flat and no tilt can be binned).
bool AngleGridUsable(const TAngleGrid& grid);

//! The plain analysis, point by point: the counters of the points of the region's interior
//! (rows Y1 + S while below Y2 − S, columns X1 + S while below X2 − S). False, and the
//! counters left at 1, when the grid is not usable or the region does not fit the matrix.
bool CountAngles(const std::int32_t* values, int width, int height, const TAngleRegion& region,
                 const TAngleGrid& grid, const TAngleBinning& binning, TAngleCounts& counts);

//! Which counters a binning of the kept codes makes: both, or the one kind alone.
enum class TAngleKinds { Both, Tilt, Orientation };

//! The kept normals of one matrix: a tilt and an orientation code for every interior point.
class TAngleField {
public:
    //! Computes the normals of the region's interior and keeps their codes; `threads` 0
    //! uses every core. False (and the field empty) when the grid is not usable, the region
    //! does not fit the matrix or the memory cannot be had. The matrix must stay unchanged
    //! while the field is used.
    bool Compute(const std::int32_t* values, int width, int height, const TAngleRegion& region,
                 const TAngleGrid& grid, unsigned threads = 0);
    //! Computes the normals as above and counts them at once as Bin then would, in one pass
    //! over the matrix; false, with the counters at 1, where Compute fails.
    bool Compute(const std::int32_t* values, int width, int height, const TAngleRegion& region,
                 const TAngleGrid& grid, const TAngleBinning& binning, TAngleCounts& counts,
                 unsigned threads = 0);
    //! Counts the kept points of `values` (the matrix of Compute) as CountAngles does. After
    //! a binning that differs from the last only in the bars, only in the sectors or only in
    //! the level, it counts what changed: the one kind of counter, or the points between
    //! the two levels. The one kind of counter comes from how many counted points hold each
    //! code, counted at the first such change at a level and kept while the level lasts; the
    //! points whose code lies near a boundary are kept with their exact angles, for the next
    //! such change. The points between two levels are counted by raw height and bin once
    //! while the bars and sectors last: a level moved back over heights met before costs a
    //! sum of their counts.
    void Bin(const std::int32_t* values, const TAngleBinning& binning, TAngleCounts& counts,
             unsigned threads = 0) const;
    bool Empty() const { return !codes_; }
    //! Frees the kept codes.
    void Clear();

private:
    struct FreeCodes {
        void operator()(void* p) const;
    };
    //! Room for n codes (kept when there is enough already); false without memory.
    bool Allocate(std::size_t n);
    //! The code tables of a bar and sector count, made again only when the counts change.
    void PrepareTables(int bars, int sectors) const;
    //! Checks the input and takes its sizes and room for the codes; false (and the field
    //! empty) where Compute fails. Sets `exactOnly_`.
    bool Start(const std::int32_t* values, int width, int height, const TAngleRegion& region,
               const TAngleGrid& grid);
    //! The codes and the height extremes of one band of rows.
    void CodeBand(const std::int32_t* values, std::size_t band);
    //! Once the height extremes of a band are made: whether every value that the stencils
    //! of the band read lies within ±2^27.
    bool SmallStencils(const std::int32_t* values, std::size_t band) const;
    //! Counts the kept codes of every band, each band after `before` ran for it (when set).
    void Count(const std::int32_t* values, const TAngleBinning& binning, TAngleCounts& counts, unsigned threads,
               const std::function<void(std::size_t band)>& before, TAngleKinds kinds = TAngleKinds::Both) const;
    //! The counters of `binning` from those of the last binning, which differs from it only
    //! in the level: the points whose height counts at one level and not at the other.
    void CountLevelChange(const std::int32_t* values, const TAngleBinning& binning, TAngleCounts& counts,
                          unsigned threads) const;
    //! Bins the point of row j, interior column `col` exactly as the plain analysis does,
    //! where `bar` or `sector` is -1 (near a boundary of the tables).
    void ExactBins(const std::int32_t* values, int j, int col, const TAngleBinning& binning, int& bar,
                   int& sector) const;
    //! Makes the tables of the binning and room for the counters of its pieces of work;
    //! returns how many pieces and how many counters each has (a set for each bar, then
    //! for each sector and the spare one).
    std::pair<std::size_t, std::size_t> StartPieces(const TAngleBinning& binning) const;
    //! The counters of one kind (Tilt or Orientation) of `binning`, from how many counted
    //! points hold each code of that kind: only the points whose code lies near a boundary
    //! of the binning's bins are looked at again, one by one.
    void CountOneKind(const std::int32_t* values, const TAngleBinning& binning, TAngleCounts& counts,
                      unsigned threads, TAngleKinds kind) const;
    //! The counters of `binning` from those of the last binning, which differs from it only
    //! in the level (or the minimum), from how many points of each raw height fall into
    //! each bar and each sector: counted for the heights between the two levels where they
    //! were not counted before, and kept while the bars and sectors last. False, and
    //! nothing done, where the heights span more than these counts may take.
    bool CountFromHeights(const std::int32_t* values, const TAngleBinning& binning, TAngleCounts& counts,
                          unsigned threads) const;
    //! Counts the points of the raw heights first..last into the height counts' rows; false
    //! without memory for it.
    bool CountHeights(const std::int32_t* values, const TAngleBinning& binning, std::int64_t first,
                      std::int64_t last, unsigned threads) const;
    //! Calls row(j, z, tiltCodes, orientationCodes, from, n) for every row of `band`, in the
    //! segments of columns from..from + n − 1 whose heights `meets(low, high)` accepts (and
    //! none where the band's heights are refused): j is the row in the matrix, z its values
    //! and the code pointers its codes, each at the region's first interior column.
    template <typename Meets, typename Row>
    void ForMeetingRows(const std::int32_t* values, std::size_t band, const Meets& meets, const Row& row) const;
    //! The counters of piece p of the pieces of `piece` counters each (StartPieces), zeroed.
    std::uint32_t* ClearedCounters(std::size_t p, std::size_t piece) const;
    //! Adds the counters of every piece to `counts`.
    void AddPieces(const TAngleBinning& binning, std::size_t pieces, TAngleCounts& counts, TAngleKinds kinds) const;

    TAngleRegion region_;
    TAngleGrid grid_;
    int width_ = 0;
    int height_ = 0;
    int rows_ = 0;  //!< interior rows
    int cols_ = 0;  //!< interior columns
    //! Per interior point, row by row: the tilt codes of all points, then their
    //! orientation codes (a change of bars or of sectors reads the one kind alone).
    std::unique_ptr<std::uint16_t[], FreeCodes> codes_;
    std::uint16_t* TiltCodes() const { return codes_.get(); }
    std::uint16_t* OrientationCodes() const { return codes_.get() + std::size_t(rows_) * std::size_t(cols_); }
    //! The lowest and highest raw value of the points of each band of rows: a band wholly
    //! above the level is binned without its values, one wholly below it not at all.
    std::vector<std::int32_t> bandLow_, bandHigh_;
    //! The same for each segment of a band's columns (segments_ per band): a change of
    //! level looks only at the segments holding heights between the two levels.
    std::vector<std::int32_t> segmentLow_, segmentHigh_;
    std::size_t segments_ = 0;
    std::size_t capacity_ = 0;  //!< bytes
    bool exactOnly_ = false;    //!< scales beyond the codes' arithmetic: bin exactly
    // Kept from one binning to the next, so that a re-binning allocates nothing: the bar of
    // every tilt code and the sector of every orientation code (-1 near a boundary) for the
    // counts of `tableBars_` and `tableSectors_`, and the counters of each piece of work.
    // Bin is therefore not to be called from two threads at once on one field.
    mutable int tableBars_ = 0;
    mutable int tableSectors_ = 0;
    mutable std::vector<std::int16_t> tiltTable_, orientationTable_;
    mutable std::vector<std::uint32_t> partial_;
    // How many of the points counted at a level hold each tilt code and each orientation
    // code, made at the first change of bars (or of sectors) at that level.
    struct TCodeCounts {
        std::vector<std::uint32_t> Of;
        bool Kept = false;
        std::int32_t Minimum = 0;
        double Level = 0;
    };
    mutable TCodeCounts tiltCodeCounts_, orientationCodeCounts_;
    mutable std::vector<std::uint32_t> pieceCodeCounts_;
    mutable std::vector<std::uint32_t> nearCodes_;
    // The points of codes that lay near a boundary of an earlier binning, grouped by code,
    // with their raw height and their exact tilt (or direction, -1 for none): a later
    // change of bars (or of sectors) bins them without looking at their values again. The
    // codes' points are kept whole, whatever the level.
    struct TNearPoint {
        std::uint32_t At;  //!< row × interior columns + column
        std::int32_t Z;
        double Angle;
    };
    struct TNearPoints {
        bool Kept = false;
        std::vector<std::uint32_t> First;  //!< per code: its first point, or ~0 when not kept
        std::vector<std::uint32_t> Count;
        std::vector<TNearPoint> Points;
    };
    mutable TNearPoints tiltNear_, orientationNear_;
    mutable std::vector<std::vector<std::uint32_t>> pieceFound_;
    mutable std::vector<std::uint16_t> neededCodes_;
    // For each raw height Low..High of the field: how many points fall into each bar (Bars
    // counters), then into each sector and the spare one, counted for the heights
    // First..Last so far (none when First > Last).
    struct THeightCounts {
        bool Kept = false;
        std::int32_t Low = 0, High = 0;
        std::int64_t First = 1, Last = 0;
        int Bars = 0, Sectors = 0;
        std::unique_ptr<std::uint32_t[], FreeCodes> Rows, Scratch;  //!< the rows; the pieces' rows
        std::size_t RowsBytes = 0, ScratchBytes = 0;
    };
    mutable THeightCounts heightCounts_;
    // The last binning and its counters, while the codes they came from are kept.
    mutable bool lastKept_ = false;
    mutable TAngleBinning last_;
    mutable TAngleCounts lastCounts_;
};

//! The index of the first largest counter; 0 for none.
int MostFrequent(const std::vector<std::uint32_t>& counters);

//! The visible angle (degrees) that shows the tilt distribution: the highest bar above 4
//! whose counter is at least 1 % of the most frequent bar's (4 when none), d = trunc((bar +
//! 2) × 2 / bars × 90), at most 90.
int FitVisibleDegrees(const std::vector<std::uint32_t>& tilt);

//! The mean tilt (degrees) of the counted points: the bar centres weighted by the points
//! each bar counted (its counter less the 1 it starts at); 0 when no point was counted.
double MeanTiltDegrees(const std::vector<std::uint32_t>& tilt);

}  // namespace processing
