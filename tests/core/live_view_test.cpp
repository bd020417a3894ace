// The live view: exactly what each pointer move draws, in order.
#include <gtest/gtest.h>

#include "core/length_rule.h"
#include "core/number_text.h"
#include "tests/core/program.h"

namespace vantory::testing {
namespace {

using fakes::line;

// Reference R (1000, 2000)-(4000, 6000) of length 100; one measurement M (1500, 2500)-
// (3000, 4500) of 50. Later pairs start at W1 (2000, 3000); W2 (2600, 3800) is 1000
// twips from it (20) and the pointer P (2300, 3400) 500 twips (10).
class LiveView : public ::testing::Test {
 protected:
  void SetUp() override {
    p_.open();
    p_.setReference({1000, 2000}, {4000, 6000}, "100");
    p_.measure({1500, 2500}, {3000, 4500});
  }
  // The committed annotations, as every move in reference or measure mode starts (at 8
  // points: the measurement was drawn as the working pair when it was placed).
  static std::vector<Drawn> committed(float points = 8) {
    std::vector<Drawn> d = labelled({1000, 2000}, {4000, 6000}, 100, Ink::kReference, points);
    append(d, labelled({1500, 2500}, {3000, 4500}, 50, Ink::kMeasurement, points));
    return d;
  }
  Program p_;
};

TEST_F(LiveView, DrawsTheCommittedAnnotationsThenTheWorkingPair) {
  struct Row {
    const char* name;
    Mode mode;
    bool pending;
    std::vector<Drawn> working;
  };
  const Row rows[] = {
      {"reference, finished", Mode::kReference, false, {line(2000, 3000, 2600, 3800, Ink::kReference)}},
      {"reference, rubber band", Mode::kReference, true, {line(2000, 3000, 2300, 3400, Ink::kReference)}},
      {"measure, finished", Mode::kMeasure, false,
       labelled({2000, 3000}, {2600, 3800}, 20, Ink::kMeasurement, 8)},
      {"measure, rubber band", Mode::kMeasure, true,
       labelled({2000, 3000}, {2300, 3400}, 10, Ink::kMeasurement, 8)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Program q;
    q.open();
    q.setReference({1000, 2000}, {4000, 6000}, "100");
    q.measure({1500, 2500}, {3000, 4500});
    q.left(2000, 3000);
    if (!row.pending) q.left(2600, 3800);
    row.mode == Mode::kReference ? q.commands().chooseReferenceMode() : q.commands().chooseMeasureMode();
    std::vector<Drawn> expected = committed();
    append(expected, row.working);
    EXPECT_EQ(fakes::toString(q.move(2300, 3400)), fakes::toString(expected));
  }
}

TEST(LiveViewIdle, OnlyRestoresThePicture) {
  Program p;
  for (int opened = 0; opened < 2; ++opened) {
    if (opened) p.open();
    const int frames = p.fake().surface.frames;
    EXPECT_TRUE(p.move(2000, 3000).empty());
    EXPECT_EQ(p.fake().surface.frames, frames + 1);
  }
}

TEST(LiveViewBeforeAnyPress, TheWorkingLineIsAPointAtTheOrigin) {
  Program p;
  p.open();
  p.commands().chooseReferenceMode();
  EXPECT_EQ(p.move(2000, 3000), std::vector<Drawn>{line(0, 0, 0, 0, Ink::kReference)});
}

// The reference is drawn only while none of its four coordinates is 0.
TEST(LiveViewReference, IsHiddenWhileACoordinateIsZero) {
  for (int which = 0; which < 4; ++which) {
    Program p;
    p.open();
    // A press left of or above the picture can lie on the view's 0.
    TwipPoint a{1000, 2000}, b{4000, 6000};
    (which == 0 ? a.x : which == 1 ? a.y : which == 2 ? b.x : b.y) = 0;
    p.commands().chooseReferenceMode();
    p.commands().press(MouseButton::kLeft, float(double{a.x} - 120), float(double{a.y} - 1293.75));
    p.prompts().textAnswers = {"100"};
    p.commands().press(MouseButton::kLeft, float(double{b.x} - 120), float(double{b.y} - 1293.75));
    p.right();
    ASSERT_TRUE(p.session().referenceCommitted());
    p.left(1500, 2500);
    EXPECT_EQ(p.move(2000, 3000), std::vector<Drawn>{line(1500, 2500, 2000, 3000, Ink::kReference)});
  }
}

TEST_F(LiveView, AllNineHundredNinetyNineMeasurementsAreDrawnInOrder) {
  p_.commands().chooseMeasureMode();
  for (int k = 2; k <= 999; ++k) {
    p_.left(1000.0f + k, 2000);
    p_.left(1000.0f + k, 3000);
    p_.right();
  }
  p_.commands().chooseReferenceMode();
  const std::vector<Drawn>& drawn = p_.move(2300, 3400);
  ASSERT_EQ(drawn.size(), 2u + 2u * 999u + 1u);
  for (int k = 2; k <= 999; ++k) {
    ASSERT_EQ(drawn[2 * k + 1], line(1000.0f + k, 2000, 1000.0f + k, 3000, Ink::kMeasurement)) << k;
    ASSERT_EQ(drawn[2 * k].value, 20);  // 1000 twips against 5000
  }
}

// The labels take 8 points from the first drawing of a working pair in measure mode on,
// all of them, and stay so; on that drawing itself the committed ones are drawn before.
TEST(LiveViewLabels, TurnEightPointOnTheFirstMeasuredPair) {
  Program p;
  p.open();
  p.setReference({1000, 2000}, {4000, 6000}, "12.3456");
  p.commands().chooseMeasureMode();
  // The reference's own pair is not drawn over it in green.
  EXPECT_EQ(p.move(2000, 3000), labelled({1000, 2000}, {4000, 6000}, 12.3456f, Ink::kReference, 9));

  p.left(1000, 2000);  // drawn at once: the rubber band to the pointer, still on the point
  std::vector<Drawn> expected = labelled({1000, 2000}, {4000, 6000}, 12.3456f, Ink::kReference, 9);
  append(expected, labelled({1000, 2000}, {1000, 2000}, 0, Ink::kMeasurement, 8));
  EXPECT_EQ(p.fake().surface.frame(), expected);

  expected = labelled({1000, 2000}, {4000, 6000}, 12.3456f, Ink::kReference, 8);
  append(expected, labelled({1000, 2000}, {2500, 4000}, 6.172f, Ink::kMeasurement, 8));
  EXPECT_EQ(p.move(2500, 4000), expected);

  p.commands().chooseReferenceMode();
  expected.resize(2);
  expected.push_back(line(1000, 2000, 2000, 3000, Ink::kReference));  // no label on it
  EXPECT_EQ(p.move(2000, 3000), expected);
}

// Committed and still the working pair: drawn from the stored length, then again.
TEST_F(LiveView, AJustCommittedMeasurementIsDrawnTwice) {
  std::vector<Drawn> expected = committed();
  append(expected, labelled({1500, 2500}, {3000, 4500}, 50, Ink::kMeasurement, 8));
  EXPECT_EQ(p_.move(2300, 3400), expected);
}

TEST_F(LiveView, TheRubberBandFollowsThePointerUnclamped) {
  p_.left(2000, 3000);
  EXPECT_EQ(p_.move(2000, 3000).back(), line(2000, 3000, 2000, 3000, Ink::kMeasurement));
  EXPECT_EQ(p_.fake().surface.frame().end()[-2].value, 0);
  p_.commands().move(-620, 1706.25f);  // left of the picture: used as it is
  EXPECT_EQ(p_.fake().surface.frame().back(), line(2000, 3000, -500, 3000, Ink::kMeasurement));
  EXPECT_EQ(p_.fake().surface.frame().end()[-2].value, 50);  // 2500 twips against 5000
}

// A length typed for a new pair changes nothing on screen until the pair is committed.
TEST_F(LiveView, ANewLengthShowsOnlyWithItsCommittedPair) {
  p_.commands().chooseReferenceMode();
  p_.left(1200, 2200);
  p_.prompts().textAnswers = {"80"};
  p_.left(2800, 3600);
  std::vector<Drawn> expected = committed();
  expected.push_back(line(1200, 2200, 2800, 3600, Ink::kReference));
  EXPECT_EQ(p_.move(2300, 3400), expected);

  // Fixed, it labels the measurement anew.
  p_.right();
  const float relabelled = scaledLength(2500, 80, distance({1200, 2200}, {2800, 3600}));
  expected = labelled({1200, 2200}, {2800, 3600}, 80, Ink::kReference, 8);
  append(expected, labelled({1500, 2500}, {3000, 4500}, relabelled, Ink::kMeasurement, 8));
  expected.push_back(line(1200, 2200, 2800, 3600, Ink::kReference));
  EXPECT_EQ(p_.move(2300, 3400), expected);
}

TEST_F(LiveView, ACancelledPairIsNotDrawnUntilANewOneStarts) {
  p_.commands().chooseReferenceMode();
  p_.left(1200, 2200);
  p_.prompts().textAnswers = {""};
  p_.left(2800, 3600);
  EXPECT_EQ(p_.move(2300, 3400), committed());
  p_.left(1300, 2300);
  EXPECT_EQ(p_.move(2300, 3400).back(), line(1300, 2300, 2300, 3400, Ink::kReference));
}

// Labels that would meet are set apart, in drawing order: the reference's at its
// midpoint, then the measurements', then the rubber band's, at 8 points (the sizes the
// painter tells), the same from move to move.
TEST(LiveViewLabels, SharingAMidpointEachTakesAPlaceOfItsOwn) {
  Program p;
  p.fake().surface.setLabelBox({900, 180});  // 800 x 160 at 8 points
  p.open();
  p.setReference({1000, 2000}, {4000, 6000}, "100");  // all four around (2500, 4000)
  p.measure({1500, 3000}, {3500, 5000});
  p.measure({2000, 4000}, {3000, 4000});
  p.left(2500, 3000);
  const auto corners = [&](float x, float y) {
    std::vector<TwipPoint> at;
    for (const Drawn& d : p.move(x, y)) {
      if (d.kind == Drawn::kLabel) at.push_back(d.from);
    }
    return at;
  };
  const std::vector<TwipPoint> eightPoint{{2500, 4000}, {1700, 4000}, {2500, 3840}, {1700, 3840}};
  EXPECT_EQ(corners(2500, 5000), eightPoint);
  EXPECT_EQ(corners(2500, 5000), eightPoint);
  // The rubber band moved off: its label back at its midpoint, the others where they were.
  const std::vector<TwipPoint> apart{{2500, 4000}, {1700, 4000}, {2500, 3840}, {2500, 5000}};
  EXPECT_EQ(corners(2500, 7000), apart);
}

// A live length beyond the float range is labelled 溢出, move after move, without a box;
// a right press on it reports the overflow once and keeps nothing.
TEST(LiveViewOverflow, IsLabelledAndOnlyKeepingItIsReported) {
  Program p;
  p.open();
  p.setReference({1000, 2000}, {4000, 6000}, "3e38");
  p.commands().chooseMeasureMode();
  p.left(1000, 2000);
  std::vector<Drawn> expected = labelled({1000, 2000}, {4000, 6000}, 3e38f, Ink::kReference, 8);
  append(expected, labelled({1000, 2000}, {7000, 10000}, kOverflowLength, Ink::kMeasurement, 8));
  EXPECT_EQ(p.move(7000, 10000), expected);
  EXPECT_EQ(p.move(7000, 10000), expected);
  EXPECT_EQ(labelText(kOverflowLength), " 溢出 ");
  p.left(7000, 10000);
  const MeasurementSession before = p.session();
  p.right();
  EXPECT_EQ(p.session(), before);
  EXPECT_EQ(p.prompts().errors, (std::vector<std::pair<int, std::string>>{{6, "溢出"}}));
}

}  // namespace
}  // namespace vantory::testing
