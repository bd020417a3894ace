// The live view: exactly what each mouse move draws on Picture2, in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/test_support.h"

namespace vantory::unit {
namespace {

using fake::ToString;

// Reference R (1000, 2000)-(4000, 6000) of length 100; one measurement M
// (1500, 2500)-(3000, 4500) of 50. Later pairs start at W1 (2000, 3000); W2 (2600, 3800)
// is 1000 twips from it (20) and the pointer P (2300, 3400) 500 twips (10).
class ViewFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session.Open());
    session.SetReference(1000, 2000, 4000, 6000, "100");
    session.Measure(1500, 2500, 3000, 4500);
    ASSERT_EQ(state().nextPoint, 5);
  }
  const MeasurementState& state() const { return session.state(); }
  const std::vector<Call>& drawn() { return session.p().Picture2.calls; }
  bool MoveAfresh(float x, float y) {
    session.ClearLogs();
    return session.Move(x, y);
  }
  // The committed annotations, as every move in reference or measure mode starts.
  static std::vector<Call> Committed(float font_size) {
    std::vector<Call> calls{{"ForeColor", {kRed}}};
    Append(calls, LabelledSegment(1000, 2000, 4000, 6000, 100, kRed, font_size));
    calls.push_back({"ForeColor", {kGreen}});
    Append(calls, LabelledSegment(1500, 2500, 3000, 4500, 50, kGreen, font_size));
    return calls;
  }

  Session session;
};

struct ViewRow {
  const char* name;
  std::int16_t mode;
  bool pending;  // clicks odd: endpoint 2 still to place
  std::vector<Call> working;
  float cur_length;
};

class LiveViewTest : public ViewFixture, public ::testing::WithParamInterface<ViewRow> {};

TEST_P(LiveViewTest, DrawsTheCommittedAnnotationsThenTheWorkingSegment) {
  const ViewRow& row = GetParam();
  session.Left(2000, 3000);
  if (!row.pending) session.Left(2600, 3800);
  session.mutable_state().mode = row.mode;
  session.mutable_state().curLength = 123;

  ASSERT_TRUE(MoveAfresh(2300, 3400));

  EXPECT_EQ(session.p().form.calls, (std::vector<Call>{{"MousePointer", {1}}}));
  EXPECT_EQ(session.p().Image1.calls, (std::vector<Call>{{"Refresh", {}}}));
  std::vector<Call> expected = Committed(kInitialFontSize);
  Append(expected, row.working);
  EXPECT_EQ(ToString(drawn()), ToString(expected));
  EXPECT_EQ(state().curLength, row.cur_length);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LiveViewTest,
    ::testing::Values(
        ViewRow{"ReferenceFinished", kReference, false,
                {{"ForeColor", {kRed}},
                 {"Line", {2000, 3000, 2600, 3800, kRed}},
                 {"ForeColor", {kRed}}},
                123},
        ViewRow{"ReferenceRubberBand", kReference, true,
                {{"ForeColor", {kRed}},
                 {"ForeColor", {kRed}},
                 {"Line", {2000, 3000, 2300, 3400, kRed}}},
                123},
        ViewRow{"MeasureFinished", kMeasure, false,
                [] {
                  std::vector<Call> c{{"ForeColor", {kGreen}}, {"FontSize", {8}}};
                  Append(c, LabelledSegment(2000, 3000, 2600, 3800, 20, kGreen, 8));
                  return c;
                }(),
                20},
        ViewRow{"MeasureRubberBand", kMeasure, true,
                [] {
                  std::vector<Call> c{{"ForeColor", {kGreen}}, {"FontSize", {8}}};
                  Append(c, LabelledSegment(2000, 3000, 2300, 3400, 10, kGreen, 8));
                  return c;
                }(),
                10}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LiveView, IdleOnlySetsThePointerAndRestoresThePicture) {
  Session session;
  for (int opened = 0; opened < 2; ++opened) {
    if (opened) {
      ASSERT_TRUE(session.Open());
    }
    const MeasurementState before = session.state();
    session.ClearLogs();
    ASSERT_TRUE(session.Move(2000, 3000));
    EXPECT_EQ(session.p().form.calls, (std::vector<Call>{{"MousePointer", {1}}}));
    EXPECT_EQ(session.p().Image1.calls, (std::vector<Call>{{"Refresh", {}}}));
    EXPECT_TRUE(session.p().Picture2.calls.empty());
    EXPECT_TRUE(SameState(before, session.state()));
  }
}

TEST(LiveView, BeforeAnyPressTheWorkingLineIsAPointAtTheOrigin) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.ChooseReference();
  ASSERT_TRUE(session.Move(2000, 3000));
  const std::vector<Call> expected{{"ForeColor", {kRed}},
                                   {"ForeColor", {kGreen}},
                                   {"ForeColor", {kRed}},
                                   {"Line", {0, 0, 0, 0, kRed}},
                                   {"ForeColor", {kRed}}};
  EXPECT_EQ(ToString(session.p().Picture2.calls), ToString(expected));
}

class ZeroCoordinateTest : public ViewFixture, public ::testing::WithParamInterface<int> {};

// The reference is drawn only while none of its four coordinates is 0.
TEST_P(ZeroCoordinateTest, HidesTheReference) {
  MeasurementState& s = session.mutable_state();
  float* coordinates[] = {&s.segX[1], &s.segY[1], &s.segX[2], &s.segY[2]};
  *coordinates[GetParam()] = 0;
  session.ChooseReference();
  ASSERT_TRUE(MoveAfresh(2300, 3400));
  ASSERT_GE(drawn().size(), 2u);
  EXPECT_EQ(drawn()[0], (Call{"ForeColor", {kRed}}));
  EXPECT_EQ(drawn()[1], (Call{"ForeColor", {kGreen}}));
}

INSTANTIATE_TEST_SUITE_P(EachCoordinate, ZeroCoordinateTest, ::testing::Range(0, 4));

TEST_F(ViewFixture, AllNineHundredNinetyNineMeasurementsAreDrawnInOrder) {
  MeasurementState& s = session.mutable_state();
  for (int k = 1; k <= kMaxMeasurements; ++k) {
    s.segX[2 * k + 1] = s.segX[2 * k + 2] = 1000.0f + k;
    s.segY[2 * k + 1] = 2000;
    s.segY[2 * k + 2] = 3000;
    s.segLen[2 * k + 1] = static_cast<float>(k);
  }
  s.nextPoint = s.nextLength = 2001;
  session.ChooseReference();

  ASSERT_TRUE(MoveAfresh(2300, 3400));

  std::vector<Call> green_lines;
  std::vector<double> labels;
  for (const Call& call : drawn()) {
    if (call.op == "Line" && call.args[4] == kGreen) green_lines.push_back(call);
    if (call.op == "Print" && call.args[3] == kGreen) labels.push_back(call.args[0]);
  }
  ASSERT_EQ(green_lines.size(), 999u);
  ASSERT_EQ(labels.size(), 999u);
  for (int k = 1; k <= kMaxMeasurements; ++k) {
    ASSERT_EQ(green_lines[k - 1], (Call{"Line", {1000.0 + k, 2000, 1000.0 + k, 3000, kGreen}}));
    ASSERT_EQ(labels[k - 1], k);
  }
  EXPECT_EQ(state().segIndex, 2001);
  EXPECT_TRUE(session.runtime().errors.empty());
}

// Right after measure is chosen the working pair is still the reference's own: nothing
// is drawn over the red reference in green. The labels take 8 points from the first move
// that draws a working segment in measure mode, except the ones drawn before the size is
// set on that very move.
TEST(LiveView, LabelsTurnEightPointOnTheFirstMeasureMove) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000, "12.3456");
  session.ChooseMeasure();
  auto& prints = session.p().Picture2.prints;
  using Prints = std::vector<std::pair<float, float>>;

  ASSERT_TRUE(session.Move(2000, 3000));
  EXPECT_EQ(prints, (Prints{{12.3456f, kInitialFontSize}}));
  const std::vector<Call> lines = [&] {
    std::vector<Call> found;
    for (const Call& call : session.p().Picture2.calls) {
      if (call.op == "Line") found.push_back(call);
    }
    return found;
  }();
  EXPECT_EQ(lines, (std::vector<Call>{{"Line", {1000, 2000, 4000, 6000, kRed}}}));

  prints.clear();
  session.Left(1000, 2000);
  ASSERT_TRUE(session.Move(2500, 4000));  // the rubber band: 2500 of 5000 twips
  EXPECT_EQ(prints, (Prints{{12.3456f, kInitialFontSize}, {6.172f, 8}}));
  EXPECT_EQ(session.p().Picture2.calls.back(), (Call{"Line", {1000, 2000, 2500, 4000, kGreen}}));
  EXPECT_EQ(session.state().curLength, 6.172f);

  prints.clear();
  ASSERT_TRUE(session.Move(2500, 4000));
  EXPECT_EQ(prints, (Prints{{12.3456f, 8}, {6.172f, 8}}));

  prints.clear();
  session.ChooseReference();
  ASSERT_TRUE(session.Move(2000, 3000));
  EXPECT_EQ(prints, (Prints{{12.3456f, 8}}));  // no label on the red working line
}

// Committed and still the working pair: drawn from segLen, then again from curLength.
TEST_F(ViewFixture, AJustCommittedMeasurementIsDrawnTwice) {
  ASSERT_TRUE(MoveAfresh(2300, 3400));
  std::vector<Call> expected = Committed(kInitialFontSize);
  expected.insert(expected.end(), {{"ForeColor", {kGreen}}, {"FontSize", {8}}});
  Append(expected, LabelledSegment(1500, 2500, 3000, 4500, 50, kGreen, 8));
  EXPECT_EQ(ToString(drawn()), ToString(expected));
}

TEST_F(ViewFixture, RubberBandFollowsThePointerUnclamped) {
  session.Left(2000, 3000);
  ASSERT_TRUE(MoveAfresh(2000, 3000));  // on endpoint 1
  EXPECT_EQ(state().curLength, 0);
  EXPECT_EQ(session.p().Picture2.prints.back().first, 0);

  // Left of the picture: the event reports a negative X, used as it is.
  ASSERT_TRUE(session.Run([&] { session.form().Image1_MouseMove(0, 0, -620, 1706.25f); }));
  EXPECT_EQ(drawn().back(), (Call{"Line", {2000, 3000, -500, 3000, kGreen}}));
  EXPECT_EQ(state().curLength, 50);  // 2500 twips against the reference's 5000
}

// A length typed for a new pair changes nothing on screen until the pair is committed:
// then the reference moves and takes the new label together.
TEST_F(ViewFixture, ANewLengthShowsOnlyWithItsCommittedPair) {
  session.ChooseReference();
  session.Left(1200, 2200);
  session.runtime().input_answers.push_back("80");
  session.Left(2800, 3600);
  ASSERT_TRUE(MoveAfresh(2300, 3400));
  EXPECT_EQ(ToString({drawn().begin() + 1, drawn().begin() + 5}),
            ToString(LabelledSegment(1000, 2000, 4000, 6000, 100, kRed, 9)));
  EXPECT_EQ(drawn().end()[-2], (Call{"Line", {1200, 2200, 2800, 3600, kRed}}));  // the new pair

  session.Right();
  ASSERT_TRUE(MoveAfresh(2300, 3400));
  EXPECT_EQ(ToString({drawn().begin() + 1, drawn().begin() + 5}),
            ToString(LabelledSegment(1200, 2200, 2800, 3600, 80, kRed, 9)));
  EXPECT_EQ(session.p().Picture2.prints[1].first, 50);  // the measurement keeps its label
}

// After Cancel the abandoned pair is no longer drawn; the committed reference is.
TEST_F(ViewFixture, ACancelledPairIsNotDrawn) {
  session.ChooseReference();
  session.Left(1200, 2200);
  session.runtime().input_answers.push_back("");
  session.Left(2800, 3600);
  ASSERT_TRUE(MoveAfresh(2300, 3400));
  std::vector<Call> expected = Committed(kInitialFontSize);
  expected.insert(expected.end(), {{"ForeColor", {kRed}}, {"ForeColor", {kRed}}});
  EXPECT_EQ(ToString(drawn()), ToString(expected));

  session.Left(1300, 2300);  // a new pair starts: its rubber band is drawn again
  ASSERT_TRUE(MoveAfresh(2300, 3400));
  EXPECT_EQ(drawn().back(), (Call{"Line", {1300, 2300, 2300, 3400, kRed}}));
}

TEST(LiveView, ALiveLengthBeyondTheFloatRangeIsReportedAndNothingChanges) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000, "3e38");
  session.ChooseMeasure();
  session.Left(1000, 2000);
  session.mutable_state().curLength = 5;
  const MeasurementState before = session.state();

  EXPECT_FALSE(session.Move(7000, 10000));

  EXPECT_TRUE(SameState(before, session.state()));
  ASSERT_EQ(session.runtime().errors.size(), 1u);
  EXPECT_EQ(session.runtime().errors[0].first, kErrOverflow);
}

class OtherKindTest : public ::testing::TestWithParam<std::int16_t> {};

TEST_P(OtherKindTest, MovesThePrintPositionAndDrawsNothing) {
  Session session;
  const std::int16_t kind = GetParam();
  session.form().DrawSegment(100, 200, 300, 600, 7, kind, session.p().Picture2);
  session.form().DrawSegmentMapped(100, 200, 300, 600, 7, kind, session.p().Picture1);
  const std::vector<Call> expected{{"CurrentX", {200}}, {"CurrentY", {400}}};
  EXPECT_EQ(session.p().Picture2.calls, expected);
  EXPECT_EQ(session.p().Picture1.calls.size(), 2u);
  EXPECT_TRUE(session.p().Picture1.prints.empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, OtherKindTest, ::testing::Values(0, 3, -1, 256));

}  // namespace
}  // namespace vantory::unit
