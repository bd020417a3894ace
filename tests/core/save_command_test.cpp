// Save over the recording fakes: what is drawn on the picture, in which order and where,
// the file name the dialogs share, what a failure tells and keeps.
#include <gtest/gtest.h>

#include "core/annotations.h"
#include "tests/core/program.h"

namespace vantory::testing {
namespace {

using fakes::label;
using fakes::line;

class SaveTest : public ::testing::Test {
 protected:
  // The view points that map to the picture's corner and centre: the wide picture is shown
  // at (120, 1293.75), 11415 x 5707.5, and is 6000 x 3000 twips.
  static constexpr TwipPoint kCorner{120, 1293.75f};
  static constexpr TwipPoint kCentre{5827.5f, 4147.5f};
  static constexpr float kQuarter = 2853.75f;  // a quarter of the shown width: 1500 on the picture

  void SetUp() override {
    p_.open();
    p_.setReference(kCorner, kCentre, "100");
  }
  void addMeasurements(int n) {
    for (int k = 1; k <= n; ++k) p_.measure({kCorner.x + kQuarter * k, kCorner.y}, kCentre);
  }
  void save(const std::string& answer) {
    p_.prompts().fileAnswers = {answer};
    p_.commands().savePicture();
  }
  const fakes::FakeDisk::Written& written(const std::string& path) { return p_.fake().disk.written.at(path); }
  std::vector<Drawn> expected(int n) {
    std::vector<Drawn> d = labelled({0, 0}, {3000, 1500}, 100, Ink::kReference);
    for (int k = 1; k <= n; ++k) {
      append(d, labelled({1500.0f * k, 0}, {3000, 1500}, p_.session().measurements()[k - 1].length,
                         Ink::kMeasurement));
    }
    return d;
  }

  Program p_;
};

TEST_F(SaveTest, MapsTheViewOntoThePictureAtItsNaturalSize) {
  save("/out/a.bmp");
  EXPECT_EQ(written("/out/a.bmp").picture, kWidePath);
  EXPECT_EQ(written("/out/a.bmp").size, (TwipSize{6000, 3000}));
  // The corner to (0, 0), the centre to (3000, 1500), the label's corner at (1500, 750).
  EXPECT_EQ(written("/out/a.bmp").drawn, (std::vector<Drawn>{label(100, 1500, 750, Ink::kReference),
                                                             line(0, 0, 3000, 1500, Ink::kReference)}));
}

TEST_F(SaveTest, DrawsTheReferenceThenEveryMeasurementInOrder) {
  addMeasurements(3);
  save("/out/a.bmp");
  EXPECT_EQ(fakes::toString(written("/out/a.bmp").drawn), fakes::toString(expected(3)));
}

TEST_F(SaveTest, ACancelledSaveWritesNothingAndTheNextReadsThePictureAgain) {
  save("/out/a.bmp");
  addMeasurements(2);
  const int reads = p_.fake().disk.reads;
  save("");
  EXPECT_EQ(p_.fake().disk.writeOrder, std::vector<std::string>{"/out/a.bmp"});
  save("/out/b.bmp");
  EXPECT_EQ(fakes::toString(written("/out/b.bmp").drawn), fakes::toString(expected(2)));
  EXPECT_EQ(p_.fake().disk.reads, reads + 2);
}

TEST_F(SaveTest, SegmentsAreMappedThroughThePictureOpenedLast) {
  p_.open("/pictures/tall.jpg", {3000, 6000});
  save("/out/tall.bmp");
  const Drawn& last = written("/out/tall.bmp").drawn.back();
  // The view's centre is this picture's centre too: (1500, 3000) of 3000 x 6000.
  EXPECT_EQ(last.to, (TwipPoint{1500, 3000}));
  EXPECT_LT(last.from.x, 0);  // the corner of the wide picture lies left of the tall one
}

TEST_F(SaveTest, FailuresAreReportedAndEverythingIsKept) {
  addMeasurements(2);
  p_.fake().disk.unwritable["/read-only/a.bmp"] = ErrorCode::kPathAccess;
  const MeasurementSession before = p_.session();
  save("/read-only/a.bmp");
  ASSERT_EQ(p_.prompts().errors.size(), 1u);
  EXPECT_EQ(p_.prompts().errors[0].first, 75);
  EXPECT_EQ(p_.session(), before);
  EXPECT_TRUE(p_.fake().disk.written.empty());

  // The picture moved away since it was opened: the dialog comes all the same, and the
  // report after it; nothing is written. Cancelled, nothing is said.
  p_.fake().disk.pictures.erase(kWidePath);
  const std::size_t dialogs = p_.prompts().dialogs.size();
  save("/out/a.bmp");
  EXPECT_EQ(p_.prompts().dialogs.size(), dialogs + 1);
  EXPECT_EQ(p_.prompts().errors.back().first, 53);
  EXPECT_TRUE(p_.fake().disk.written.empty());
  p_.prompts().errors.clear();
  save("");
  EXPECT_TRUE(p_.prompts().errors.empty());
  EXPECT_EQ(p_.session(), before);
}

// What is saved is what stood when Save was chosen, however late the drawing is done.
TEST_F(SaveTest, DrawsTheAnnotationsAsTheyStoodWhenSaveWasChosen) {
  p_.fake().disk.drawAtWrite = true;
  p_.prompts().fileAnswers = {"/out/a.bmp"};
  const std::unique_ptr<ExportJob> job = p_.fake().files.prepareExport(
      kWidePath, [annotations = SavedAnnotations(p_.session()), shown = p_.commands().pictureRect()](
                     Painter& painter, TwipSize picture) {
        drawAnnotations(painter, CoordinateMap::onto(shown, picture), annotations.view());
      });
  addMeasurements(2);  // after Save was chosen
  job->writeTo("/out/a.bmp", [](const AppError*) {});
  EXPECT_EQ(fakes::toString(written("/out/a.bmp").drawn), fakes::toString(expected(0)));
  // And the command itself draws from such a copy.
  save("/out/b.bmp");
  EXPECT_EQ(fakes::toString(written("/out/b.bmp").drawn), fakes::toString(expected(2)));
}

// Labels and lines scale with a picture larger than it was shown: by the picture's size
// over the shown size (a label box of 600 x 200 twips at scale 1); a picture shown at its
// own size or enlarged is drawn as on screen. Two measurements sharing a midpoint (the
// picture's centre) keep their labels apart in the picture's own twips.
TEST(Save, LabelsAndLinesScaleWithAPictureLargerThanShown) {
  struct Row {
    const char* name;
    TwipSize picture;
    float scale;
    TwipPoint secondLabel;  // the corner of the second measurement's label
  };
  const Row rows[] = {
      {"enlarged", {6000, 3000}, 1, {3000 - 600, 1500}},
      {"at its own size", {11415, 5707.5f}, 1, {5707.5f - 600, 2853.75f}},
      {"twice as large", {22830, 11415}, 2, {11415 - 1200, 5707.5f}},
      {"four times", {45660, 22830}, 4, {22830 - 2400, 11415}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Program p;
    p.fake().disk.labelBox = {600, 200};
    p.open("/pictures/p.jpg", row.picture);
    // The picture is shown at (120, 1293.75), 11415 x 5707.5, whatever its size.
    p.setReference({120, 1293.75f}, {5827.5f, 4147.5f}, "100");
    p.measure({120, 4147.5f}, {11535, 4147.5f});  // across the middle: midpoint at the centre
    p.measure({5827.5f, 1293.75f}, {5827.5f, 7001.25f});
    p.prompts().fileAnswers = {"/out/a.bmp"};
    p.commands().savePicture();
    const std::vector<Drawn>& drawn = p.fake().disk.written.at("/out/a.bmp").drawn;
    ASSERT_EQ(drawn.size(), 6u);
    for (const Drawn& d : drawn) EXPECT_EQ(d.scale, row.scale) << fakes::toString(d);
    EXPECT_EQ(drawn[2].from, drawn[1].to) << "the first measurement's label at the centre";
    EXPECT_EQ(drawn[4].from, row.secondLabel);
  }
}

TEST(Save, BeforeAnyPictureSaysThereIsNothingToSave) {
  Program p;
  p.prompts().fileAnswers = {"/out/a.bmp"};
  p.commands().savePicture();
  EXPECT_EQ(p.prompts().messages, std::vector<std::string>{texts::kNothingToSave});
  EXPECT_TRUE(p.prompts().dialogs.empty());
  EXPECT_EQ(p.fake().disk.reads, 0);
}

// Before a reference is committed there is nothing to mark.
TEST(Save, WithoutACommittedReferenceThePictureIsWrittenUnmarked) {
  Program p;
  p.open();
  p.prompts().fileAnswers = {"/out/plain.bmp"};
  p.commands().savePicture();
  EXPECT_TRUE(p.fake().disk.written.at("/out/plain.bmp").drawn.empty());
  p.setReference({1000, 2000}, {4000, 6000}, "");  // cancelled
  p.prompts().fileAnswers = {"/out/plain2.bmp"};
  p.commands().savePicture();
  EXPECT_TRUE(p.fake().disk.written.at("/out/plain2.bmp").drawn.empty());
}

}  // namespace
}  // namespace vantory::testing
