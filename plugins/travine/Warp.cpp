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
constexpr std::size_t kBands = 8;
constexpr std::size_t kBandRows = 32;
// The models of fewer points than this are taken on the calling thread.
constexpr std::size_t kModelPoints = 512;

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

bool Runs(TWarp::TKernel kernel)
{
#if MORVANE_TRAVINE_VECTORS
    __builtin_cpu_init();
    switch (kernel) {
    case TWarp::TKernel::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    case TWarp::TKernel::Avx2:
        return __builtin_cpu_supports("avx2");
    case TWarp::TKernel::Ssse3:
        return __builtin_cpu_supports("ssse3");
    default:
        return true;
    }
#else
    return kernel == TWarp::TKernel::Best || kernel == TWarp::TKernel::Scalar;
#endif
}

// The kernel asked for, or the next one the processor runs.
TWarp::TKernel Usable(TWarp::TKernel kernel)
{
    using K = TWarp::TKernel;
    for (const K k : {K::Avx512, K::Avx2, K::Ssse3})
        if ((kernel == K::Best || kernel <= k) && Runs(k))
            return k;
    return K::Scalar;
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

// Blocks of 32 points, each from a window of 64 source points in two registers.
__attribute__((target("avx512f,avx512bw"))) void GatherAvx512(
    const std::uint16_t* from, std::uint16_t* to, const std::int32_t* base,
    const std::uint16_t* first, const std::uint16_t* second, const std::uint32_t* present,
    std::size_t blocks)
{
    const __m512i one = _mm512_set1_epi16(1);
    for (std::size_t k = 0; k < blocks; ++k) {
        const std::uint16_t* window = from + base[k];
        const __m512i low = _mm512_loadu_si512(window);
        const __m512i high = _mm512_loadu_si512(window + 32);
        const __mmask32 points = present[k];
        const __m512i a = _mm512_maskz_permutex2var_epi16(points, low, _mm512_loadu_si512(first + 32 * k), high);
        const __m512i b = _mm512_maskz_permutex2var_epi16(points, low, _mm512_loadu_si512(second + 32 * k), high);
        const __m512i mean = _mm512_sub_epi16(_mm512_avg_epu16(a, b),
                                              _mm512_and_si512(_mm512_xor_si512(a, b), one));
        _mm512_storeu_si512(to + 32 * k, mean);
    }
}
#endif

} // namespace

TWarp::TWarp(int mx, int my, const TExponents& e, bool fill, unsigned threads)
    : mx_(std::max(mx, 0)), my_(std::max(my, 0)), exponents_(e), fill_(fill)
{
    // The models of both axes, in pieces on the cores: four logarithms and powers a point.
    std::vector<int> columns(static_cast<std::size_t>(mx_));
    std::vector<int> rows(static_cast<std::size_t>(my_));
    const std::size_t pieces = columns.size() + rows.size() >= kModelPoints ? kBands : 1;
    platform::ParallelBands(pieces, [&](std::size_t piece) {
        for (int axis = 0; axis < 2; ++axis) {
            std::vector<int>& pixels = axis == 0 ? columns : rows;
            const int n = static_cast<int>(pixels.size());
            const int begin = static_cast<int>(pixels.size() * piece / pieces);
            const int end = static_cast<int>(pixels.size() * (piece + 1) / pieces);
            for (int i = begin; i < end; ++i)
                pixels[static_cast<std::size_t>(i)] = axis == 0 ? ForwardPixel(i, n, e.FastM, e.FastN)
                                                                : ForwardPixel(i, n, e.SlowM, e.SlowN);
        }
    }, threads);
    BuildColumns(LastSources(columns), fill);
    BuildRows(LastSources(rows), fill);
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

TWarp::TWindows TWarp::Windows(std::size_t block) const
{
    TWindows windows;
    const std::size_t w = static_cast<std::size_t>(mx_);
    if (w < 2 * block)
        return windows;
    // A window within the row for every block: it starts at the block's first source, or
    // early enough to end with the row.
    windows.Blocks = w / block;
    const auto lastBase = static_cast<std::int32_t>(w - 2 * block);
    const auto span = static_cast<std::int32_t>(2 * block);
    windows.Base.assign(windows.Blocks, 0);
    windows.First.assign(windows.Blocks * block, -1);
    windows.Second.assign(windows.Blocks * block, -1);
    for (std::size_t k = 0; k < windows.Blocks; ++k) {
        std::int32_t lo = mx_;
        std::int32_t hi = -1;
        for (std::size_t x = k * block; x < (k + 1) * block; ++x)
            for (const std::int32_t i : {first_[x], second_[x]})
                if (i >= 0) {
                    lo = std::min(lo, i);
                    hi = std::max(hi, i);
                }
        if (hi < 0)
            continue;
        const std::int32_t base = std::min(lo, lastBase);
        if (hi - base >= span) {
            windows.Points.push_back(k);
            continue;
        }
        windows.Base[k] = base;
        for (std::size_t x = k * block; x < (k + 1) * block; ++x)
            if (first_[x] >= 0) {
                windows.First[x] = first_[x] - base;
                windows.Second[x] = second_[x] - base;
            }
    }
    return windows;
}

void TWarp::BuildBlocks()
{
    narrow_ = Windows(kHalf);
    for (auto* m : {&firstLow_, &firstHigh_, &secondLow_, &secondHigh_})
        m->assign(narrow_.First.size() * 2, kNone);
    for (std::size_t x = 0; x < narrow_.First.size(); ++x) {
        const auto put = [x](int d, std::vector<std::uint8_t>& low, std::vector<std::uint8_t>& high) {
            if (d < 0)
                return;
            std::vector<std::uint8_t>& half = d < static_cast<int>(kHalf) ? low : high;
            const int byte = 2 * (d % static_cast<int>(kHalf));
            half[2 * x] = static_cast<std::uint8_t>(byte);
            half[2 * x + 1] = static_cast<std::uint8_t>(byte + 1);
        };
        put(narrow_.First[x], firstLow_, firstHigh_);
        put(narrow_.Second[x], secondLow_, secondHigh_);
    }
    wide_ = Windows(kWide);
    wideFirst_.assign(wide_.First.size(), 0);
    wideSecond_.assign(wide_.First.size(), 0);
    widePresent_.assign(wide_.Blocks, 0);
    for (std::size_t x = 0; x < wide_.First.size(); ++x)
        if (wide_.First[x] >= 0) {
            wideFirst_[x] = static_cast<std::uint16_t>(wide_.First[x]);
            wideSecond_[x] = static_cast<std::uint16_t>(wide_.Second[x]);
            widePresent_[x / kWide] |= std::uint32_t{1} << (x % kWide);
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
    const auto points = [&](const TWindows& windows, std::size_t block) {
        for (const std::size_t k : windows.Points)
            GatherPoints(from, to, k * block, (k + 1) * block);
        done = windows.Blocks * block;
    };
#if MORVANE_TRAVINE_VECTORS
    if (kernel == TKernel::Avx512 && wide_.Blocks > 0) {
        GatherAvx512(from, to, wide_.Base.data(), wideFirst_.data(), wideSecond_.data(),
                     widePresent_.data(), wide_.Blocks);
        // A block of 32 whose sources lie too far apart is taken as four blocks of eight,
        // and what does not fit those point by point.
        constexpr std::size_t narrowInWide = kWide / kHalf;
        auto left = narrow_.Points.begin();
        for (const std::size_t k : wide_.Points) {
            const std::size_t first = k * narrowInWide;
            GatherAvx2(from, to + first * kHalf, narrow_.Base.data() + first,
                       firstLow_.data() + 16 * first, firstHigh_.data() + 16 * first,
                       secondLow_.data() + 16 * first, secondHigh_.data() + 16 * first,
                       narrowInWide);
            for (; left != narrow_.Points.end() && *left < first + narrowInWide; ++left)
                if (*left >= first)
                    GatherPoints(from, to, *left * kHalf, (*left + 1) * kHalf);
        }
        done = wide_.Blocks * kWide;
    } else if ((kernel == TKernel::Avx2 || kernel == TKernel::Avx512) && narrow_.Blocks > 0) {
        GatherAvx2(from, to, narrow_.Base.data(), firstLow_.data(), firstHigh_.data(),
                   secondLow_.data(), secondHigh_.data(), narrow_.Blocks);
        points(narrow_, kHalf);
    } else if (kernel == TKernel::Ssse3 && narrow_.Blocks > 0) {
        GatherSsse3(from, to, narrow_.Base.data(), firstLow_.data(), firstHigh_.data(),
                    secondLow_.data(), secondHigh_.data(), 0, narrow_.Blocks);
        points(narrow_, kHalf);
    }
#else
    (void)kernel;
    (void)points;
#endif
    GatherPoints(from, to, done, w);
    for (const TChain& c : chains_)
        to[c.Column] = Mean(to[c.First], to[c.Second]);
}

bool TWarp::Supported(TKernel kernel)
{
    return Runs(kernel);
}

void TWarp::Apply(const std::uint16_t* source, std::uint16_t* target,
                  std::vector<std::uint8_t>* written, platform::IProgress& progress,
                  unsigned threads, TKernel kernel) const
{
    progress.SetRange(0, my_);
    const std::size_t w = static_cast<std::size_t>(mx_);
    const std::size_t h = static_cast<std::size_t>(my_);
    kernel = Usable(kernel);
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
