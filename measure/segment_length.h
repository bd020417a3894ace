// The two computations every length rests on: the distance of two view points and the
// scaled-length rule (a pixel distance in proportion to the reference, cut to three
// decimals).
#pragma once

namespace vantory {

// Euclidean distance of (x1, y1) and (x2, y2), 64-bit intermediates, the result rounded
// to a 32-bit float into `result`.
void Distance(const float& x1, const float& y1, const float& x2, const float& y2, float& result);

// d x refLength / dRef x 1000, floored, / 1000, stored as a 32-bit float. Raises the
// runtime's floating-point error for dRef == 0 or a result beyond the float range.
float ScaledLength(float d, float refLength, float dRef);

}  // namespace vantory
