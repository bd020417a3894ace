// The session's rules for presses and commits: which point a left press sets, when a right
// press commits what, and what a typed or cancelled length does.
#include <gtest/gtest.h>

#include <memory>

#include "tests/core/program.h"

namespace vantory::testing {
namespace {

// The reference (1000, 2000)-(4000, 6000) is 5000 twips and 100 long; the working pair
// (1500, 2500)-(3000, 4500) is 2500 twips: it measures 50.
class Presses : public ::testing::Test {
 protected:
  void SetUp() override {
    p_.open();
    p_.setReference({1000, 2000}, {4000, 6000}, "100");
    p_.commands().chooseMeasureMode();
    p_.left(1500, 2500);
    p_.left(3000, 4500);
    ASSERT_TRUE(p_.noErrors());
  }
  Program p_;
};

// Every kind of press in every mode and parity, against what it must change.
TEST_F(Presses, EachPressChangesExactlyWhatItShould) {
  struct Row {
    const char* name;
    Mode mode;
    bool pending;  // the second point of the pair is still to come
    MouseButton button;
    void (*effect)(MeasurementSession&);  // what the press at (2000, 3000) changes
    bool asks = false;
  };
  const auto nothing = [](MeasurementSession&) {};
  const Row rows[] = {
      {"idle left", Mode::kIdle, false, MouseButton::kLeft, nothing},
      {"idle right", Mode::kIdle, false, MouseButton::kRight, nothing},
      {"reference, first point", Mode::kReference, false, MouseButton::kLeft,
       [](MeasurementSession& s) {
         s.placePoint({2000, 3000});
       }},
      {"reference, second point", Mode::kReference, true, MouseButton::kLeft,
       [](MeasurementSession& s) {
         s.placePoint({2000, 3000});
         s.holdLength(250);
       },
       true},
      {"measure, first point", Mode::kMeasure, false, MouseButton::kLeft,
       [](MeasurementSession& s) {
         s.placePoint({2000, 3000});
       }},
      {"measure, second point", Mode::kMeasure, true, MouseButton::kLeft,
       [](MeasurementSession& s) {
         s.placePoint({2000, 3000});
       }},
      // Placed in measure mode, the pair had no length typed: it is no reference.
      {"reference right", Mode::kReference, false, MouseButton::kRight, nothing},
      {"reference right, pending", Mode::kReference, true, MouseButton::kRight, nothing},
      {"measure right", Mode::kMeasure, false, MouseButton::kRight,
       [](MeasurementSession& s) { s.commit(); }},
      {"measure right, pending", Mode::kMeasure, true, MouseButton::kRight, nothing},
      {"middle", Mode::kMeasure, false, MouseButton::kOther, nothing},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto q = std::make_unique<Program>();
    q->open();
    q->setReference({1000, 2000}, {4000, 6000}, "100");
    q->commands().chooseMeasureMode();
    q->left(1500, 2500);
    if (!row.pending) q->left(3000, 4500);
    row.mode == Mode::kReference ? q->commands().chooseReferenceMode() : q->commands().chooseMeasureMode();
    if (row.mode == Mode::kIdle) {
      // Idle is the mode before any is chosen: a fresh program with the picture open.
      q = std::make_unique<Program>();
      q->open();
    }
    MeasurementSession expected = q->session();
    row.effect(expected);
    const bool measureBefore = q->fake().window.measureEnabled;
    q->prompts().textAnswers = {"250"};
    q->press(row.button, 2000, 3000);
    EXPECT_EQ(q->session(), expected);
    EXPECT_EQ(q->prompts().questions.size() > 1, row.asks);  // setReference asked once
    EXPECT_EQ(q->fake().window.measureEnabled, measureBefore);
    EXPECT_TRUE(q->noErrors());
  }
}

TEST_F(Presses, TheCountOfPointsIsSharedAcrossModes) {
  p_.commands().chooseReferenceMode();
  p_.left(1200, 2200);  // the first point of a pair, placed in reference mode
  p_.commands().chooseMeasureMode();
  p_.left(2800, 3600);  // its second
  p_.right();
  ASSERT_EQ(p_.session().measurements().size(), 1u);
  EXPECT_EQ(p_.session().measurements()[0].segment, (Segment{{1200, 2200}, {2800, 3600}}));
  EXPECT_EQ(p_.prompts().questions.size(), 1u);  // only the reference's own length
}

TEST_F(Presses, RepeatedRightPressesCommitTheSamePairAgain) {
  p_.right();
  p_.right();
  ASSERT_EQ(p_.session().measurements().size(), 2u);
  for (const Measurement& m : p_.session().measurements()) {
    EXPECT_EQ(m.segment, (Segment{{1500, 2500}, {3000, 4500}}));
    EXPECT_EQ(m.length, 50);
  }
}

TEST_F(Presses, ANewReferenceLabelsEveryMeasurementAnew) {
  p_.right();                                        // 50 against 100
  p_.setReference({1000, 2000}, {2500, 4000}, "1");  // 2500 twips
  p_.measure({1500, 2500}, {3000, 4500});
  EXPECT_EQ(p_.session().measurements()[0].length, 1);
  EXPECT_EQ(p_.session().measurements()[1].length, 1);
}

// A length typed for a new pair counts only when that pair is committed: until then the
// reference keeps its length and its segment, and every measurement its length; then
// every measurement is labelled against it.
TEST(Reference, ATypedLengthWaitsForItsPairsCommit) {
  Program p;
  p.open();
  p.setReference({1000, 2000}, {4000, 6000}, "100");
  p.commands().chooseReferenceMode();
  p.left(1000, 2000);
  p.prompts().textAnswers = {"23"};
  p.left(2000, 2000);  // 1000 twips: 23 units
  EXPECT_EQ(p.session().referenceLength(), 100);
  EXPECT_EQ(p.session().reference().b, (TwipPoint{4000, 6000}));

  p.measure({1500, 2500}, {3000, 4500});  // before the commit: 2500 of 5000 twips
  EXPECT_EQ(p.session().measurements()[0].length, 50);

  // A new pair placed before the commit asks again; its length replaces the held one.
  p.commands().chooseReferenceMode();
  p.left(1000, 2000);
  p.prompts().textAnswers = {"46"};
  p.left(3000, 2000);  // 2000 twips: 46 units
  p.right();
  EXPECT_EQ(p.session().referenceLength(), 46);
  EXPECT_EQ(p.session().reference().b, (TwipPoint{3000, 2000}));

  p.measure({1500, 2500}, {3000, 4500});  // 2500 twips are now 57.5, the first too
  EXPECT_EQ(p.session().measurements()[1].length, 57.5f);
  EXPECT_EQ(p.session().measurements()[0].length, 57.5f);
}

// Cancel abandons the new pair: the next right press commits nothing.
TEST(Reference, CancelAbandonsThePair) {
  Program p;
  p.open();
  p.setReference({1000, 2000}, {4000, 6000}, "");  // cancelled before any length
  EXPECT_FALSE(p.session().referenceCommitted());
  EXPECT_FALSE(p.fake().window.measureEnabled);

  p.setReference({1000, 2000}, {4000, 6000}, "42");
  p.setReference({1500, 2500}, {3500, 2500}, "");  // a new pair, cancelled
  EXPECT_EQ(p.session().referenceLength(), 42);
  EXPECT_EQ(p.session().reference(), (Segment{{1000, 2000}, {4000, 6000}}));
  EXPECT_FALSE(p.session().secondPointPending());

  p.measure({1000, 2000}, {4000, 6000});
  EXPECT_EQ(p.session().measurements()[0].length, 42);
}

TEST(Reference, APairPlacedInMeasureModeDoesNotBecomeTheReference) {
  Program p;
  p.open();
  p.setReference({1000, 2000}, {4000, 6000});
  p.measure({1500, 2500}, {3000, 4500});
  p.commands().chooseReferenceMode();
  const MeasurementSession before = p.session();
  p.right();
  EXPECT_EQ(p.session(), before);
}

// Right after a reference commit the working pair is the reference's own: a right press
// in measure mode commits nothing until a new pair has been placed.
TEST(Measure, TheReferencesOwnPairNeverBecomesAMeasurement) {
  Program p;
  p.open();
  p.setReference({1000, 2000}, {4000, 6000}, "12.3456");
  p.commands().chooseMeasureMode();
  const MeasurementSession before = p.session();
  p.right();
  EXPECT_EQ(p.session(), before);
  p.left(1500, 2500);
  p.left(3000, 4500);
  p.right();
  p.right();  // a further right press commits the same pair again
  ASSERT_EQ(p.session().measurements().size(), 2u);
  EXPECT_EQ(p.session().measurements()[1].length, 6.172f);  // 2500 of 5000 twips
}

}  // namespace
}  // namespace vantory::testing
