// The edge finder on pictures whose brightness changes across x only, with known places:
// blurred steps, a ramp, thin dark and light lines, noise alone, two edges in reach.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/edge_snap.h"

namespace vantory {
namespace {

constexpr double kBlur = 1.0;

// The brightness a Gaussian blur of kBlur makes of a step from `before` to `after` at `at`.
double step(double x, double at, double before, double after) {
  return before + (after - before) * 0.5 * std::erfc((at - x) / (kBlur * std::sqrt(2.0)));
}

// A picture 120 pixels wide whose pixel centres take `profile(x)`, with Gaussian noise.
GreyPicture across(const std::function<double(double)>& profile, double noise = 0, unsigned seed = 1) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> jitter(0, noise);
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 120; ++x) {
      const double v = profile(x + 0.5) + (noise > 0 ? jitter(rng) : 0);
      pixels.push_back(static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)));
    }
  }
  return GreyPicture(120, 40, std::move(pixels));
}

struct Case {
  std::string name;
  std::function<double(double)> profile;
  double noise;
  double clickX;  // the end, on the row y = 20.5; the other end lies far to the right
  double reach;
  Snap::Kind kind;   // what is found
  double expectedX;  // where the end goes
};

TEST(EdgeSnap, FindsTheNearestEdgeOrThinLineToATenthOfAPixel) {
  const std::vector<Case> cases = {
      {"rising step", [](double x) { return step(x, 50.3, 40, 200); }, 0, 47, 6, Snap::Kind::kEdge, 50.3},
      {"falling step, clicked past it", [](double x) { return step(x, 61.75, 220, 30); }, 0, 64, 6,
       Snap::Kind::kEdge, 61.75},
      {"step in noise of 2 levels", [](double x) { return step(x, 50.6, 60, 180); }, 2, 53, 6,
       Snap::Kind::kEdge, 50.6},
      {"ramp from 40 to 60: its middle",
       [](double x) { return 50 + 150 * std::clamp((x - 40) / 20, 0.0, 1.0); }, 0, 46, 8, Snap::Kind::kEdge,
       50},
      {"thin dark line 2 px wide", [](double x) { return step(x, 49.4, 200, 30) + step(x, 51.4, 0, 170); }, 0,
       53, 6, Snap::Kind::kThinLine, 50.4},
      {"thin light line 1 px wide", [](double x) { return step(x, 70.2, 50, 230) + step(x, 71.2, 0, -180); },
       2, 68, 6, Snap::Kind::kThinLine, 70.7},
      {"two edges in reach: the nearer", [](double x) { return step(x, 45, 40, 200) + step(x, 58, 0, -120); },
       0, 55, 12, Snap::Kind::kEdge, 58},
      {"an edge beyond reach: stays", [](double x) { return step(x, 50, 40, 200); }, 0, 40, 6,
       Snap::Kind::kNone, 40},
      {"noise alone: stays", [](double) { return 128.0; }, 2, 60, 20, Snap::Kind::kNone, 60},
      {"a change lost in the noise: stays", [](double x) { return step(x, 50, 120, 126); }, 2, 52, 6,
       Snap::Kind::kNone, 52},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const GreyPicture picture = across(c.profile, c.noise);
    const Snap snap = snapToEdge(picture, {{c.clickX, 20.5}, {110.5, 20.5}, c.reach, 2});
    EXPECT_EQ(snap.kind, c.kind);
    EXPECT_NEAR(snap.at.x, c.expectedX, 0.1);
    EXPECT_NEAR(snap.at.y, 20.5, 1e-9);  // along the line only
    EXPECT_NEAR(snap.shift, snap.at.x - c.clickX, 1e-9);
  }
}

// Along a slanted line the end moves on that line, to where it crosses the edge.
TEST(EdgeSnap, MovesAlongASlantedLine) {
  const GreyPicture picture = across([](double x) { return step(x, 60.2, 30, 210); });
  const Snap snap = snapToEdge(picture, {{57, 18}, {97, 48}, 8, 2});  // direction (0.8, 0.6)
  ASSERT_EQ(snap.kind, Snap::Kind::kEdge);
  EXPECT_NEAR(snap.at.x, 60.2, 0.1);
  EXPECT_NEAR(snap.at.y, 18 + (snap.at.x - 57) * 0.75, 1e-9);
  EXPECT_NEAR(snap.shift, (snap.at.x - 57) / 0.8, 1e-9);
}

// Two ends in one place give no line to move along.
TEST(EdgeSnap, NothingToFindWithoutALine) {
  const GreyPicture picture = across([](double x) { return step(x, 50, 30, 210); });
  EXPECT_EQ(snapToEdge(picture, {{49, 20}, {49, 20}, 6, 2}).kind, Snap::Kind::kNone);
}

}  // namespace
}  // namespace vantory
