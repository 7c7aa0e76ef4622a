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
    enum class TKernel { Best, Avx2, Ssse3, Scalar };

    //! The tables of a warp of mx x my images under `exponents`; with `fill` its gaps are
    //! filled as FillGaps fills them.
    TWarp(int mx, int my, const TExponents& exponents, bool fill);

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
    // Eight target points of a row from a window of sixteen source points at Base: the
    // byte indices into the window's low and high halves of the first and the second value
    // of each point (0x80: none).
    static constexpr int kHalf = 8;

    void BuildColumns(const std::vector<int>& columns, bool fill);
    void BuildRows(const std::vector<int>& rows, bool fill);
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
    // The vector tables: per block of eight columns its window and its four index sets
    // (16 bytes each, one block after the other), and the blocks left to GatherPoints.
    std::vector<std::int32_t> base_;
    std::vector<std::uint8_t> firstLow_, firstHigh_, secondLow_, secondHigh_;
    std::vector<std::size_t> pointBlocks_;
    std::size_t vectorBlocks_ = 0;
    // The first row of every band: a band starts where it and the row before are gathered,
    // so that no filled row takes a row of another band.
    std::vector<std::size_t> bandStarts_;
};

} // namespace travine
