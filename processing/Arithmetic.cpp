#include "processing/Arithmetic.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "platform/core/Parallel.h"
#include "processing/Passes.h"
#include "processing/RawValue.h"
#include "processing/SureRows.h"

namespace processing {

namespace {

using Real = long double;
using Op = TArithmeticOperation;

//! Values per piece of a parallel pass over a flat array.
constexpr std::int64_t kPiece = 1 << 16;
//! Rows per piece of a parallel pass over rows.
constexpr int kBandRows = 16;

//! The new value of z with the operand q of the operation.
template <Op operation> std::int32_t Combine(std::int32_t z, Real q)
{
    if constexpr (operation == Op::Add)
        return ToRawValue(Real(z) + q, z);
    else if constexpr (operation == Op::Subtract)
        return ToRawValue(Real(z) - q, z);
    else if constexpr (operation == Op::Multiply)
        return ToRawValue(Real(z) * q, z);
    else
        return q == 0 ? z : ToRawValue(Real(z) / q, z);
}

//! The operand that the number gives: v/s for + and −, v for ×, 1/v as a float for /.
Real NumberOperand(Op operation, float number, float zScale)
{
    switch (operation) {
    case Op::Add:
    case Op::Subtract:
        return Real(number) / Real(zScale);
    case Op::Multiply:
        return number;
    case Op::Divide:
        return static_cast<float>(1 / Real(number));
    }
    return 0;
}

template <Op operation> void NumberPass(std::int32_t* v, std::int64_t n, Real operand)
{
    // Division by the number is multiplication by its reciprocal.
    constexpr Op applied = operation == Op::Divide ? Op::Multiply : operation;
    for (std::int64_t i = 0; i < n; ++i)
        v[i] = Combine<applied>(v[i], operand);
}

void NumberPassOf(Op operation, std::int32_t* v, std::int64_t n, Real operand)
{
    switch (operation) {
    case Op::Add: NumberPass<Op::Add>(v, n, operand); break;
    case Op::Subtract: NumberPass<Op::Subtract>(v, n, operand); break;
    case Op::Multiply: NumberPass<Op::Multiply>(v, n, operand); break;
    case Op::Divide: NumberPass<Op::Divide>(v, n, operand); break;
    }
}

//! The second channel's operand q = second × s2 / s1 as the definition computes it.
Real ChannelOperand(std::int32_t second, Real secondScale, Real firstScale)
{
    return Real(second) * secondScale / firstScale;
}

//! The row of the first channel combined with the second's in double, four values at a
//! time, with q = second × ratio; `exact` when z ± q has no rounding in double. A sum is
//! formed from |z| + |q|: `sumMargin` is the margin of that of the row's largest values,
//! and with `Bounded` every sum surely lies inside the 32-bit range.
template <Op operation, bool Bounded>
MORVANE_INLINE inline void ChannelKernelRow(std::int32_t* first, const std::int32_t* second, int n,
                                            double ratio, bool exact, V4d sumMargin,
                                            std::vector<TUnsurePoint>& unsure)
{
    constexpr bool sum = operation == Op::Add || operation == Op::Subtract;
    SureRow(
        first, n, unsure,
        [&](int j, V4i& raw) MORVANE_INLINE {
            const V4d z = platform::LoadDoubles(first + j);
            const V4d q = platform::LoadDoubles(second + j) * ratio;
            V4d r;
            if constexpr (operation == Op::Add)
                r = z + q;
            else if constexpr (operation == Op::Subtract)
                r = z - q;
            else if constexpr (operation == Op::Multiply)
                r = z * q;
            else
                r = z / q;  // q = 0 gives no finite value: unsure, kept by the definition
            if constexpr (sum)
                return SureTruncations4<Bounded>(r, sumMargin, raw, exact);
            else
                return SureTruncations4<false>(r, Magnitudes(r) * kSureMargin, raw, false);
        },
        [&](int j, std::int32_t& raw) MORVANE_INLINE {
            const double z = first[j], q = second[j] * ratio;
            double r;
            if constexpr (operation == Op::Add)
                r = z + q;
            else if constexpr (operation == Op::Subtract)
                r = z - q;
            else if constexpr (operation == Op::Multiply)
                r = z * q;
            else
                r = z / q;
            const double size = sum ? std::fabs(z) + std::fabs(q) : std::fabs(r);
            return SureRawValue(r, size, raw, exact);
        });
}

template <Op operation>
MORVANE_CLONES void SureChannelRow(std::int32_t* first, const std::int32_t* second, int n,
                                   double ratio, bool exact,
                                   std::vector<TUnsurePoint>& unsure)
{
    if constexpr (operation == Op::Add || operation == Op::Subtract) {
        const double zSize = LargestRawMagnitude(first, n);
        const double qSize = LargestRawMagnitude(second, n) * std::fabs(ratio);
        const V4d margin = V4d{} + (zSize + qSize) * kSureMargin;
        if (SurelyBounded(zSize, qSize))
            ChannelKernelRow<operation, true>(first, second, n, ratio, exact, margin, unsure);
        else
            ChannelKernelRow<operation, false>(first, second, n, ratio, exact, margin, unsure);
    } else {
        ChannelKernelRow<operation, false>(first, second, n, ratio, false, V4d{}, unsure);
    }
}

template <Op operation>
void ChannelRow(std::int32_t* first, const std::int32_t* second, int columns, Real secondScale,
                Real firstScale, double ratio, bool exact, std::vector<TUnsurePoint>& unsure)
{
    unsure.clear();
    SureChannelRow<operation>(first, second, columns, ratio, exact, unsure);
    for (const TUnsurePoint& u : unsure)
        first[u.Column] = Combine<operation>(u.Value, ChannelOperand(second[u.Column], secondScale, firstScale));
}

void ChannelRowOf(Op operation, std::int32_t* first, const std::int32_t* second, int columns,
                  Real secondScale, Real firstScale, double ratio, bool exact,
                  std::vector<TUnsurePoint>& unsure)
{
    switch (operation) {
    case Op::Add: ChannelRow<Op::Add>(first, second, columns, secondScale, firstScale, ratio, exact, unsure); break;
    case Op::Subtract: ChannelRow<Op::Subtract>(first, second, columns, secondScale, firstScale, ratio, exact, unsure); break;
    case Op::Multiply: ChannelRow<Op::Multiply>(first, second, columns, secondScale, firstScale, ratio, false, unsure); break;
    case Op::Divide: ChannelRow<Op::Divide>(first, second, columns, secondScale, firstScale, ratio, false, unsure); break;
    }
}

//! Whether z ± second × ratio is free of rounding in double, and the same as in extended
//! precision, for every raw z and second: the ratio s2 / s1 is a double m × 2^−f (m whole)
//! and every such sum is a multiple of 2^−f below 2^53 × 2^−f.
bool ExactSums(Real secondScale, Real firstScale, double ratio)
{
    if (Real(ratio) != secondScale / firstScale)
        return false;  // also a NaN
    double m = std::fabs(ratio);
    int f = 0;
    for (; m != std::floor(m); ++f) {
        if (f > 60)
            return false;
        m *= 2;
    }
    return std::ldexp(2147483648.0, f) + 2147483648.0 * m < 9007199254740992.0;
}

bool KnownOperation(Op operation)
{
    return operation == Op::Add || operation == Op::Subtract || operation == Op::Multiply ||
           operation == Op::Divide;
}

bool NumberUsable(const std::int32_t* values, std::int64_t count, Op operation, float number,
                  float zScale)
{
    return values && count > 0 && KnownOperation(operation) &&
           CheckNumberOperation(operation, number, zScale) == TArithmeticRefusal::None;
}

bool ChannelsUsable(const std::int32_t* first, int firstWidth, int firstHeight, float firstScale,
                    const std::int32_t* second, int secondWidth, int secondHeight, Op operation)
{
    return first && second && firstWidth > 0 && firstHeight > 0 && secondWidth > 0 &&
           secondHeight > 0 && KnownOperation(operation) &&
           CheckChannelOperation(firstScale) == TArithmeticRefusal::None;
}

}  // namespace

TArithmeticRefusal CheckNumberOperation(TArithmeticOperation operation, float number, float zScale)
{
    if (operation == Op::Divide && number == 0)
        return TArithmeticRefusal::DivisionByZero;
    if ((operation == Op::Add || operation == Op::Subtract) && zScale == 0)
        return TArithmeticRefusal::ZeroScale;
    return TArithmeticRefusal::None;
}

TArithmeticRefusal CheckChannelOperation(float zScale)
{
    return zScale == 0 ? TArithmeticRefusal::ZeroScale : TArithmeticRefusal::None;
}

void ApplyNumber(std::int32_t* values, std::int64_t count, TArithmeticOperation operation,
                 float number, float zScale, unsigned threads)
{
    if (!NumberUsable(values, count, operation, number, zScale))
        return;
    const Real operand = NumberOperand(operation, number, zScale);
    const std::int64_t pieces = (count + kPiece - 1) / kPiece;
    platform::ParallelBands(
        std::size_t(pieces),
        [&](std::size_t p) {
            const std::int64_t first = std::int64_t(p) * kPiece;
            NumberPassOf(operation, values + first, std::min(kPiece, count - first), operand);
        },
        ThreadsFor(count, threads));
}

void ApplyNumberPlain(std::int32_t* values, std::int64_t count, TArithmeticOperation operation,
                      float number, float zScale)
{
    if (!NumberUsable(values, count, operation, number, zScale))
        return;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int32_t z = values[i];
        Real result = 0;
        switch (operation) {
        case Op::Add: result = Real(z) + Real(number) / Real(zScale); break;
        case Op::Subtract: result = Real(z) - Real(number) / Real(zScale); break;
        case Op::Multiply: result = Real(z) * Real(number); break;
        case Op::Divide: result = Real(z) * Real(static_cast<float>(1 / Real(number))); break;
        }
        values[i] = ToRawValue(result, z);
    }
}

void ApplyChannel(std::int32_t* first, int firstWidth, int firstHeight, float firstScale,
                  const std::int32_t* second, int secondWidth, int secondHeight, float secondScale,
                  TArithmeticOperation operation, unsigned threads)
{
    if (!ChannelsUsable(first, firstWidth, firstHeight, firstScale, second, secondWidth,
                        secondHeight, operation))
        return;
    const int rows = std::min(firstHeight, secondHeight);
    const int columns = std::min(firstWidth, secondWidth);
    const int bands = (rows + kBandRows - 1) / kBandRows;
    const Real s1 = firstScale, s2 = secondScale;
    const double ratio = double(s2 / s1);
    const bool exact = ExactSums(s2, s1, ratio);
    platform::ParallelBands(
        std::size_t(bands),
        [&](std::size_t b) {
            std::vector<TUnsurePoint> unsure;
            const int last = std::min(rows, int(b + 1) * kBandRows);
            for (int r = int(b) * kBandRows; r < last; ++r)
                ChannelRowOf(operation, first + std::size_t(r) * std::size_t(firstWidth),
                             second + std::size_t(r) * std::size_t(secondWidth), columns, s2, s1,
                             ratio, exact, unsure);
        },
        ThreadsFor(std::int64_t(rows) * columns, threads));
}

void ApplyChannelPlain(std::int32_t* first, int firstWidth, int firstHeight, float firstScale,
                       const std::int32_t* second, int secondWidth, int secondHeight,
                       float secondScale, TArithmeticOperation operation)
{
    if (!ChannelsUsable(first, firstWidth, firstHeight, firstScale, second, secondWidth,
                        secondHeight, operation))
        return;
    const int rows = std::min(firstHeight, secondHeight);
    const int columns = std::min(firstWidth, secondWidth);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            std::int32_t& z = first[std::size_t(r) * std::size_t(firstWidth) + std::size_t(c)];
            const Real q = ChannelOperand(second[std::size_t(r) * std::size_t(secondWidth) + std::size_t(c)],
                                          secondScale, firstScale);
            switch (operation) {
            case Op::Add: z = Combine<Op::Add>(z, q); break;
            case Op::Subtract: z = Combine<Op::Subtract>(z, q); break;
            case Op::Multiply: z = Combine<Op::Multiply>(z, q); break;
            case Op::Divide: z = Combine<Op::Divide>(z, q); break;
            }
        }
}

}  // namespace processing
