#pragma once
// The warp of an image under the forward model, with or without the filling of the gaps it
// leaves, as one pass over the target's rows.
//
// The warp writes target point (x, y) exactly when some source column lands on x and some
// source row lands on y, so the points it writes are the product of one mask per axis. The
// filling then treats every written row alike and every row left empty alike: the columns
// it fills are the same in every written row, and a row it fills takes the mean of two
// rows beside it. All of that is decided here once per size and exponents, from the axis
// tables alone; a row of the target is then a gather of its source row by a column table
// (the mean of two gathers where a column is filled), or the mean of two target rows.

#include <cstdint>
#include <vector>

#include "platform/core/Progress.h"
#include "plugins/travine/Nonlinearity.h"

namespace travine {

class TWarp {
public:
    //! How the rows are computed: the best the processor has, or a given one (for tests).
    enum class TKernel { Best, Avx512, Avx2, Ssse3, Scalar };
    //! Whether the processor runs that way (Best and Scalar always); one it does not is
    //! taken as the next it does.
    static bool Supported(TKernel kernel);

    //! The tables of a warp of mx x my images under `exponents`; with `fill` its gaps are
    //! filled as FillGaps fills them. The models are taken on up to `threads` cores (0:
    //! every core).
    TWarp(int mx, int my, const TExponents& exponents, bool fill, unsigned threads = 0);

    //! Whether these tables are the ones of that size, exponents and filling.
    bool Fits(int mx, int my, const TExponents& exponents, bool fill) const;

    //! The target (mx x my) from the source (mx x my), as WarpImage does, followed by
    //! FillGaps when the tables fill. `written`, when given, receives the mask those leave.
    //! Bands of rows run on up to `threads` cores (0: every core); the progress (range
    //! 0..my) is set from the calling thread alone, to my - 1 at the end.
    void Apply(const std::uint16_t* source, std::uint16_t* target,
               std::vector<std::uint8_t>* written, platform::IProgress& progress,
               unsigned threads = 0, TKernel kernel = TKernel::Best) const;

private:
    // What a target row is made of.
    struct TRow {
        enum Kind : std::uint8_t { Gather, Mean, Zero } How = Zero;
        bool Written = false; // whether the row is written once the pass is done
        int First = -1;       // Gather: the source row; Mean: the two target rows
        int Second = -1;
    };
    // A column filled from a column filled before it, in a written row: taken point by
    // point after the gather, in ascending order.
    struct TChain {
        int Column;
        int First;
        int Second;
    };
    // Blocks of target points of a row, each from a window of twice as many source points
    // that starts at its Base: per point the offsets of its two values in the window (-1:
    // none); the blocks whose sources lie too far apart are left to GatherPoints.
    struct TWindows {
        std::size_t Blocks = 0;
        std::vector<std::int32_t> Base;
        std::vector<int> First;
        std::vector<int> Second;
        std::vector<std::size_t> Points;
    };
    static constexpr std::size_t kHalf = 8;
    static constexpr std::size_t kWide = 32;

    void BuildColumns(const std::vector<int>& columns, bool fill);
    void BuildRows(const std::vector<int>& rows, bool fill);
    TWindows Windows(std::size_t block) const;
    void BuildBlocks();
    void BuildBands();

    void GatherRow(const std::uint16_t* from, std::uint16_t* to, TKernel kernel) const;
    void GatherPoints(const std::uint16_t* from, std::uint16_t* to, std::size_t begin,
                      std::size_t end) const;

    int mx_ = 0;
    int my_ = 0;
    TExponents exponents_;
    bool fill_ = false;
    // Per target column: the source columns of its two values (equal for a copied point;
    // -1: the point is 0), and whether it is written at the end of the pass.
    std::vector<std::int32_t> first_;
    std::vector<std::int32_t> second_;
    std::vector<std::uint8_t> columnWritten_;
    std::vector<TChain> chains_;
    std::vector<TRow> rows_;
    // The vector tables. Blocks of eight points: the byte indices into the window's low and
    // high halves of the first and the second value of each point (0x80: none), sixteen
    // bytes a block. Blocks of 32: the indices of the two values in the window, and which
    // points have values.
    TWindows narrow_;
    std::vector<std::uint8_t> firstLow_, firstHigh_, secondLow_, secondHigh_;
    TWindows wide_;
    std::vector<std::uint16_t> wideFirst_, wideSecond_;
    std::vector<std::uint32_t> widePresent_;
    // The first row of every band: a band starts where it and the row before are gathered,
    // so that no filled row takes a row of another band.
    std::vector<std::size_t> bandStarts_;
};

} // namespace travine
