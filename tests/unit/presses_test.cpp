// Modes and mouse presses: endpoints, the reference length, commits, and the presses that
// are refused.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "tests/unit/test_support.h"

namespace vantory::unit {
namespace {

// The reference used throughout: (1000, 2000) to (4000, 6000), 5000 twips, length 100.
// The working pair (1500, 2500) to (3000, 4500) is 2500 twips: it measures 50.
class PressFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session.Open());
    session.SetReference(1000, 2000, 4000, 6000, "100");
    session.ChooseMeasure();
    session.Left(1500, 2500);
    session.Left(3000, 4500);
    ASSERT_EQ(state().clicks, 4);
    ASSERT_TRUE(session.runtime().errors.empty());
  }
  const MeasurementState& state() const { return session.state(); }

  Session session;
};

struct PressRow {
  const char* name;
  std::int16_t mode;
  int clicks;
  std::int16_t button;
  std::int16_t shift;
  std::function<void(MeasurementState&)> effect;  // what the press at (2000, 3000) changes
  bool asks_length = false;
  bool enables_measure = false;
};

class PressTableTest : public PressFixture, public ::testing::WithParamInterface<PressRow> {};

TEST_P(PressTableTest, ChangesExactlyWhatTheRowSays) {
  const PressRow& row = GetParam();
  session.mutable_state().mode = row.mode;
  session.mutable_state().clicks = row.clicks;
  session.p().celiang.enabled = false;
  session.runtime().inputs.clear();
  session.runtime().input_answers = {"250"};
  MeasurementState expected = state();
  row.effect(expected);

  EXPECT_TRUE(session.Press(row.button, 2000, 3000, row.shift));

  EXPECT_TRUE(SameState(expected, state()));
  EXPECT_EQ(session.runtime().inputs.size(), row.asks_length ? 1u : 0u);
  EXPECT_EQ(session.p().celiang.enabled, row.enables_measure);
  EXPECT_TRUE(session.runtime().errors.empty());
  EXPECT_TRUE(session.runtime().messages.empty());
}

void Nothing(MeasurementState&) {}

// The press at (2000, 3000) sets endpoint `i` and counts up to `clicks`.
std::function<void(MeasurementState&)> Endpoint(int i, int clicks) {
  return [=](MeasurementState& s) { s.curX[i] = 2000, s.curY[i] = 3000, s.clicks = clicks; };
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PressTableTest,
    ::testing::Values(
        PressRow{"IdleLeftEven", kIdle, 4, kLeftButton, 0, Nothing},
        PressRow{"IdleLeftOdd", kIdle, 5, kLeftButton, 0, Nothing},
        PressRow{"IdleRight", kIdle, 4, kRightButton, 0, Nothing},
        PressRow{"ReferenceLeftEven", kReference, 4, kLeftButton, 0, Endpoint(1, 5)},
        // The typed length is held with the pair; refLength waits for the commit.
        PressRow{"ReferenceLeftOdd", kReference, 5, kLeftButton, 0,
                 [](MeasurementState& s) {
                   Endpoint(2, 6)(s);
                   s.refText = "250", s.heldLength = 250, s.lengthHeld = true;
                 },
                 true},
        PressRow{"MeasureLeftEven", kMeasure, 4, kLeftButton, 0, Endpoint(1, 5)},
        PressRow{"MeasureLeftOdd", kMeasure, 5, kLeftButton, 0, Endpoint(2, 6)},
        PressRow{"ShiftIsIgnored", kMeasure, 5, kLeftButton, 7, Endpoint(2, 6)},
        // The working pair was placed in measure mode: no length was typed for it, so it
        // does not become the reference.
        PressRow{"ReferenceRightEven", kReference, 4, kRightButton, 0, Nothing},
        PressRow{"ReferenceRightOdd", kReference, 5, kRightButton, 0, Nothing},
        PressRow{"ReferenceRightZero", kReference, 0, kRightButton, 0, Nothing},
        PressRow{"MeasureRightEven", kMeasure, 4, kRightButton, 0,
                 [](MeasurementState& s) {
                   s.segX[3] = 1500, s.segY[3] = 2500, s.segX[4] = 3000, s.segY[4] = 4500;
                   s.segLen[3] = 50, s.nextPoint = 5, s.nextLength = 5;
                 }},
        PressRow{"MeasureRightOdd", kMeasure, 5, kRightButton, 0, Nothing},
        PressRow{"MiddleInReference", kReference, 5, kMiddleButton, 0, Nothing},
        PressRow{"MiddleInMeasure", kMeasure, 4, kMiddleButton, 0, Nothing},
        PressRow{"NoButtonInMeasure", kMeasure, 4, 0, 0, Nothing},
        PressRow{"LeftAndRightTogether", kMeasure, 4, 3, 0, Nothing}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Modes, ChoosingAModeChangesOnlyTheMode) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000);
  session.Left(1500, 2500);
  MeasurementState expected = session.state();

  session.ChooseMeasure();
  expected.mode = kMeasure;
  EXPECT_TRUE(SameState(expected, session.state()));
  session.ChooseReference();
  expected.mode = kReference;
  EXPECT_TRUE(SameState(expected, session.state()));
}

TEST(Reference, TwoPressesAskTheLengthAndARightPressCommits) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.ChooseReference();
  session.Left(1000, 2000);
  EXPECT_TRUE(session.runtime().inputs.empty());
  session.runtime().input_answers.push_back("100");
  session.Left(4000, 6000);
  ASSERT_EQ(session.runtime().inputs.size(), 1u);
  EXPECT_EQ(session.runtime().inputs[0].prompt, "输入所标注基准的实际长度");
  EXPECT_EQ(session.runtime().inputs[0].title, "输入基准实际长");
  EXPECT_EQ(session.runtime().inputs[0].default_text, "100");
  EXPECT_EQ(session.state().heldLength, 100);
  EXPECT_EQ(session.state().refLength, 0);  // not the reference's length until committed
  EXPECT_EQ(session.state().segX[1], 0);
  EXPECT_FALSE(session.p().celiang.enabled);

  session.Right();
  EXPECT_EQ((std::array{session.state().segX[1], session.state().segY[1], session.state().segX[2],
                        session.state().segY[2]}),
            (std::array{1000.0f, 2000.0f, 4000.0f, 6000.0f}));
  EXPECT_EQ(session.state().refLength, 100);
  EXPECT_TRUE(session.state().referenceCommitted);
  EXPECT_TRUE(session.p().celiang.enabled);
}

// A length typed for a new pair counts only when that pair is committed: until then the
// reference keeps its length and its segment, and so does every measurement.
TEST(Reference, ATypedLengthWaitsForItsPairsCommit) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000, "100");  // 5000 twips
  session.ChooseReference();
  session.Left(1000, 2000);
  session.runtime().input_answers.push_back("23");
  session.Left(2000, 2000);  // 1000 twips: 23 units
  EXPECT_EQ(session.state().refLength, 100);
  EXPECT_EQ(session.state().segX[2], 4000);

  // Measured before the commit: against the old reference, 2500 twips are 50.
  session.ChooseMeasure();
  session.Left(1500, 2500);
  session.Left(3000, 4500);
  session.Right();
  EXPECT_EQ(session.state().segLen[3], 50);

  // A new pair placed before the commit asks again; its length replaces the held one.
  session.ChooseReference();
  session.Left(1000, 2000);
  session.runtime().input_answers.push_back("46");
  session.Left(3000, 2000);  // 2000 twips: 46 units
  EXPECT_EQ(session.state().heldLength, 46);
  session.Right();
  EXPECT_EQ(session.state().refLength, 46);
  EXPECT_EQ(session.state().segX[2], 3000);

  // Now 2500 twips are 57.5; the earlier measurement keeps its 50.
  session.Measure(1500, 2500, 3000, 4500);
  EXPECT_EQ(session.state().segLen[5], 57.5f);
  EXPECT_EQ(session.state().segLen[3], 50);
  EXPECT_TRUE(session.runtime().errors.empty());
}

// Cancel abandons the new pair: the next right press commits nothing, whatever was
// committed or typed before, and the counter keeps its parity rule.
TEST(Reference, CancelAbandonsThePair) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000, "");  // cancelled before any length
  EXPECT_EQ(session.state().refText, "");
  EXPECT_EQ(session.state().clicks, 2);
  EXPECT_TRUE(session.state().pairAbandoned);
  EXPECT_FALSE(session.state().referenceCommitted);
  EXPECT_EQ(session.state().segX[1], 0);
  EXPECT_FALSE(session.p().celiang.enabled);

  session.SetReference(1000, 2000, 4000, 6000, "42");
  const MeasurementState committed = session.state();
  ASSERT_EQ(committed.refLength, 42);

  session.SetReference(1500, 2500, 3500, 2500, "");  // a new pair, cancelled
  EXPECT_EQ(session.state().clicks, 6);
  EXPECT_EQ(session.state().refLength, 42);
  EXPECT_EQ((std::array{session.state().segX[1], session.state().segY[1], session.state().segX[2],
                        session.state().segY[2]}),
            (std::array{1000.0f, 2000.0f, 4000.0f, 6000.0f}));

  // Measured afterwards: against the 42 of the committed reference.
  session.Measure(1000, 2000, 4000, 6000);
  EXPECT_EQ(session.state().segLen[3], 42);
  EXPECT_TRUE(session.runtime().errors.empty());
}

// A pair placed in measure mode never had a length typed for it: in reference mode a
// right press does not make it the reference with a length meant for another segment.
TEST(Reference, APairPlacedInMeasureModeDoesNotBecomeTheReference) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000, "100");
  session.Measure(1500, 2500, 3000, 4500);
  const MeasurementState before = session.state();
  session.ChooseReference();
  session.Right();
  MeasurementState expected = before;
  expected.mode = kReference;
  EXPECT_TRUE(SameState(expected, session.state()));
}

// 0 and negative lengths are refused like a text that is not a number: a message, then
// the box again with what was typed.
TEST(Reference, ALengthOfZeroOrLessIsExplainedAndAskedAgain) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.ChooseReference();
  session.Left(1000, 2000);
  session.runtime().input_answers = {"0", "-100", "-0", "1e-60", "12"};
  EXPECT_TRUE(session.Left(4000, 6000));

  const auto& inputs = session.runtime().inputs;
  ASSERT_EQ(inputs.size(), 5u);
  EXPECT_EQ(inputs[0].default_text, "100");
  EXPECT_EQ(inputs[1].default_text, "0");
  EXPECT_EQ(inputs[2].default_text, "-100");
  EXPECT_EQ(inputs[3].default_text, "-0");
  EXPECT_EQ(inputs[4].default_text, "1e-60");  // reads as 0
  EXPECT_EQ(session.runtime().messages,
            std::vector<std::string>(4, text::kLengthNotPositive));
  EXPECT_TRUE(session.runtime().errors.empty());
  EXPECT_EQ(session.state().heldLength, 12);
  session.Right();
  EXPECT_EQ(session.state().refLength, 12);
}

TEST(Reference, TextThatIsNotAFloatIsExplainedAndAskedAgain) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.ChooseReference();
  session.Left(1000, 2000);
  session.runtime().input_answers = {"abc", "1e39", "7.5"};
  EXPECT_TRUE(session.Left(4000, 6000));

  const auto& inputs = session.runtime().inputs;
  ASSERT_EQ(inputs.size(), 3u);
  EXPECT_EQ(inputs[0].default_text, "100");
  EXPECT_EQ(inputs[1].default_text, "abc");  // what was typed stays in the box
  EXPECT_EQ(inputs[2].default_text, "1e39");
  ASSERT_EQ(session.runtime().errors.size(), 2u);
  EXPECT_EQ(session.runtime().errors[0].first, kErrTypeMismatch);
  EXPECT_EQ(session.runtime().errors[1].first, kErrOverflow);
  EXPECT_EQ(session.state().heldLength, 7.5f);
  EXPECT_EQ(session.state().refText, "7.5");
  EXPECT_EQ(session.state().clicks, 2);  // one press, counted once
  EXPECT_EQ(session.state().curX[2], 4000);
}

TEST(Reference, APressAtThePicturesCornerStoresImage1sPosition) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.ChooseReference();
  ASSERT_TRUE(session.Run([&] { session.form().Image1_MouseDown(kLeftButton, 0, 0, 0); }));
  EXPECT_EQ(session.state().curX[1], kWideLeft);
  EXPECT_EQ(session.state().curY[1], kWideTop);
}

class ZeroReferenceTest : public ::testing::TestWithParam<bool> {};

// Coincident endpoints would make every length a division by zero: the commit is refused.
TEST_P(ZeroReferenceTest, IsRefusedAndNothingChanges) {
  const bool had_reference = GetParam();
  Session session;
  ASSERT_TRUE(session.Open());
  if (had_reference) session.SetReference(1000, 2000, 4000, 6000);
  session.ChooseReference();
  session.Left(2000, 3000);
  session.runtime().input_answers.push_back("50");
  session.Left(2000, 3000);
  const MeasurementState before = session.state();
  ASSERT_EQ(before.heldLength, 50);

  EXPECT_TRUE(session.Right());

  EXPECT_TRUE(SameState(before, session.state()));
  ASSERT_EQ(session.runtime().messages.size(), 1u);
  EXPECT_EQ(session.runtime().messages[0], text::kZeroReference);
  EXPECT_EQ(session.p().celiang.enabled, had_reference);
  EXPECT_TRUE(session.runtime().errors.empty());
}

INSTANTIATE_TEST_SUITE_P(FirstOrReplacing, ZeroReferenceTest, ::testing::Bool());

TEST_F(PressFixture, ClicksIsSharedAcrossModes) {
  session.ChooseReference();
  session.Left(1200, 2200);  // endpoint 1 of a pair placed in reference mode
  session.ChooseMeasure();
  session.Left(2800, 3600);  // clicks is odd: endpoint 2
  session.Right();
  EXPECT_EQ(state().segX[3], 1200);
  EXPECT_EQ(state().segY[3], 2200);
  EXPECT_EQ(state().segX[4], 2800);
  EXPECT_EQ(state().segY[4], 3600);
  EXPECT_EQ(session.runtime().inputs.size(), 1u);  // only the reference's own
}

// Right after a reference commit the working pair is the reference's own: a right press
// in measure mode commits nothing until two new points have been placed.
TEST(Measure, TheReferencesOwnPairNeverBecomesAMeasurement) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000, "12.3456");
  session.ChooseMeasure();
  const MeasurementState before = session.state();
  EXPECT_TRUE(session.Right());
  EXPECT_TRUE(SameState(before, session.state()));

  session.Left(1500, 2500);
  session.Left(3000, 4500);
  session.Right();
  EXPECT_EQ(session.state().nextPoint, 5);
  EXPECT_EQ(session.state().segX[3], 1500);
  EXPECT_EQ(session.state().segLen[3], 6.172f);  // 2500 of 5000 twips

  // A further right press commits the same pair again, as always.
  session.Right();
  EXPECT_EQ(session.state().nextPoint, 7);
  EXPECT_EQ(session.state().segLen[5], 6.172f);
}

TEST_F(PressFixture, RepeatedRightPressesCommitTheSamePairAgain) {
  session.Right();
  session.Right();
  for (int j : {3, 5}) {
    EXPECT_EQ(state().segX[j], 1500);
    EXPECT_EQ(state().segY[j], 2500);
    EXPECT_EQ(state().segX[j + 1], 3000);
    EXPECT_EQ(state().segY[j + 1], 4500);
    EXPECT_EQ(state().segLen[j], 50);
    EXPECT_EQ(state().segLen[j + 1], 0);
  }
  EXPECT_EQ(state().nextPoint, 7);
  EXPECT_EQ(state().nextLength, 7);
}

TEST_F(PressFixture, ANewReferenceScalesLaterMeasurementsOnly) {
  session.Right();  // 50 against 100
  session.SetReference(1000, 2000, 2500, 4000, "1");  // re-committed: 2500 twips
  session.Measure(1500, 2500, 3000, 4500);
  EXPECT_EQ(state().segLen[3], 50);
  EXPECT_EQ(state().segLen[5], 1);
}

TEST_F(PressFixture, NineHundredNinetyNineMeasurementsFillTheArraysThenCommitsAreRefused) {
  for (int k = 1; k <= kMaxMeasurements; ++k) {
    session.Left(1000, 2000);
    session.Left(1000, 2000.0f + k);  // k twips long: k / 50 against the reference
    session.Right();
  }
  for (int k = 1; k <= kMaxMeasurements; ++k) {
    ASSERT_EQ(state().segY[2 * k + 2], 2000.0f + k) << k;
    ASSERT_EQ(state().segX[2 * k + 1], 1000) << k;
    ASSERT_EQ(state().segLen[2 * k + 2], 0) << k;
  }
  EXPECT_EQ(state().segLen[3], 0.02f);
  EXPECT_EQ(state().segLen[2000 - 1], 19.98f);
  EXPECT_EQ(state().nextPoint, 2001);
  EXPECT_EQ(state().nextLength, 2001);
  EXPECT_TRUE(session.runtime().errors.empty());

  // Endpoints can still be placed; the commit is refused with a message.
  session.Left(1100, 2100);
  session.Left(1200, 2200);
  EXPECT_EQ(state().curX[1], 1100);
  EXPECT_EQ(state().curX[2], 1200);
  const MeasurementState before = state();
  EXPECT_TRUE(session.Right());
  EXPECT_TRUE(SameState(before, state()));
  ASSERT_EQ(session.runtime().messages.size(), 1u);
  EXPECT_EQ(session.runtime().messages[0], text::kTooManyMeasurements);
  EXPECT_TRUE(session.runtime().errors.empty());
}

TEST_F(PressFixture, ClicksCountsPast32767WithTheSameParityRule) {
  session.mutable_state().clicks = 32767;
  EXPECT_TRUE(session.Left(2000, 3000));  // odd: endpoint 2
  EXPECT_EQ(state().curX[2], 2000);
  EXPECT_EQ(state().clicks, 32768);
  EXPECT_TRUE(session.Left(2100, 3100));  // even: endpoint 1
  EXPECT_EQ(state().curX[1], 2100);
  EXPECT_EQ(state().clicks, 32769);

  session.ChooseReference();
  session.runtime().input_answers.push_back("30");
  EXPECT_TRUE(session.Left(2200, 3200));  // odd in reference mode: the length is asked
  EXPECT_EQ(state().heldLength, 30);
  EXPECT_EQ(state().clicks, 32770);

  // Even at the very end of the counter's range the presses keep alternating.
  session.mutable_state().clicks = std::numeric_limits<std::int32_t>::max();
  session.ChooseMeasure();
  for (int i = 0; i < 4; ++i) {
    const float x = 1000.0f + 100 * i;
    EXPECT_TRUE(session.Left(x, 3000));
    EXPECT_EQ(i % 2 == 0 ? state().curX[2] : state().curX[1], x) << i;
  }
  EXPECT_TRUE(session.runtime().errors.empty());
}

TEST(Measure, ALengthBeyondTheFloatRangeStoresNothing) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000, "3e38");
  session.ChooseMeasure();
  session.Left(1000, 2000);
  session.Left(7000, 10000);  // 10000 twips, twice the reference: 6e38
  const MeasurementState before = session.state();

  EXPECT_FALSE(session.Right());

  EXPECT_TRUE(SameState(before, session.state()));
  ASSERT_EQ(session.runtime().errors.size(), 1u);
  EXPECT_EQ(session.runtime().errors[0].first, kErrOverflow);
}

}  // namespace
}  // namespace vantory::unit
