#include "core/length_rule.h"

#include <cmath>

#include "core/exact_math.h"

namespace vantory {

float distance(TwipPoint a, TwipPoint b) {
  const double dy = checked(static_cast<double>(a.y) - static_cast<double>(b.y));
  const double dy2 = std::pow(dy, 2.0);
  const double dx = checked(static_cast<double>(a.x) - static_cast<double>(b.x));
  const double dx2 = std::pow(dx, 2.0);
  const double sum = checked(dx2 + dy2);
  return toSingle(std::sqrt(sum));
}

float scaledLength(float distance, float referenceLength, float referenceDistance) {
  double q = static_cast<double>(distance) * static_cast<double>(referenceLength);
  q = checkedDivide(q, static_cast<double>(referenceDistance));
  q = checked(q * 1000.0);
  return toSingle(std::floor(q) / 1000.0);
}

}  // namespace vantory
