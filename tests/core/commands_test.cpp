// The commands over the recording fakes: start-up, Open, modes and presses, the length
// box, Save, About and Exit, and the guard that keeps the session when a command fails.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "tests/core/program.h"

namespace vantory::testing {
namespace {

using fakes::label;
using fakes::line;

TEST(Start, OnlyTheFileMenuAndAboutAreAvailable) {
  Program p;
  EXPECT_FALSE(p.fake().window.annotateEnabled);
  EXPECT_FALSE(p.fake().window.measureEnabled);
  EXPECT_EQ(p.session().mode(), Mode::kIdle);
  EXPECT_EQ(p.commands().pictureRect(), (TwipRect{720, 840, 10215, 5655}));
  // Before any Open nothing a press or a move does reaches the session.
  const MeasurementSession before = p.session();
  p.left(1000, 1000);
  p.right();
  EXPECT_TRUE(p.move(1000, 1000).empty());
  EXPECT_EQ(p.session(), before);
}

TEST(About, ShowsItsOneLineTextAndChangesNothing) {
  Program p;
  p.commands().showAbout();
  ASSERT_EQ(p.prompts().messages.size(), 1u);
  const std::string& shown = p.prompts().messages[0];
  EXPECT_EQ(shown, "Vantory 图片尺寸测量工具，By Tarvo  联系邮箱：tarvo@example.com");
  EXPECT_EQ(p.fake().window.closes, 0);
}

TEST(Exit, ClosesWithoutAskingEvenWithUnsavedMeasurements) {
  Program p;
  p.open();
  p.setReference({1000, 2000}, {4000, 6000});
  p.commands().exitProgram();
  EXPECT_EQ(p.fake().window.closes, 1);
  EXPECT_TRUE(p.prompts().messages.empty());
  EXPECT_TRUE(p.fake().disk.written.empty());
}

// ---------------------------------------------------------------- Open

TEST(Open, ShowsThePictureFittedAndEnablesAnnotation) {
  Program p;
  p.open();
  EXPECT_EQ(p.commands().picturePath(), kWidePath);
  EXPECT_EQ(p.commands().pictureRect(), kWideRect);
  EXPECT_EQ(p.fake().surface.shownPath, kWidePath);
  EXPECT_EQ(p.fake().surface.shownRect, kWideRect);
  EXPECT_TRUE(p.fake().window.annotateEnabled);
  EXPECT_FALSE(p.fake().window.measureEnabled);
  EXPECT_EQ(p.fake().surface.frames, 1);  // drawn at once: nothing over it before a mode
  EXPECT_TRUE(p.fake().surface.frame().empty());
  ASSERT_EQ(p.prompts().dialogs.size(), 1u);
  EXPECT_EQ(p.prompts().dialogs[0].kind, "open");
}

// The Open dialog starts with the name last saved to, empty once a picture is taken or a
// dialog cancelled. Save suggests the picture's name with -标注 beside it, then the name
// last saved to (a cancelled Save keeps it), until another picture is opened.
TEST(Open, TheDialogsStartWithTheLastNameOrOneBesideThePicture) {
  Program p;
  p.open();
  p.prompts().fileAnswers = {"/out/a.bmp"};
  p.commands().savePicture();
  p.commands().savePicture();  // cancelled
  p.commands().savePicture();  // cancelled
  p.commands().openPicture();  // cancelled
  p.commands().openPicture();
  p.fake().disk.pictures["/pictures/b.jpg"] = {6000, 3000};
  p.commands().openFile("/pictures/b.jpg");  // from the command line or a drop
  p.commands().savePicture();
  p.prompts().fileAnswers = {"/out/b.bmp"};
  p.commands().savePicture();
  p.commands().openPicture();
  std::vector<std::string> initial;
  for (const auto& d : p.prompts().dialogs) initial.push_back(d.kind + " " + d.initialName);
  EXPECT_EQ(initial,
            (std::vector<std::string>{"open ", "save /pictures/wide-标注.bmp", "save /out/a.bmp",
                                      "save /out/a.bmp", "open ", "open ", "save /pictures/b-标注.bmp",
                                      "save /pictures/b-标注.bmp", "open /out/b.bmp"}));
  EXPECT_EQ(p.commands().picturePath(), "/pictures/b.jpg");
}

TEST(Open, ASecondPictureKeepsEverythingMeasured) {
  Program p;
  p.open();
  p.setReference({1000, 2000}, {4000, 6000});
  p.measure({1000, 2000}, {2500, 4000});
  p.left(3000, 3000);  // a pending point, in measure mode
  const MeasurementSession before = p.session();
  p.open("/pictures/tall.bmp", {3000, 6000});
  EXPECT_EQ(p.session(), before);
  EXPECT_EQ(p.commands().pictureRect(), (TwipRect{3813.75f, 120, 4027.5f, 8055}));
  EXPECT_TRUE(p.fake().window.measureEnabled);
}

// Whatever fails, and wherever: the picture, its place, the session, the menus and the
// dialog's file name stay as they were.
TEST(Open, AFailedOpenChangesNothing) {
  struct Bad {
    const char* name;
    void (*arrange)(fakes::FakeProgram&, const std::string& path);
    int error;
  };
  const Bad rows[] = {
      {"missing", [](fakes::FakeProgram&, const std::string&) {}, 53},
      {"not a picture",
       [](fakes::FakeProgram& f, const std::string& path) {
         f.disk.unreadable[path] = ErrorCode::kInvalidPicture;
       },
       481},
      {"size unknown",
       [](fakes::FakeProgram& f, const std::string& path) {
         f.disk.pictures[path] = {800, 600};
         f.disk.failNextProbe = true;
       },
       481},
      {"cannot be shown",
       [](fakes::FakeProgram& f, const std::string& path) {
         f.disk.pictures[path] = {600, 800};
         f.disk.failNextShow = true;
       },
       481},
      {"window narrower than the margin",
       [](fakes::FakeProgram& f, const std::string& path) {
         f.disk.pictures[path] = {6000, 3000};
         f.window.client.width = 240;
       },
       380},
      {"window of no height",
       [](fakes::FakeProgram& f, const std::string& path) {
         f.disk.pictures[path] = {6000, 3000};
         f.window.client.height = 0;
       },
       11},
  };
  for (const Bad& bad : rows) {
    SCOPED_TRACE(bad.name);
    Program p;
    p.open();
    p.setReference({1000, 2000}, {4000, 6000});
    p.prompts().fileAnswers = {"/out/saved.bmp"};
    p.commands().savePicture();  // the dialogs' name is now the saved path
    const MeasurementSession before = p.session();
    bad.arrange(p.fake(), "/pictures/bad.jpg");
    p.prompts().fileAnswers = {"/pictures/bad.jpg"};
    p.commands().openPicture();

    ASSERT_EQ(p.prompts().errors.size(), 1u);
    EXPECT_EQ(p.prompts().errors[0].first, bad.error);
    EXPECT_EQ(p.session(), before);
    EXPECT_EQ(p.commands().picturePath(), kWidePath);
    EXPECT_EQ(p.commands().pictureRect(), kWideRect);
    EXPECT_EQ(p.fake().surface.shownPath, kWidePath);
    EXPECT_TRUE(p.fake().window.measureEnabled);
    p.commands().openPicture();
    EXPECT_EQ(p.prompts().dialogs.back().initialName, "/out/saved.bmp");
  }
}

TEST(Open, AFailedFirstOpenKeepsTheAnnotateMenuOff) {
  Program p;
  p.prompts().fileAnswers = {"/pictures/missing.jpg"};
  p.commands().openPicture();
  EXPECT_FALSE(p.fake().window.annotateEnabled);
  EXPECT_EQ(p.commands().picturePath(), "");
  p.open();
  EXPECT_TRUE(p.fake().window.annotateEnabled);
}

// ---------------------------------------------------------------- the length box

TEST(LengthBox, AsksAfterTheSecondPointAndAgainUntilANumberAboveZero) {
  Program p;
  p.open();
  p.commands().chooseReferenceMode();
  p.left(1000, 2000);
  EXPECT_TRUE(p.prompts().questions.empty());
  p.prompts().textAnswers = {"abc", "1e39", "0", "-100", "-0", "1e-60", "5 m/s", " 7.5 "};
  p.left(4000, 6000);

  const auto& asked = p.prompts().questions;
  ASSERT_EQ(asked.size(), 8u);
  EXPECT_EQ(asked[0].prompt, "输入所标注基准的实际长度");
  EXPECT_EQ(asked[0].title, "输入基准实际长");
  EXPECT_EQ(asked[0].initialText, "100");
  const char* const again[] = {"abc", "1e39", "0", "-100", "-0", "1e-60", "5 m/s"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(asked[i + 1].initialText, again[i]);  // what was typed stays
  // What is not a length is explained in words, not reported as an error.
  ASSERT_EQ(p.prompts().errors.size(), 1u);
  EXPECT_EQ(p.prompts().errors[0].first, 6);
  const std::string notALength = texts::kNotALength, notPositive = texts::kLengthNotPositive;
  EXPECT_EQ(p.prompts().messages, (std::vector<std::string>{notALength, notPositive, notPositive, notPositive,
                                                            notPositive, notALength}));
  EXPECT_EQ(p.session().referenceLength(), 0);  // held until the commit
  p.right();
  EXPECT_EQ(p.session().referenceLength(), 7.5f);
  EXPECT_EQ(p.session().referenceUnit(), "");
  EXPECT_TRUE(p.fake().window.measureEnabled);
}

// The unit typed after the reference's length follows every length measured against that
// reference: on screen, live and committed, and in the saved picture. Every measurement
// takes the unit of the reference in force, as it takes its length.
TEST(LengthBox, AUnitLabelsTheReferenceAndItsMeasurements) {
  Program p;
  p.open();
  p.setReference({1000, 2000}, {1000, 7000}, "25.4 mm");  // 5000 twips
  EXPECT_EQ(p.session().referenceUnit(), "mm");
  p.measure({2000, 2000}, {2000, 4500});  // 2500 twips: 12.7 mm
  p.setReference({3000, 2000}, {3000, 7000}, "2英寸");
  p.measure({4000, 2000}, {4000, 4500});
  p.left(5000, 2000);

  // The reference fixed again in 英寸 labels the first measurement anew, in its unit.
  std::vector<Drawn> expected;
  append(expected, labelled({3000, 2000}, {3000, 7000}, 2, Ink::kReference, 8, "英寸"));
  append(expected, labelled({2000, 2000}, {2000, 4500}, 1, Ink::kMeasurement, 8, "英寸"));
  append(expected, labelled({4000, 2000}, {4000, 4500}, 1, Ink::kMeasurement, 8, "英寸"));
  append(expected, labelled({5000, 2000}, {5000, 3250}, 0.5f, Ink::kMeasurement, 8, "英寸"));
  EXPECT_EQ(fakes::toString(p.move(5000, 3250)), fakes::toString(expected));

  p.prompts().fileAnswers = {"/out/units.bmp"};
  p.commands().savePicture();
  ASSERT_EQ(p.fake().disk.written.count("/out/units.bmp"), 1u);
  std::vector<std::string> units;
  for (const Drawn& d : p.fake().disk.written["/out/units.bmp"].drawn) {
    if (d.kind == Drawn::kLabel) units.push_back(d.unit);
  }
  EXPECT_EQ(units, (std::vector<std::string>{"英寸", "英寸", "英寸"}));
}

TEST(LengthBox, ZeroLengthReferenceIsRefusedWithAMessage) {
  for (const bool hadReference : {false, true}) {
    Program p;
    p.open();
    if (hadReference) p.setReference({1000, 2000}, {4000, 6000});
    const MeasurementSession before = p.session();
    p.setReference({2000, 3000}, {2000, 3000}, "50");
    EXPECT_EQ(p.session().reference(), before.reference());
    EXPECT_EQ(p.session().referenceLength(), before.referenceLength());
    EXPECT_EQ(p.prompts().messages, std::vector<std::string>{texts::kZeroReference});
    EXPECT_EQ(p.fake().window.measureEnabled, hadReference);
    EXPECT_TRUE(p.noErrors());
  }
}

TEST(Measure, TheThousandthMeasurementIsRefusedWithAMessage) {
  Program p;
  p.open();
  p.setReference({1000, 2000}, {1000, 7000}, "100");  // 5000 twips
  p.commands().chooseMeasureMode();
  for (int k = 1; k <= 999; ++k) {
    p.left(1000, 2000);
    p.left(1000, 2000.0f + k);  // k twips: k / 50
    p.right();
  }
  ASSERT_EQ(p.session().measurements().size(), 999u);
  EXPECT_EQ(p.session().measurements()[0].length, 0.02f);
  EXPECT_EQ(p.session().measurements()[998].length, 19.98f);
  p.left(1100, 2100);  // points can still be placed
  p.left(1200, 2200);
  EXPECT_EQ(p.session().workingPair(), (Segment{{1100, 2100}, {1200, 2200}}));
  p.right();
  EXPECT_EQ(p.session().measurements().size(), 999u);
  EXPECT_EQ(p.prompts().messages, std::vector<std::string>{texts::kTooManyMeasurements});
  EXPECT_TRUE(p.noErrors());
}

TEST(Measure, ALengthBeyondTheFloatRangeIsReportedAndNothingIsStored) {
  Program p;
  p.open();
  p.setReference({1000, 2000}, {4000, 6000}, "3e38");
  p.commands().chooseMeasureMode();
  p.left(1000, 2000);
  p.left(7000, 10000);  // twice the reference: 6e38
  const MeasurementSession before = p.session();
  p.right();
  EXPECT_EQ(p.session(), before);
  ASSERT_EQ(p.prompts().errors.size(), 1u);
  EXPECT_EQ(p.prompts().errors[0].first, 6);
}

TEST(Points, ThePressAtThePicturesCornerIsItsPlaceOnTheView) {
  Program p;
  p.open();
  p.commands().chooseReferenceMode();
  p.commands().press(MouseButton::kLeft, 0, 0);
  EXPECT_EQ(p.session().workingPair().a, (TwipPoint{120, 1293.75f}));
  p.commands().press(MouseButton::kOther, 50, 50);  // the middle button: nothing
  EXPECT_TRUE(p.session().secondPointPending());
}

// ---------------------------------------------------------------- the guard

TEST(Guard, AFailingCommandLeavesTheSessionAsItWasAndReports) {
  struct Thrown {
    void (*thrower)();
    int error;
    const char* text;
  };
  const Thrown rows[] = {
      {[] { throw std::bad_alloc(); }, 7, "内存不足"},
      {[] { throw std::logic_error("broken invariant"); }, 51, "内部错误：broken invariant"},
      {[] { throw 42; }, 51, "内部错误"}};
  for (const Thrown& t : rows) {
    Program p;
    p.open();
    p.setReference({1000, 2000}, {4000, 6000});
    p.commands().chooseReferenceMode();
    p.left(1500, 2500);
    const MeasurementSession before = p.session();
    p.prompts().beforeAnswer = t.thrower;
    p.left(3500, 4500);  // the second point asks for a length: the box throws
    EXPECT_EQ(p.prompts().errors, (std::vector<std::pair<int, std::string>>{{t.error, t.text}}));
    EXPECT_EQ(p.session(), before);  // the second point taken back
    p.prompts().beforeAnswer = nullptr;
    p.prompts().textAnswers = {"5"};
    p.left(3500, 4500);  // and the program goes on
    p.right();
    EXPECT_EQ(p.session().referenceLength(), 5);
  }
}

}  // namespace
}  // namespace vantory::testing
