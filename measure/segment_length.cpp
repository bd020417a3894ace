#include "measure/segment_length.h"

#include <cmath>

#include "platform/checked.h"

namespace vantory {

void Distance(const float& x1, const float& y1, const float& x2, const float& y2, float& result) {
  const double dy = CheckFloat(static_cast<double>(y1) - static_cast<double>(y2));
  const double dy2 = std::pow(dy, 2.0);
  const double dx = CheckFloat(static_cast<double>(x1) - static_cast<double>(x2));
  const double dx2 = std::pow(dx, 2.0);
  const double s = CheckFloat(dx2 + dy2);
  result = ToSingle(std::sqrt(s));
}

float ScaledLength(float d, float refLength, float dRef) {
  double q = static_cast<double>(d) * static_cast<double>(refLength);
  q = CheckedDivide(q, static_cast<double>(dRef));
  q = CheckFloat(q * 1000.0);
  const double w = FloorCut(q);
  return ToSingle(w / 1000.0);
}

}  // namespace vantory
