// Where labels go so that none covers another: one table of placements, each row a run
// of labels placed in order (600 x 200 twips unless a row says otherwise) with the
// top-left corner each must take.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/label_placement.h"

namespace vantory {
namespace {

constexpr Segment kLevel{{0, 1000}, {2000, 1000}};      // midpoint (1000, 1000), normal down
constexpr Segment kUpright{{1000, 0}, {1000, 2000}};    // midpoint (1000, 1000), normal right
constexpr Segment kSlanting{{0, 0}, {2000, 2000}};      // midpoint (1000, 1000)
constexpr Segment kLevelBack{{2000, 1000}, {0, 1000}};  // the same, drawn the other way

struct Step {
  Segment segment;
  float value;
  TwipPoint expected;  // where its top-left corner goes
  Ink ink = Ink::kMeasurement;
  TwipSize size{600, 200};
  TwipPoint midpoint{-1, -1};  // the segment's own unless given
  bool restart = false;        // a new round starts before it
  std::string_view unit = {};
};

// A label of 1200 x 400 with its corner at (400, 800): over the four corners at the
// midpoint (1000, 1000) of a 600 x 200 label.
const Step kFourCorners{kLevel, 0, {400, 800}, Ink::kReference, {1200, 400}, {400, 800}};

Step again(Step step) {
  step.restart = true;
  return step;
}

struct Row {
  const char* name;
  std::vector<Step> steps;
};

TEST(LabelPlacement, TakesTheMidpointOrTheNearestFreePlace) {
  const Row rows[] = {
      {"alone: at the midpoint", {{kLevel, 1, {1000, 1000}}}},
      {"then its other three corners, then one step out along the normal, down, then up",
       {{kLevel, 1, {1000, 1000}},
        {kLevel, 2, {400, 1000}},
        {kLevel, 3, {1000, 800}},
        {kLevel, 4, {400, 800}},
        {kLevel, 5, {1000, 1200}},
        {kLevel, 6, {400, 1200}},
        {kLevel, 7, {1000, 600}},
        {kLevel, 8, {400, 600}},
        {kLevel, 9, {1000, 1400}}}},
      // Below, one large label covers all four corners at (1000, 1000) at once.
      {"the direction the segment was drawn in changes nothing",
       {kFourCorners, {kLevelBack, 5, {1000, 1200}}}},
      {"an upright segment steps out sideways by a label's width",
       {kFourCorners, {kUpright, 5, {1600, 1000}}}},
      {"a slanting one along its normal, down and to the left", {kFourCorners, {kSlanting, 5, {800, 1200}}}},
      {"touching edges are no overlap",
       {{kLevel, 1, {1000, 1000}}, {kLevel, 2, {1600, 1000}, Ink::kMeasurement, {600, 200}, {1600, 1000}}}},
      {"a twip of overlap is",
       {{kLevel, 1, {1000, 1000}}, {kLevel, 2, {1599, 800}, Ink::kMeasurement, {600, 200}, {1599, 1000}}}},
      {"labels of other sizes",
       {{kLevel, 1, {1000, 1000}, Ink::kReference, {900, 300}},
        {kLevel, 2, {700, 1000}, Ink::kMeasurement, {300, 100}}}},
      {"the same segment and label twice lies on its twin; in another ink, of another "
       "segment or in another unit, it moves",
       {{kLevel, 1, {1000, 1000}},
        {kLevel, 1, {1000, 1000}},
        {kLevel, 1, {400, 1000}, Ink::kReference},
        {kUpright, 1, {1000, 800}},
        {kLevel, 1, {400, 800}, Ink::kMeasurement, {600, 200}, {-1, -1}, false, "mm"}}},
      {"a label without area stays at its midpoint",
       {{kLevel, 1, {1000, 1000}}, {kLevel, 2, {1000, 1000}, Ink::kMeasurement, {0, 0}}}},
      {"a new round keeps the places of the same labels",
       {{kLevel, 1, {1000, 1000}},
        {kLevel, 2, {400, 1000}},
        again({kLevel, 1, {1000, 1000}}),
        {kLevel, 2, {400, 1000}},
        {kLevel, 3, {1000, 800}}}},
      {"and places anew from the first label that changed",
       {{kLevel, 1, {1000, 1000}},
        {kLevel, 2, {400, 1000}},
        {kLevel, 3, {1000, 800}},
        again({kUpright, 1, {5000, 5000}, Ink::kMeasurement, {600, 200}, {5000, 5000}}),
        {kLevel, 2, {1000, 1000}},
        {kLevel, 3, {400, 1000}}}},
  };
  for (const Row& row : rows) {
    LabelPlacement labels;
    int n = 0;
    for (const Step& step : row.steps) {
      if (step.restart) labels.restart();
      const TwipPoint midpoint = step.midpoint.x >= 0 ? step.midpoint
                                                      : TwipPoint{(step.segment.a.x + step.segment.b.x) / 2,
                                                                  (step.segment.a.y + step.segment.b.y) / 2};
      const TwipPoint at = labels.place(
          {step.segment.a, step.segment.b, midpoint, step.size, step.value, step.unit, step.ink});
      EXPECT_EQ(at, step.expected) << row.name << ", label " << n << " placed at " << at.x << ", " << at.y;
      ++n;
    }
  }
}

// However many labels share a midpoint, each finds a place of its own.
TEST(LabelPlacement, NineHundredNinetyNineLabelsOnOnePointAllGetPlacesOfTheirOwn) {
  LabelPlacement labels;
  std::vector<TwipPoint> places;
  for (int k = 0; k < 999; ++k) {
    places.push_back(
        labels.place({kSlanting.a, kSlanting.b, {1000, 1000}, {600, 200}, float(k), {}, Ink::kMeasurement}));
  }
  for (std::size_t i = 0; i < places.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      const LabelBox a{places[i].x, places[i].y, 600, 200}, b{places[j].x, places[j].y, 600, 200};
      ASSERT_FALSE(a.overlaps(b)) << "labels " << j << " and " << i;
    }
  }
}

}  // namespace
}  // namespace vantory
