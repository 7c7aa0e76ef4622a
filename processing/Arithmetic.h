#pragma once
// Arithmetic on a channel: with a number (a physical value for + and −, a plain factor for
// × and /) or value by value with a channel of another scan, each result truncated toward
// zero to a raw value (saturating; a NaN keeps the old value). Computed in extended
// precision. The fast passes run on the machine's cores; each has a plain twin.

#include <cstdint>

namespace processing {

//! The four operations, numbered as the dialog's buttons (their Tags).
enum class TArithmeticOperation { Add = 0, Subtract = 1, Multiply = 2, Divide = 3 };

//! Why an operation has no defined result.
enum class TArithmeticRefusal {
    None,
    DivisionByZero,  //!< "/" with the number 0
    ZeroScale        //!< a number added or subtracted, or any channel operation, on a Z scale of 0
};

//! Whether `number` may be applied to a channel of Z scale `zScale`.
TArithmeticRefusal CheckNumberOperation(TArithmeticOperation operation, float number, float zScale);
//! Whether a channel may be combined with a second one when its own Z scale is `zScale`.
TArithmeticRefusal CheckChannelOperation(float zScale);

//! Every value z of `count` becomes, with the number v and the Z scale s: + trunc(z + v/s),
//! − trunc(z − v/s), × trunc(z × v), / trunc(z × r) with r = 1/v rounded to a 32-bit float.
//! Refused operations (CheckNumberOperation) change nothing. `threads` 0 uses every core.
void ApplyNumber(std::int32_t* values, std::int64_t count, TArithmeticOperation operation,
                 float number, float zScale, unsigned threads = 0);
void ApplyNumberPlain(std::int32_t* values, std::int64_t count, TArithmeticOperation operation,
                      float number, float zScale);

//! The top-left rows and columns that both channels have: each value z of the first
//! becomes trunc(z + q), trunc(z − q), trunc(z × q) or trunc(z / q), q being the second
//! channel's value at the same row and column × secondScale / firstScale (each matrix
//! indexed from its own top-left corner); z / q with q = 0 keeps z. The rest of the first
//! channel stays as it is; a refused operation (CheckChannelOperation) changes nothing.
void ApplyChannel(std::int32_t* first, int firstWidth, int firstHeight, float firstScale,
                  const std::int32_t* second, int secondWidth, int secondHeight, float secondScale,
                  TArithmeticOperation operation, unsigned threads = 0);
void ApplyChannelPlain(std::int32_t* first, int firstWidth, int firstHeight, float firstScale,
                       const std::int32_t* second, int secondWidth, int secondHeight,
                       float secondScale, TArithmeticOperation operation);

}  // namespace processing
