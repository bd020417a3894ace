// Undo, redo, clear and Escape over the recording fakes: one run of steps, each checked
// against what the user can see afterwards (the labels on screen, the labels of a picture
// saved then, the menus, the table copied then), and the status line a step at a time.
#include <gtest/gtest.h>

#include <sstream>

#include "core/number_text.h"
#include "tests/core/program.h"

namespace vantory::testing {
namespace {

// The label texts of a drawing, blanks trimmed, in order: "30 32.5 32.5", "1000 mm".
std::string labels(const std::vector<Drawn>& drawn) {
  std::string out;
  for (const Drawn& d : drawn) {
    if (d.kind != Drawn::kLabel) continue;
    std::string text = labelText(d.value, d.unit);
    text = text.substr(text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    out += (out.empty() ? "" : " ") + text;
  }
  return out;
}

// The lengths of a copied table with their units, as the labels read them: "30 32.5",
// "1000 mm 1083.333 mm".
std::string tableLengths(const std::string& copied) {
  std::istringstream rows(copied);
  std::string row, out;
  std::getline(rows, row);  // the header
  while (std::getline(rows, row)) {
    std::vector<std::string> cells;
    std::istringstream line(row);
    for (std::string cell; std::getline(line, cell, '\t');) cells.push_back(cell);
    cells.resize(10);  // an empty unit ends the row with a tab
    out += (out.empty() ? "" : " ") + cells[8] + (cells[9].empty() ? "" : " " + cells[9]);
  }
  return out;
}

// The reference R is 3000 twips; M1 is 3250 and M2 4250 twips long: 32.5 and 42.5 against
// a length of 30, 1083.333 and 1416.666 against 1000 mm.
constexpr TwipPoint kR1{1000, 2000}, kR2{4000, 2000};
constexpr TwipPoint kM1a{1000, 3000}, kM1b{4250, 3000};
constexpr TwipPoint kM2a{1000, 4000}, kM2b{5250, 4000};

TEST(Undo, EveryStepLeavesTheScreenTheSavedPictureAndTheMenusAsTheRulesSay) {
  enum Action { kFix30, kFix1000, kKeepM1, kKeepM2, kUndo, kRedo, kClear, kBeginThenEscape };
  struct Step {
    Action action;
    const char* screen;  // the labels on screen afterwards, the pair being placed included
    const char* saved;   // the labels of a picture saved then
    const char* menus;   // measure, undo, redo, clear: its letter when enabled
  };
  const Step steps[] = {
      {kFix30, "30", "30", "MU--"},
      {kKeepM1, "30 32.5 32.5", "30 32.5", "MU-C"},  // the kept pair is still the pair placed
      {kKeepM2, "30 32.5 42.5 42.5", "30 32.5 42.5", "MU-C"},
      // An undone measurement leaves the screen and the saved picture, pair and all; redo
      // brings it back.
      {kUndo, "30 32.5", "30 32.5", "MURC"},
      {kRedo, "30 32.5 42.5", "30 32.5 42.5", "MU-C"},
      {kClear, "30", "30", "MU--"},
      {kUndo, "30 32.5 42.5", "30 32.5 42.5", "MURC"},
      // The reference fixed again as 1000 mm labels every measurement anew, in its unit
      // (and drops the clear undone); undoing it restores them.
      {kFix1000, "1000 mm 1083.333 mm 1416.666 mm", "1000 mm 1083.333 mm 1416.666 mm", "MU-C"},
      {kUndo, "30 32.5 42.5", "30 32.5 42.5", "MURC"},
      {kRedo, "1000 mm 1083.333 mm 1416.666 mm", "1000 mm 1083.333 mm 1416.666 mm", "MU-C"},
      {kUndo, "30 32.5 42.5", "30 32.5 42.5", "MURC"},
      // Escape gives up the pair begun: the right press after it keeps nothing.
      {kBeginThenEscape, "30 32.5 42.5", "30 32.5 42.5", "MURC"},
      {kUndo, "30 32.5", "30 32.5", "MURC"},
      {kUndo, "30", "30", "MUR-"},
      // Undoing the only reference: no reference, 测量标注 off, back in reference mode.
      {kUndo, "", "", "--R-"},
      {kUndo, "", "", "--R-"},  // nothing left to undo: nothing changes
      {kRedo, "30", "30", "MUR-"},
      // A new change drops what was undone.
      {kKeepM2, "30 42.5 42.5", "30 42.5", "MU-C"},
      {kRedo, "30 42.5 42.5", "30 42.5", "MU-C"},  // nothing to redo: nothing changes
  };
  Program p;
  p.open();
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    const Step& step = steps[i];
    SCOPED_TRACE("step " + std::to_string(i));
    switch (step.action) {
      case kFix30: p.setReference(kR1, kR2, "30"); break;
      case kFix1000: p.setReference(kR1, kR2, "1000 mm"); break;
      case kKeepM1: p.measure(kM1a, kM1b); break;
      case kKeepM2: p.measure(kM2a, kM2b); break;
      case kUndo: p.commands().undo(); break;
      case kRedo: p.commands().redo(); break;
      case kClear: p.commands().clearMeasurements(); break;
      case kBeginThenEscape:
        p.commands().chooseMeasureMode();
        p.left(1000, 6000);
        p.left(2000, 6000);
        p.commands().abandonPair();
        p.right();
        break;
    }
    // Drawn at once, with the pointer where it last was: no move needed.
    EXPECT_EQ(labels(p.fake().surface.frame()), step.screen);
    p.prompts().fileAnswers = {"/out/step.bmp"};
    p.commands().savePicture();
    EXPECT_EQ(labels(p.fake().disk.written.at("/out/step.bmp").drawn), step.saved);
    const fakes::FakeWindow& w = p.fake().window;
    const std::string menus{w.measureEnabled ? 'M' : '-', w.undoEnabled ? 'U' : '-',
                            w.redoEnabled ? 'R' : '-', w.clearEnabled ? 'C' : '-'};
    EXPECT_EQ(menus, step.menus);
    // The table holds what the saved picture shows; without a reference it cannot be had.
    EXPECT_EQ(w.tableEnabled, w.measureEnabled);
    p.fake().window.clipboard.clear();
    p.commands().copyMeasurements();
    EXPECT_EQ(tableLengths(w.clipboard), step.saved);
    if (!w.measureEnabled) {
      EXPECT_EQ(p.session().mode(), Mode::kReference);
    }
  }
  EXPECT_TRUE(p.noErrors());
}

std::string text(const SessionStatus& s) {
  return s.title + " | " + s.step + " | " + s.picture + " | " + s.scale + (s.placing ? " | cross" : "");
}

// The status line and the title follow the session step by step.
TEST(Status, SaysTheModeTheNextStepThePictureAndTheScale) {
  struct Row {
    void (*action)(Program&);
    const char* step;
    const char* scale;
    bool cross;
  };
  const Row rows[] = {
      {[](Program& p) {
         p.open("/pictures/coins.jpg", {18000, 12000});
       },
       texts::kStepChooseMode, "", false},
      {[](Program& p) { p.commands().chooseReferenceMode(); }, texts::kStepReferenceFirst, "", true},
      {[](Program& p) { p.left(1000, 2000); }, texts::kStepReferenceSecond, "", true},
      {[](Program& p) {
         p.prompts().textAnswers = {"30"};
         p.left(4000, 2000);
       },
       texts::kStepReferenceFix, "", true},
      // 3000 view twips of a picture 1200 pixels wide shown 11415 twips wide: 315.3745 pixels.
      {[](Program& p) { p.right(); }, texts::kStepReferenceFirst, "1 像素 = 0.095125", true},
      {[](Program& p) { p.commands().chooseMeasureMode(); }, texts::kStepMeasureFirst, "1 像素 = 0.095125",
       true},
      {[](Program& p) { p.left(1000, 3000); }, texts::kStepMeasureSecond, "1 像素 = 0.095125", true},
      {[](Program& p) { p.left(4000, 3000); }, texts::kStepMeasureKeep, "1 像素 = 0.095125", true},
      {[](Program& p) { p.right(); }, texts::kStepMeasureFirst, "1 像素 = 0.095125", true},
      {[](Program& p) { p.left(1000, 3000); }, texts::kStepMeasureSecond, "1 像素 = 0.095125", true},
      {[](Program& p) { p.commands().abandonPair(); }, texts::kStepMeasureFirst, "1 像素 = 0.095125", true},
      {[](Program& p) { p.commands().undo(); }, texts::kStepMeasureFirst, "1 像素 = 0.095125", true},
      {[](Program& p) { p.commands().undo(); }, texts::kStepReferenceFirst, "", true},
  };
  Program p;
  EXPECT_EQ(text(p.fake().window.status), text({"Vantory", texts::kStepOpenPicture, "", "", false, ""}));
  for (const Row& row : rows) {
    row.action(p);
    SCOPED_TRACE(row.step);
    EXPECT_EQ(text(p.fake().window.status), text({"coins.jpg - Vantory", row.step,
                                                  "coins.jpg  1200 × 800 像素", row.scale, row.cross, ""}));
  }
}

}  // namespace
}  // namespace vantory::testing
