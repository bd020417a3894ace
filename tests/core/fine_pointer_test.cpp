// The slowed pointer of fine placement.
#include <gtest/gtest.h>

#include "core/fine_pointer.h"

namespace vantory {
namespace {

TEST(FinePointer, FollowsThePointerAtAnEighthFromWhereItWasWhenShiftWentDown) {
  FinePointer f;
  EXPECT_EQ(f.track({100, 200}, false), (PixelPoint{100, 200}));
  EXPECT_EQ(f.track({120.5, 190.25}, false), (PixelPoint{120.5, 190.25}));
  // Shift goes down with this move: the slowed point starts from the last place before.
  EXPECT_EQ(f.track({128.5, 198.25}, true), (PixelPoint{121.5, 191.25}));
  EXPECT_EQ(f.track({200.5, 110.25}, true), (PixelPoint{130.5, 180.25}));
  EXPECT_EQ(f.track({120.5, 190.25}, true), (PixelPoint{120.5, 190.25}));
  // Released: the pointer itself.
  EXPECT_EQ(f.track({123.75, 191}, false), (PixelPoint{123.75, 191}));
  // Down again: from the last place seen before, not from the first anchor.
  EXPECT_EQ(f.track({131.75, 183}, true), (PixelPoint{124.75, 190}));
}

TEST(FinePointer, AKeyAloneStartsAndEndsItWithoutAMove) {
  FinePointer f;
  f.track({10.25, 20.5}, false);
  f.setHeld(true);
  EXPECT_TRUE(f.held());
  EXPECT_EQ(f.point(), (PixelPoint{10.25, 20.5}));
  // Moves reported with Shift held follow slowed from the place the key went down at.
  EXPECT_EQ(f.track({18.25, 12.5}, true), (PixelPoint{11.25, 19.5}));
  EXPECT_EQ(f.track({10.3, 20.6}, true).x, 10.25 + (10.3 - 10.25) / 8);
  f.setHeld(false);
  EXPECT_EQ(f.point(), (PixelPoint{10.3, 20.6}));
  // A move that still says Shift is held after the key went up starts a new slowing.
  EXPECT_EQ(f.track({18.3, 20.6}, true), (PixelPoint{11.3, 20.6}));
}

TEST(FinePointer, HeldFromTheFirstMoveStartsThere) {
  FinePointer f;
  EXPECT_EQ(f.track({50, 60}, true), (PixelPoint{50, 60}));
  EXPECT_EQ(f.track({58, 52}, true), (PixelPoint{51, 59}));
}

}  // namespace
}  // namespace vantory
