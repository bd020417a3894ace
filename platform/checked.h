// Checked arithmetic shared by every handler: the floating-point status test after a
// computation, 16-bit counters that raise an overflow error instead of wrapping, array
// indices tested against the bound 0..2000, rounding half to even, and the floor cut.
#pragma once

#include <cstdint>

namespace vantory {

inline constexpr int kArrayBound = 2000;  // every measurement array has indices 0..2000

// The floating-point status test: raises the runtime's error when `value` came out of an
// invalid operation (NaN: overflow error, as 0/0 reports it) or overflowed (infinity).
// Returns `value` so a computation can be checked where it is written.
double CheckFloat(double value);

// a / b with the status test: b == 0 raises division by zero, or the overflow error for
// 0 / 0 (the invalid operation).
double CheckedDivide(double a, double b);

// A double rounded to the nearest 32-bit float, raising the overflow error when it lies
// beyond the float range.
float ToSingle(double value);

// a + b as a 16-bit signed addition; the overflow error instead of wrapping.
std::int16_t AddInt16(std::int16_t a, std::int16_t b);

// Tests an array index against 0..2000 (the subscript-out-of-range error otherwise) and
// returns it.
int CheckIndex(int index);

// Rounds to the nearest whole number, an exact half to the even neighbour, as a 32-bit
// signed integer; the overflow error outside that range (and for NaN).
std::int32_t RoundHalfEven(double value);

// The largest whole number not greater than `value` (toward minus infinity).
double FloorCut(double value);

}  // namespace vantory
