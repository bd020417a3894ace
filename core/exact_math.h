// The checked steps of every computation: a result that is not finite (an overflow, or
// 0 / 0) stops the command with the overflow error, a division by zero with its own; a
// double becomes a float only through toSingle, which checks the float's range too.
#pragma once

#include <cstdint>

namespace vantory {

// `value` itself, or the overflow error when it is not finite.
double checked(double value);

// a / b, or the division-by-zero error (b == 0 with a != 0), or the overflow error (0 / 0
// and results beyond the range).
double checkedDivide(double a, double b);

// The nearest 32-bit float, or the overflow error beyond the float range.
float toSingle(double value);

// The nearest whole number, an exact half to the even neighbour, as a 32-bit integer;
// the overflow error outside that range.
std::int32_t roundHalfEven(double value);

}  // namespace vantory
