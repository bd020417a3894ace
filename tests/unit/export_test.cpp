// Save: the annotations mapped onto the picture at its natural size, and the file written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/test_support.h"

namespace vantory::unit {
namespace {

using fake::ToString;

// The view points that map to the picture's corner and centre with the wide picture
// open: Image1 at (120, 1293.75), 11415 x 5707.5, over 6000 x 3000 twips.
constexpr float kCornerX = kWideLeft, kCornerY = kWideTop;
constexpr float kCentreX = 5827.5f, kCentreY = 4147.5f;
constexpr float kQuarterWidth = 2853.75f;  // a quarter of Image1's width: 1500 on the picture

// What drawing one labelled segment leaves in the canvas's persistent image.
std::vector<Call> Kept(float x1, float y1, float x2, float y2, float value, Colour colour) {
  const std::vector<Call> all = LabelledSegment(x1, y1, x2, y2, value, colour, kInitialFontSize);
  return {all[2], all[3]};
}

class SaveFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session.Open());
    session.SetReference(kCornerX, kCornerY, kCentreX, kCentreY, "100");
  }
  // Measurement k runs from a point k quarters right of the corner to the centre.
  void AddMeasurements(int n) {
    session.ChooseMeasure();
    for (int k = 1; k <= n; ++k) {
      session.Left(kCornerX + kQuarterWidth * k, kCornerY);
      session.Left(kCentreX, kCentreY);
      session.Right();
    }
    ASSERT_EQ(state().nextPoint, 3 + 2 * n);
  }
  bool Save(const std::string& answer) {
    if (!answer.empty()) session.p().CommonDialog1.answers.push_back(answer);
    return session.Run([this] { session.form().save_Click(); });
  }
  std::vector<Call> ExpectedImage(int n) {
    std::vector<Call> calls = Kept(0, 0, 3000, 1500, 100, kRed);
    for (int k = 1; k <= n; ++k) {
      Append(calls, Kept(1500.0f * k, 0, 3000, 1500, state().segLen[2 * k + 1], kGreen));
    }
    return calls;
  }
  const MeasurementState& state() const { return session.state(); }
  fake::FakeRuntime& runtime() { return session.runtime(); }

  Session session;
};

TEST_F(SaveFixture, MapsViewCoordinatesOntoThePictureAtNaturalSize) {
  ASSERT_TRUE(Save("/out/a.bmp"));

  EXPECT_TRUE(session.p().Picture1.auto_redraw);
  EXPECT_EQ(session.p().Picture1.width, kWideWidth);
  EXPECT_EQ(session.p().Picture1.height, kWideHeight);
  // Corner to (0, 0), centre to (3000, 1500); the label's corner at (1500, 750).
  const std::vector<Call> expected{{"Print", {100, 1500, 750, kRed, kInitialFontSize}},
                                   {"Line", {0, 0, 3000, 1500, kRed}}};
  EXPECT_EQ(ToString(runtime().written["/out/a.bmp"]), ToString(expected));
}

// Before a reference is committed there is nothing to mark: a picture saved right after
// Open, or after a cancelled reference, is written as it is.
TEST(Save, WithoutACommittedReferenceThePictureIsWrittenUnmarked) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.p().CommonDialog1.answers.push_back("/out/plain.bmp");
  ASSERT_TRUE(session.Run([&] { session.form().save_Click(); }));
  EXPECT_TRUE(session.runtime().written.at("/out/plain.bmp").empty());

  session.SetReference(kCornerX, kCornerY, kCentreX, kCentreY, "");  // cancelled
  session.p().CommonDialog1.answers.push_back("/out/plain2.bmp");
  ASSERT_TRUE(session.Run([&] { session.form().save_Click(); }));
  EXPECT_TRUE(session.runtime().written.at("/out/plain2.bmp").empty());
}

class SaveCountTest : public SaveFixture, public ::testing::WithParamInterface<int> {};

TEST_P(SaveCountTest, DrawsTheReferenceThenEveryMeasurementInOrder) {
  AddMeasurements(GetParam());
  ASSERT_TRUE(Save("/out/a.bmp"));
  EXPECT_EQ(ToString(runtime().written["/out/a.bmp"]), ToString(ExpectedImage(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(Measurements, SaveCountTest, ::testing::Values(0, 1, 2, 5));

TEST_F(SaveFixture, AllNineHundredNinetyNineMeasurements) {
  MeasurementState& s = session.mutable_state();
  for (int k = 1; k <= kMaxMeasurements; ++k) {
    s.segX[2 * k + 1] = kCornerX;
    s.segY[2 * k + 1] = kCornerY;
    s.segX[2 * k + 2] = kCentreX;
    s.segY[2 * k + 2] = kCentreY;
    s.segLen[2 * k + 1] = static_cast<float>(k);
  }
  s.segX[2000] = kCornerX + kQuarterWidth;  // the last pair ends elsewhere
  s.nextPoint = s.nextLength = 2001;

  ASSERT_TRUE(Save("/out/many.bmp"));

  const std::vector<Call>& image = runtime().written["/out/many.bmp"];
  ASSERT_EQ(image.size(), 2u + 2u * 999u);
  for (int k = 1; k <= kMaxMeasurements; ++k) {
    ASSERT_EQ(image[2 * k].op, "Print");
    ASSERT_EQ(image[2 * k].args[0], k);
    ASSERT_EQ(image[2 * k].args[3], kGreen);
  }
  EXPECT_EQ(image.back(), (Call{"Line", {0, 0, 1500, 1500, kGreen}}));
  EXPECT_TRUE(runtime().errors.empty());
}

TEST_F(SaveFixture, ACancelledSaveWritesNothingAndTheNextDrawsOnce) {
  ASSERT_TRUE(Save("/out/a.bmp"));
  AddMeasurements(2);
  const int loads = runtime().loads;

  ASSERT_TRUE(Save(""));
  EXPECT_EQ(runtime().write_order.size(), 1u);
  EXPECT_EQ(state().savePath, "/out/a.bmp");
  EXPECT_EQ(ToString(session.p().Picture1.image), ToString(ExpectedImage(2)));

  ASSERT_TRUE(Save("/out/b.bmp"));
  EXPECT_EQ(ToString(runtime().written["/out/b.bmp"]), ToString(ExpectedImage(2)));
  EXPECT_EQ(runtime().loads, loads + 2);  // the picture is read again at every Save
}

TEST_F(SaveFixture, TheChosenPathStaysInTheDialogForTheNextOne) {
  ASSERT_TRUE(Save("/out/a.bmp"));
  EXPECT_EQ(state().savePath, "/out/a.bmp");
  EXPECT_EQ(session.p().CommonDialog1.file_name, "/out/a.bmp");

  ASSERT_TRUE(Save("/out/a.bmp"));
  const auto& shown = session.p().CommonDialog1.shown;
  EXPECT_EQ(shown.back(), (std::pair<std::string, std::string>{"save", "/out/a.bmp"}));
  EXPECT_EQ(runtime().write_order, (std::vector<std::string>{"/out/a.bmp", "/out/a.bmp"}));
  EXPECT_EQ(ToString(runtime().written["/out/a.bmp"]), ToString(ExpectedImage(0)));

  ASSERT_TRUE(session.Open());
  EXPECT_EQ(shown.back(), (std::pair<std::string, std::string>{"open", "/out/a.bmp"}));
}

TEST_F(SaveFixture, ThePathIsWrittenAsTyped) {
  for (const char* path : {"/out/picture.jpg", "/out/no extension"}) {
    ASSERT_TRUE(Save(path));
    EXPECT_EQ(state().savePath, path);
    EXPECT_EQ(runtime().write_order.back(), path);
  }
}

TEST_F(SaveFixture, SegmentsAreMappedThroughThePictureOpenLast) {
  ASSERT_TRUE(session.Open("/pictures/tall.jpg", 3000, 6000));
  ASSERT_TRUE(Save("/out/tall.bmp"));
  const Call& line = runtime().written["/out/tall.bmp"].back();
  ASSERT_EQ(line.op, "Line");
  // The view centre is the centre of this picture too: (1500, 3000) of 3000 x 6000.
  EXPECT_EQ(line.args[2], 1500);
  EXPECT_EQ(line.args[3], 3000);
  EXPECT_LT(line.args[0], 0);  // the corner of the wide picture lies left of the tall one
}

TEST_F(SaveFixture, AnUnwritablePathIsReportedAndEverythingIsKept) {
  AddMeasurements(2);
  ASSERT_TRUE(Save("/out/first.bmp"));
  runtime().unwritable["/read-only/a.bmp"] = kErrPathAccess;
  const MeasurementState before = state();

  EXPECT_FALSE(Save("/read-only/a.bmp"));

  ASSERT_EQ(runtime().errors.size(), 1u);
  EXPECT_EQ(runtime().errors[0].first, kErrPathAccess);
  EXPECT_TRUE(SameState(before, state()));
  EXPECT_EQ(state().savePath, "/out/first.bmp");
  EXPECT_EQ(runtime().written.count("/read-only/a.bmp"), 0u);
}

TEST_F(SaveFixture, APictureThatCannotBeReadAgainStopsBeforeTheDialog) {
  AddMeasurements(1);
  runtime().files.erase(kWidePath);  // moved away since it was opened
  const MeasurementState before = state();
  const std::size_t dialogs = session.p().CommonDialog1.shown.size();

  EXPECT_FALSE(Save("/out/a.bmp"));

  ASSERT_EQ(runtime().errors.size(), 1u);
  EXPECT_EQ(runtime().errors[0].first, kErrFileNotFound);
  EXPECT_TRUE(SameState(before, state()));
  EXPECT_EQ(session.p().CommonDialog1.shown.size(), dialogs);
  EXPECT_TRUE(runtime().written.empty());
}

TEST(Save, BeforeAnyPictureSaysThereIsNothingToSave) {
  Session session;
  const MeasurementState before = session.state();
  session.p().CommonDialog1.answers.push_back("/out/a.bmp");

  ASSERT_TRUE(session.Run([&] { session.form().save_Click(); }));

  ASSERT_EQ(session.runtime().messages.size(), 1u);
  EXPECT_EQ(session.runtime().messages[0], text::kNothingToSave);
  EXPECT_TRUE(session.runtime().written.empty());
  EXPECT_TRUE(session.p().CommonDialog1.shown.empty());
  EXPECT_TRUE(session.p().Picture1.calls.empty());
  EXPECT_FALSE(session.p().Picture1.auto_redraw);
  EXPECT_FALSE(session.p().Picture1.picture);
  EXPECT_EQ(session.runtime().loads, 0);
  EXPECT_TRUE(SameState(before, session.state()));
}

}  // namespace
}  // namespace vantory::unit
