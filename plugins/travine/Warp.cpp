#include "Warp.h"

#include <algorithm>

#include "platform/core/Kernels.h"
#include "platform/core/Parallel.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define MORVANE_TRAVINE_VECTORS 1
#else
#define MORVANE_TRAVINE_VECTORS 0
#endif

namespace travine {

namespace {

// Bands of at least this many rows, at most kBands of them: enough to balance the cores of
// a busy machine, each still a long run over whole rows.
constexpr std::size_t kBands = 16;
constexpr std::size_t kBandRows = 32;

constexpr std::uint8_t kNone = 0x80;

// For every index of an axis, the last source index whose pixel it is; -1 for none.
std::vector<int> LastSources(const std::vector<int>& pixels)
{
    std::vector<int> sources(pixels.size(), -1);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        sources[static_cast<std::size_t>(pixels[i])] = static_cast<int>(i);
    return sources;
}

std::uint16_t Mean(std::uint16_t a, std::uint16_t b)
{
    return static_cast<std::uint16_t>((static_cast<unsigned>(a) + b) >> 1);
}

// A row filled from the two rows beside it.
MORVANE_CLONES void MeanRow(const std::uint16_t* __restrict a, const std::uint16_t* __restrict b,
                            std::uint16_t* __restrict to, std::size_t n)
{
    for (std::size_t x = 0; x < n; ++x)
        to[x] = static_cast<std::uint16_t>((static_cast<unsigned>(a[x]) + b[x]) >> 1);
}

TWarp::TKernel BestKernel()
{
#if MORVANE_TRAVINE_VECTORS
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return TWarp::TKernel::Avx2;
    if (__builtin_cpu_supports("ssse3"))
        return TWarp::TKernel::Ssse3;
#endif
    return TWarp::TKernel::Scalar;
}

#if MORVANE_TRAVINE_VECTORS
// The mean of the two values of every point, rounded down: pavgw rounds up, so the odd
// sums give back their half.
__attribute__((target("ssse3"), always_inline)) inline __m128i MeanDown(__m128i a, __m128i b)
{
    return _mm_sub_epi16(_mm_avg_epu16(a, b), _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi16(1)));
}

__attribute__((target("ssse3"))) void GatherSsse3(const std::uint16_t* from, std::uint16_t* to,
                                                  const std::int32_t* base, const std::uint8_t* fl,
                                                  const std::uint8_t* fh, const std::uint8_t* sl,
                                                  const std::uint8_t* sh, std::size_t begin,
                                                  std::size_t end)
{
    for (std::size_t k = begin; k < end; ++k) {
        const std::uint16_t* window = from + base[k];
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + 8));
        const __m128i* masks[] = {reinterpret_cast<const __m128i*>(fl + 16 * k),
                                  reinterpret_cast<const __m128i*>(fh + 16 * k),
                                  reinterpret_cast<const __m128i*>(sl + 16 * k),
                                  reinterpret_cast<const __m128i*>(sh + 16 * k)};
        const __m128i first = _mm_or_si128(_mm_shuffle_epi8(low, _mm_loadu_si128(masks[0])),
                                           _mm_shuffle_epi8(high, _mm_loadu_si128(masks[1])));
        const __m128i second = _mm_or_si128(_mm_shuffle_epi8(low, _mm_loadu_si128(masks[2])),
                                            _mm_shuffle_epi8(high, _mm_loadu_si128(masks[3])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8 * k), MeanDown(first, second));
    }
}

// Two blocks at a time, one in each half of the registers.
__attribute__((target("avx2"))) void GatherAvx2(const std::uint16_t* from, std::uint16_t* to,
                                                const std::int32_t* base, const std::uint8_t* fl,
                                                const std::uint8_t* fh, const std::uint8_t* sl,
                                                const std::uint8_t* sh, std::size_t blocks)
{
    const __m256i one = _mm256_set1_epi16(1);
    for (std::size_t k = 0; k + 1 < blocks; k += 2) {
        const std::uint16_t* w0 = from + base[k];
        const std::uint16_t* w1 = from + base[k + 1];
        const __m256i low = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w0))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(w1)), 1);
        const __m256i high = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w0 + 8))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(w1 + 8)), 1);
        const __m256i* masks[] = {reinterpret_cast<const __m256i*>(fl + 16 * k),
                                  reinterpret_cast<const __m256i*>(fh + 16 * k),
                                  reinterpret_cast<const __m256i*>(sl + 16 * k),
                                  reinterpret_cast<const __m256i*>(sh + 16 * k)};
        const __m256i first = _mm256_or_si256(_mm256_shuffle_epi8(low, _mm256_loadu_si256(masks[0])),
                                              _mm256_shuffle_epi8(high, _mm256_loadu_si256(masks[1])));
        const __m256i second = _mm256_or_si256(_mm256_shuffle_epi8(low, _mm256_loadu_si256(masks[2])),
                                               _mm256_shuffle_epi8(high, _mm256_loadu_si256(masks[3])));
        const __m256i mean = _mm256_sub_epi16(_mm256_avg_epu16(first, second),
                                              _mm256_and_si256(_mm256_xor_si256(first, second), one));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + 8 * k), mean);
    }
    if (blocks % 2)
        GatherSsse3(from, to, base, fl, fh, sl, sh, blocks - 1, blocks);
}
#endif

} // namespace

TWarp::TWarp(int mx, int my, const TExponents& exponents, bool fill)
    : mx_(std::max(mx, 0)), my_(std::max(my, 0)), exponents_(exponents), fill_(fill)
{
    BuildColumns(LastSources(ForwardPixels(mx_, exponents.FastM, exponents.FastN)), fill);
    BuildRows(LastSources(ForwardPixels(my_, exponents.SlowM, exponents.SlowN)), fill);
    BuildBlocks();
    BuildBands();
}

bool TWarp::Fits(int mx, int my, const TExponents& e, bool fill) const
{
    return mx_ == std::max(mx, 0) && my_ == std::max(my, 0) && fill_ == fill &&
           exponents_.FastM == e.FastM && exponents_.FastN == e.FastN &&
           exponents_.SlowM == e.SlowM && exponents_.SlowN == e.SlowN;
}

void TWarp::BuildColumns(const std::vector<int>& columns, bool fill)
{
    const std::size_t w = static_cast<std::size_t>(mx_);
    first_.assign(columns.begin(), columns.end());
    second_ = first_;
    columnWritten_.resize(w);
    for (std::size_t x = 0; x < w; ++x)
        columnWritten_[x] = columns[x] >= 0;
    if (!fill || mx_ <= 1)
        return;
    // The columns left empty, in ascending order, in any written row (the rows the warp
    // left empty have no neighbour to take from). A column whose first neighbour was
    // written by the warp takes the mean of two gathered values; one whose first neighbour
    // was filled before it is taken after the gather.
    const std::vector<std::uint8_t> warped = columnWritten_;
    for (int c = 0; c < mx_; ++c) {
        const auto at = static_cast<std::size_t>(c);
        if (warped[at])
            continue;
        const int a = FirstNeighbour(c);
        const int b = SecondNeighbour(c, mx_);
        if (!columnWritten_[static_cast<std::size_t>(a)])
            continue;
        const int second = columnWritten_[static_cast<std::size_t>(b)] ? b : a;
        columnWritten_[at] = 1;
        if (warped[static_cast<std::size_t>(a)] && warped[static_cast<std::size_t>(second)]) {
            first_[at] = columns[static_cast<std::size_t>(a)];
            second_[at] = columns[static_cast<std::size_t>(second)];
        } else {
            chains_.push_back({c, a, second});
        }
    }
}

void TWarp::BuildRows(const std::vector<int>& rows, bool fill)
{
    rows_.assign(static_cast<std::size_t>(my_), TRow{});
    for (std::size_t y = 0; y < rows_.size(); ++y)
        if (rows[y] >= 0)
            rows_[y] = TRow{TRow::Gather, true, rows[y], rows[y]};
    if (!fill || my_ <= 1)
        return;
    // Every row the warp left empty, in ascending order, from a row beside it that is
    // written by then. A written row has the same points in every column, so a row that
    // is written gains nothing from its neighbours, and a filled row has the points of the
    // rows it was filled from.
    for (int r = 0; r < my_; ++r) {
        TRow& row = rows_[static_cast<std::size_t>(r)];
        if (row.How != TRow::Zero)
            continue;
        const int a = FirstNeighbour(r);
        const int b = SecondNeighbour(r, my_);
        if (!rows_[static_cast<std::size_t>(a)].Written)
            continue;
        row = TRow{TRow::Mean, true, a, rows_[static_cast<std::size_t>(b)].Written ? b : a};
    }
}

void TWarp::BuildBlocks()
{
    const std::size_t w = static_cast<std::size_t>(mx_);
    if (w < 2 * kHalf)
        return;
    // A window of sixteen points within the row for every block of eight.
    vectorBlocks_ = w / kHalf;
    const std::size_t lastBase = w - 2 * kHalf;
    base_.assign(vectorBlocks_, 0);
    for (auto* m : {&firstLow_, &firstHigh_, &secondLow_, &secondHigh_})
        m->assign(vectorBlocks_ * 16, kNone);
    for (std::size_t k = 0; k < vectorBlocks_; ++k) {
        std::int32_t lo = mx_;
        std::int32_t hi = -1;
        for (std::size_t x = k * kHalf; x < (k + 1) * kHalf; ++x)
            for (const std::int32_t i : {first_[x], second_[x]})
                if (i >= 0) {
                    lo = std::min(lo, i);
                    hi = std::max(hi, i);
                }
        if (hi < 0)
            continue;
        const std::int32_t base = std::min(lo, static_cast<std::int32_t>(lastBase));
        if (hi - base >= 2 * kHalf) {
            pointBlocks_.push_back(k);
            continue;
        }
        base_[k] = base;
        for (std::size_t j = 0; j < kHalf; ++j) {
            const std::size_t x = k * kHalf + j;
            const auto put = [&](std::int32_t i, std::vector<std::uint8_t>& low,
                                 std::vector<std::uint8_t>& high) {
                if (i < 0)
                    return;
                const int d = i - base;
                std::vector<std::uint8_t>& half = d < kHalf ? low : high;
                const int byte = 2 * (d % kHalf);
                half[16 * k + 2 * j] = static_cast<std::uint8_t>(byte);
                half[16 * k + 2 * j + 1] = static_cast<std::uint8_t>(byte + 1);
            };
            put(first_[x], firstLow_, firstHigh_);
            put(second_[x], secondLow_, secondHigh_);
        }
    }
}

void TWarp::BuildBands()
{
    const std::size_t h = rows_.size();
    bandStarts_.assign(1, 0);
    const std::size_t bands = std::min(kBands, h / kBandRows);
    for (std::size_t k = 1; k < bands; ++k) {
        std::size_t y = std::max(h * k / bands, bandStarts_.back() + 1);
        while (y < h && !(rows_[y - 1].How == TRow::Gather && rows_[y].How == TRow::Gather))
            ++y;
        if (y >= h)
            break;
        bandStarts_.push_back(y);
    }
}

void TWarp::GatherPoints(const std::uint16_t* from, std::uint16_t* to, std::size_t begin,
                         std::size_t end) const
{
    for (std::size_t x = begin; x < end; ++x)
        to[x] = first_[x] >= 0 ? Mean(from[first_[x]], from[second_[x]]) : std::uint16_t{0};
}

void TWarp::GatherRow(const std::uint16_t* from, std::uint16_t* to, TKernel kernel) const
{
    const std::size_t w = static_cast<std::size_t>(mx_);
    std::size_t done = 0;
#if MORVANE_TRAVINE_VECTORS
    if (vectorBlocks_ > 0 && kernel != TKernel::Scalar) {
        if (kernel == TKernel::Avx2)
            GatherAvx2(from, to, base_.data(), firstLow_.data(), firstHigh_.data(),
                       secondLow_.data(), secondHigh_.data(), vectorBlocks_);
        else
            GatherSsse3(from, to, base_.data(), firstLow_.data(), firstHigh_.data(),
                        secondLow_.data(), secondHigh_.data(), 0, vectorBlocks_);
        for (const std::size_t k : pointBlocks_)
            GatherPoints(from, to, k * kHalf, (k + 1) * kHalf);
        done = vectorBlocks_ * kHalf;
    }
#else
    (void)kernel;
#endif
    GatherPoints(from, to, done, w);
    for (const TChain& c : chains_)
        to[c.Column] = Mean(to[c.First], to[c.Second]);
}

void TWarp::Apply(const std::uint16_t* source, std::uint16_t* target,
                  std::vector<std::uint8_t>* written, platform::IProgress& progress,
                  unsigned threads, TKernel kernel) const
{
    progress.SetRange(0, my_);
    const std::size_t w = static_cast<std::size_t>(mx_);
    const std::size_t h = static_cast<std::size_t>(my_);
    if (kernel == TKernel::Best)
        kernel = BestKernel();
    const std::size_t bands = w > 0 ? bandStarts_.size() : 0;
    platform::ParallelBands(bands, [&](std::size_t band) {
        const std::size_t end = band + 1 < bands ? bandStarts_[band + 1] : h;
        const auto make = [&](std::size_t y) {
            GatherRow(source + static_cast<std::size_t>(rows_[y].First) * w, target + y * w, kernel);
        };
        // A filled row may take the gathered row after it: that one is made first.
        std::size_t madeAhead = h;
        for (std::size_t y = bandStarts_[band]; y < end; ++y) {
            const TRow& row = rows_[y];
            std::uint16_t* to = target + y * w;
            switch (row.How) {
            case TRow::Gather:
                if (y != madeAhead)
                    make(y);
                break;
            case TRow::Zero:
                std::fill(to, to + w, std::uint16_t{0});
                break;
            case TRow::Mean:
                for (const int from : {row.First, row.Second}) {
                    const auto f = static_cast<std::size_t>(from);
                    if (f > y && f != madeAhead) {
                        make(f);
                        madeAhead = f;
                    }
                }
                MeanRow(target + static_cast<std::size_t>(row.First) * w,
                        target + static_cast<std::size_t>(row.Second) * w, to, w);
                break;
            }
        }
    }, threads);
    if (written) {
        written->assign(w * h, 0);
        for (std::size_t y = 0; y < h; ++y)
            if (rows_[y].Written)
                std::copy(columnWritten_.begin(), columnWritten_.end(), written->begin() + static_cast<std::ptrdiff_t>(y * w));
    }
    if (my_ > 0)
        progress.SetPosition(my_ - 1);
}

} // namespace travine
