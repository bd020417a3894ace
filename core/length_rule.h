// The two computations every length rests on: the distance of two points and the scaled
// length, a distance in proportion to the reference, cut (never rounded) to three
// decimals.
#pragma once

#include "core/geometry.h"

namespace vantory {

// The Euclidean distance of a and b, from 64-bit differences, squares (by pow) and sum,
// rounded once to a float at the end. It does not depend on the order of the points.
float distance(TwipPoint a, TwipPoint b);
inline float distance(const Segment& s) { return distance(s.a, s.b); }

// distance x referenceLength / referenceDistance x 1000, evaluated left to right in
// doubles, floored (toward minus infinity), / 1000, rounded to a float: 0.3336 gives
// 0.333, -0.3331 gives -0.334. A reference distance of 0 is the division-by-zero error
// (the overflow error for 0 / 0), a result beyond the float range the overflow error.
float scaledLength(float distance, float referenceLength, float referenceDistance);

}  // namespace vantory
