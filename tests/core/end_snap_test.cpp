// Ends placed with Ctrl held, over the recording fakes and a synthetic picture: a dark bar
// 400.4 pixels wide on a 2000 x 1000 picture, shown at about 2.6 of its pixels to one of
// the view's. Which ends snap, where they go, what the status line says, and that a snapped
// pair is an ordinary pair from then on (kept, undone, redone).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "core/texts.h"
#include "tests/core/program.h"

namespace vantory::testing {
namespace {

constexpr double kLeftEdge = 800.3, kRightEdge = 1200.7;         // the bar, in the picture's pixels
constexpr double kRow = 500.5;                                   // the row measured along
constexpr TwipSize kNatural{30000, 15000};                       // 2000 x 1000 pixels
constexpr double kTwip = kNatural.width / kWideRect.width / 15;  // picture pixels in one twip

// The bar blurred by 1 pixel, in noise of 2 grey levels.
GreyPicture barPicture() {
  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0, 2);
  const auto dark = [](double x, double at) { return 0.5 * std::erfc((at - x) / std::sqrt(2.0)); };
  std::vector<std::uint8_t> pixels;
  pixels.reserve(2000 * 1000);
  for (int y = 0; y < 1000; ++y) {
    for (int x = 0; x < 2000; ++x) {
      const double v = 200 - 160 * (dark(x + 0.5, kLeftEdge) - dark(x + 0.5, kRightEdge)) + noise(rng);
      pixels.push_back(static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)));
    }
  }
  return GreyPicture(2000, 1000, std::move(pixels));
}

// A place on the picture, in its pixels, as a point of the view (twips); `off` view pixels
// further right.
TwipPoint onView(double x, double off = 0) {
  return {static_cast<float>(kWideRect.left + x / kTwip + off * 15),
          static_cast<float>(kWideRect.top + kRow / kTwip)};
}
double pictureX(TwipPoint p) { return (double{p.x} - kWideRect.left) * kTwip; }

// `pattern` with %A and %B replaced by how far the ends moved, in picture pixels.
std::string withMoves(std::string pattern, double a, double b) {
  for (const auto& [key, pixels] : {std::pair{"%A", a}, std::pair{"%B", b}}) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", pixels);
    if (const auto at = pattern.find(key); at != std::string::npos) pattern.replace(at, 2, text);
  }
  return pattern;
}

class EndSnap : public ::testing::Test {
 protected:
  void SetUp() override {
    p_.fake().pixels.picture = barPicture();
    p_.open(kWidePath, kNatural);
    ASSERT_EQ(p_.commands().pictureRect(), kWideRect);
    // The reference: 1000 twips of the view as 10, placed without Ctrl.
    p_.setReference({1000, 300}, {2000, 300}, "10");
    p_.commands().chooseMeasureMode();
  }
  Program p_;
};

TEST_F(EndSnap, OnlyTheEndsPlacedWithCtrlMoveAndTheStatusLineSaysHowFar) {
  const TwipPoint outsideLeft = onView(kLeftEdge, -2);  // 2 view pixels off each edge
  const TwipPoint outsideRight = onView(kRightEdge, 2);
  const TwipPoint middle = onView(1000);  // nothing within reach
  struct Row {
    const char* name;
    TwipPoint a, b;
    bool ctrlA, ctrlB;
    double snappedA, snappedB;  // picture pixels, or NAN: where it was clicked
    std::string status;         // %A, %B: how far the first and second end moved
  };
  const Row rows[] = {
      {"without Ctrl", outsideLeft, outsideRight, false, false, NAN, NAN, ""},
      {"the first end", outsideLeft, outsideRight, true, false, kLeftEdge, NAN, "吸附：第一端移动 %A 像素"},
      {"the second end", outsideLeft, outsideRight, false, true, NAN, kRightEdge, "吸附：第二端移动 %B 像素"},
      {"both ends", outsideLeft, outsideRight, true, true, kLeftEdge, kRightEdge,
       "吸附：第一端移动 %A 像素，第二端移动 %B 像素"},
      {"both, one with no edge in reach", outsideLeft, middle, true, true, kLeftEdge, NAN,
       "吸附：第一端移动 %A 像素，第二端未找到边缘"},
      {"no edge in reach", middle, outsideRight, true, false, NAN, NAN,
       "吸附：附近未找到边缘，端点留在单击处"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    p_.left(row.a.x, row.a.y, row.ctrlA);
    p_.left(row.b.x, row.b.y, row.ctrlB);
    p_.right();
    const Segment kept = p_.session().measurements().back().segment;
    for (const auto& [end, clicked, snapped] :
         {std::tuple{kept.a, row.a, row.snappedA}, std::tuple{kept.b, row.b, row.snappedB}}) {
      EXPECT_EQ(end.y, clicked.y);  // along the line: a horizontal one keeps its row
      if (std::isnan(snapped)) {
        EXPECT_EQ(end.x, clicked.x);
      } else {
        EXPECT_NEAR(pictureX(end), snapped, 0.1);
      }
    }
    // Plain presses (the first row) never ask for the picture's pixels.
    if (&row == &rows[0]) {
      EXPECT_EQ(p_.fake().pixels.readies, 0);
    }
    EXPECT_EQ(p_.fake().window.status.snap,
              withMoves(row.status, std::abs(pictureX(kept.a) - pictureX(row.a)),
                        std::abs(pictureX(kept.b) - pictureX(row.b))));
  }
  EXPECT_TRUE(p_.noErrors());
}

TEST_F(EndSnap, AReferenceSnapsBeforeItsLengthIsAskedAndMeasuresTheBarExactly) {
  p_.commands().chooseReferenceMode();
  Segment asked;
  p_.prompts().beforeAnswer = [&] { asked = p_.session().workingPair(); };
  p_.left(onView(kLeftEdge, 2).x, onView(kLeftEdge).y, true);
  p_.prompts().textAnswers.push_back("40.04 mm");
  p_.left(onView(kRightEdge, -2).x, onView(kRightEdge).y, true);
  p_.right();
  EXPECT_EQ(asked, p_.session().reference());
  EXPECT_NEAR(pictureX(asked.a), kLeftEdge, 0.1);
  EXPECT_NEAR(pictureX(asked.b), kRightEdge, 0.1);
  // The same bar measured from the other sides of its edges reads its width to 0.05 %.
  p_.commands().chooseMeasureMode();
  p_.left(onView(kRightEdge, 2).x, onView(kRightEdge).y, true);
  p_.left(onView(kLeftEdge, -1).x, onView(kLeftEdge).y, true);
  p_.right();
  EXPECT_NEAR(p_.session().measurements().back().length, 40.04, 40.04 * 0.0005);
  // Another picture opened: how this one's ends snapped is no longer told.
  EXPECT_NE(p_.fake().window.status.snap, "");
  p_.open(kWidePath, kNatural);
  EXPECT_EQ(p_.fake().window.status.snap, "");
}

TEST_F(EndSnap, ASnappedMeasurementIsUndoneAndRedoneAsPlaced) {
  p_.left(onView(kLeftEdge, -2).x, onView(kLeftEdge).y, true);
  p_.left(onView(kRightEdge, 2).x, onView(kRightEdge).y, true);
  p_.right();
  const Measurement kept = p_.session().measurements().back();
  EXPECT_NE(kept.segment.a, onView(kLeftEdge, -2));
  p_.commands().undo();
  EXPECT_TRUE(p_.session().measurements().empty());
  EXPECT_EQ(p_.fake().window.status.snap, "");  // the pair is given up, and what it told
  p_.commands().redo();
  ASSERT_EQ(p_.session().measurements().size(), 1u);
  EXPECT_EQ(p_.session().measurements().back(), kept);
}

// A press waits for a decode still under way; where the pixels cannot be read, the ends stay.
TEST_F(EndSnap, APressWaitsForTheDecodeOrTellsThePixelsCannotBeRead) {
  const TwipPoint a = onView(kLeftEdge, -2), b = onView(kRightEdge, 2);
  p_.fake().pixels.decoded = false;
  p_.left(a.x, a.y, true);
  p_.left(b.x, b.y, true);
  EXPECT_NEAR(pictureX(p_.session().workingPair().a), kLeftEdge, 0.1);
  EXPECT_NEAR(pictureX(p_.session().workingPair().b), kRightEdge, 0.1);
  p_.fake().pixels.picture.reset();
  p_.left(a.x, a.y, true);
  p_.left(b.x, b.y, true);
  EXPECT_EQ(p_.session().workingPair(), (Segment{a, b}));
  EXPECT_EQ(p_.fake().window.status.snap, std::string("吸附：") + texts::kSnapNoPixels);
}

// While the second end follows the pointer with Ctrl held, the pair is drawn as it would
// snap, with a tick across each end that would move; without Ctrl it ends at the pointer.
TEST_F(EndSnap, TheLiveViewShowsWhereTheEndsWouldSnap) {
  const TwipPoint a = onView(kLeftEdge, -2), pointer = onView(kRightEdge, 2);
  p_.left(a.x, a.y, true);
  const std::vector<Drawn> plain = p_.move(pointer.x, pointer.y);
  const std::vector<Drawn> snapping = p_.move(pointer.x, pointer.y, true);
  const auto isTick = [](const Drawn& d) { return d.kind == Drawn::kLine && d.from.x == d.to.x; };
  // Without Ctrl only the first end (placed with it) would move: one tick.
  EXPECT_EQ(std::count_if(plain.begin(), plain.end(), isTick), 1);
  ASSERT_EQ(std::count_if(snapping.begin(), snapping.end(), isTick), 2);
  const Drawn& pair = snapping[snapping.size() - 3];
  EXPECT_NEAR(pictureX(pair.from), kLeftEdge, 0.1);
  EXPECT_NEAR(pictureX(pair.to), kRightEdge, 0.1);
  for (const Drawn& tick : std::vector<Drawn>(snapping.end() - 2, snapping.end())) {
    EXPECT_FLOAT_EQ(std::abs(double{tick.to.y} - tick.from.y), 90);  // 3 view pixels either side
  }
  // The second press snaps exactly where the view showed.
  p_.left(pointer.x, pointer.y, true);
  EXPECT_EQ(p_.session().workingPair().a, pair.from);
  EXPECT_EQ(p_.session().workingPair().b, pair.to);
}

}  // namespace
}  // namespace vantory::testing
