#include "core/exact_math.h"

#include <cmath>
#include <limits>

#include "core/errors.h"

namespace vantory {

double checked(double value) {
  if (!std::isfinite(value)) throw AppError(ErrorCode::kOverflow);
  return value;
}

double checkedDivide(double a, double b) {
  if (b == 0.0) {
    if (a == 0.0 || std::isnan(a)) throw AppError(ErrorCode::kOverflow);
    throw AppError(ErrorCode::kDivisionByZero);
  }
  return checked(a / b);
}

float toSingle(double value) {
  checked(value);
  const float single = static_cast<float>(value);
  if (std::isinf(single)) throw AppError(ErrorCode::kOverflow);
  return single;
}

std::int32_t roundHalfEven(double value) {
  // nearbyint rounds in the default mode: to nearest, ties to even.
  const double rounded = std::nearbyint(checked(value));
  if (rounded > std::numeric_limits<std::int32_t>::max() ||
      rounded < std::numeric_limits<std::int32_t>::min()) {
    throw AppError(ErrorCode::kOverflow);
  }
  return static_cast<std::int32_t>(rounded);
}

}  // namespace vantory
