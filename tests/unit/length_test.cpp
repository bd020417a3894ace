// Distance and the scaled-length rule.
#include <gtest/gtest.h>

#include <string>

#include "measure/segment_length.h"
#include "platform/number_text.h"
#include "platform/runtime_error.h"

namespace vantory::unit {
namespace {

float DistanceOf(float x1, float y1, float x2, float y2) {
  float result = -1;
  Distance(x1, y1, x2, y2, result);
  return result;
}

struct Worked {
  float rx2, ry2;      // the reference runs from (0, 0) to here
  float ref_length;
  float sx2, sy2;      // the segment runs from (0, 0) to here
  float d, expected;
};

class WorkedLengthTest : public ::testing::TestWithParam<Worked> {};

TEST_P(WorkedLengthTest, DistanceAndScaledLength) {
  const Worked& w = GetParam();
  const float d = DistanceOf(0, 0, w.sx2, w.sy2);
  const float d_ref = DistanceOf(0, 0, w.rx2, w.ry2);
  EXPECT_EQ(d, w.d);
  EXPECT_EQ(ScaledLength(d, w.ref_length, d_ref), w.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WorkedLengthTest,
    ::testing::Values(Worked{3000, 4000, 100, 1500, 2000, 2500, 50},
                      Worked{3000, 0, 1, 1000, 0, 1000, 0.333f},
                      Worked{3000, 0, -1, 1000, 0, 1000, -0.334f},  // cut downward
                      Worked{3000, 0, 0, 1234, 567, 1358.02979f, 0},
                      Worked{4500, 0, 100, 1500, 0, 1500, 33.333f},
                      Worked{3000, 4000, 100, 0, 0, 0, 0}));  // coincident endpoints

TEST(Distance, DoesNotDependOnTheOrderOfThePoints) {
  const float points[][4] = {
      {120, 1293.75f, 5827.5f, 4147.5f}, {-300, 17, 4000.25f, -2.5f}, {1, 1, 1, 1}, {0, 7, 0, -7}};
  for (const auto& q : points) {
    EXPECT_EQ(DistanceOf(q[0], q[1], q[2], q[3]), DistanceOf(q[2], q[3], q[0], q[1]));
    EXPECT_EQ(DistanceOf(q[0], q[1], q[2], q[3]), DistanceOf(q[1], q[0], q[3], q[2]));
  }
  EXPECT_EQ(DistanceOf(-3, 0, 0, 4), 5);
}

// A segment equal to the reference comes out as refLength cut to three decimals, and
// the cut sees the 32-bit value of what was typed: 0.7 is held as 0.69999999.
class SameAsReferenceTest : public ::testing::TestWithParam<std::pair<const char*, float>> {};

TEST_P(SameAsReferenceTest, GivesTheTypedLengthCut) {
  const float typed = TextToSingle(GetParam().first);
  const float d_ref = DistanceOf(120, 1293.75f, 5827.5f, 4147.5f);
  EXPECT_EQ(ScaledLength(d_ref, typed, d_ref), GetParam().second) << GetParam().first;
}

INSTANTIATE_TEST_SUITE_P(
    Typed, SameAsReferenceTest,
    ::testing::Values(std::pair{"100", 100.0f}, std::pair{"12.3456", 12.345f},
                      std::pair{"0.7", 0.699f}, std::pair{"2.3", 2.299f},
                      std::pair{"0.1", 0.1f}, std::pair{"0.3", 0.3f}, std::pair{"1.7", 1.7f},
                      std::pair{"-12.3456", -12.346f}));

TEST(ScaledLength, AReferenceOfLengthZeroIsAnError) {
  const auto error_of = [](float d, float ref_length) {
    try {
      ScaledLength(d, ref_length, 0);
    } catch (const RuntimeError& error) {
      return error.Number();
    }
    return 0;
  };
  EXPECT_EQ(error_of(1000, 100), kErrDivisionByZero);
  EXPECT_EQ(error_of(0, 100), kErrOverflow);  // 0 / 0
}

TEST(ScaledLength, BeyondTheFloatRangeIsAnError) {
  EXPECT_EQ(ScaledLength(1000, 3e38f, 1000), 3e38f);
  try {
    ScaledLength(2000, 3e38f, 1000);
    FAIL() << "6e38 does not fit a 32-bit float";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.Number(), kErrOverflow);
  }
}

}  // namespace
}  // namespace vantory::unit
