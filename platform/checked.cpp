#include "platform/checked.h"

#include <cfloat>
#include <cmath>
#include <limits>

#include "platform/runtime_error.h"

namespace vantory {

double CheckFloat(double value) {
  if (std::isnan(value) || std::isinf(value)) throw RuntimeError(kErrOverflow);
  return value;
}

double CheckedDivide(double a, double b) {
  if (b == 0.0) {
    if (a == 0.0 || std::isnan(a)) throw RuntimeError(kErrOverflow);
    throw RuntimeError(kErrDivisionByZero);
  }
  return CheckFloat(a / b);
}

float ToSingle(double value) {
  CheckFloat(value);
  const float single = static_cast<float>(value);
  if (std::isinf(single)) throw RuntimeError(kErrOverflow);
  return single;
}

std::int16_t AddInt16(std::int16_t a, std::int16_t b) {
  const int sum = int{a} + int{b};
  if (sum > std::numeric_limits<std::int16_t>::max() ||
      sum < std::numeric_limits<std::int16_t>::min()) {
    throw RuntimeError(kErrOverflow);
  }
  return static_cast<std::int16_t>(sum);
}

int CheckIndex(int index) {
  if (index < 0 || index > kArrayBound) throw RuntimeError(kErrSubscript);
  return index;
}

std::int32_t RoundHalfEven(double value) {
  if (std::isnan(value)) throw RuntimeError(kErrOverflow);
  // nearbyint rounds in the default mode, to nearest with ties to even.
  const double rounded = std::nearbyint(value);
  if (rounded > std::numeric_limits<std::int32_t>::max() ||
      rounded < std::numeric_limits<std::int32_t>::min()) {
    throw RuntimeError(kErrOverflow);
  }
  return static_cast<std::int32_t>(rounded);
}

double FloorCut(double value) { return std::floor(value); }

}  // namespace vantory
