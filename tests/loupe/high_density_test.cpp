// The view on a screen of two device pixels a logical one (run with QT_SCALE_FACTOR=2):
// the picture decoded at device pixels, lines sharp and one logical pixel wide, presses at
// the fractional logical places the platform reports.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/loupe/loupe_support.h"

namespace vantory::loupetest {
namespace {

TEST(HighDensity, PicturesAndLinesAreDrawnAtDevicePixels) {
  ASSERT_EQ(qApp->devicePixelRatio(), 2.0) << "run with QT_SCALE_FACTOR=2";
  QTemporaryDir dir;
  Driver d;
  const QSize logical = d.view().size();
  ASSERT_EQ(d.view().screen().size(), logical * 2);

  // A picture of one-pixel squares exactly as large as its place on a 2x screen: shown at
  // device pixels, every square stays; at logical pixels they would have blurred to grey.
  const QRgb light = qRgb(230, 230, 230), dark = qRgb(20, 40, 90);
  QImage squares(1522, 762, QImage::Format_RGB32);  // shown at 761 x 381 logical pixels
  for (int y = 0; y < squares.height(); ++y) {
    for (int x = 0; x < squares.width(); ++x) squares.setPixel(x, y, (x + y) % 2 ? light : dark);
  }
  ASSERT_TRUE(squares.save(dir.filePath("squares.png")));
  d.open(dir.filePath("squares.png"));
  const QRect shown = d.view().pictureRect();
  ASSERT_EQ(shown.width(), 761);
  const QImage screen = d.view().screen();
  int exact = 0, total = 0;
  for (int y = 2 * shown.top() + 10; y < 2 * shown.top() + 30; ++y) {
    for (int x = 2 * shown.left() + 10; x < 2 * shown.left() + 60; ++x) {
      ++total;
      exact += screen.pixel(x, y) == light || screen.pixel(x, y) == dark;
    }
  }
  EXPECT_EQ(exact, total);
  EXPECT_NE(screen.pixel(2 * shown.left() + 20, 2 * shown.top() + 20),
            screen.pixel(2 * shown.left() + 21, 2 * shown.top() + 20));

  // A reference line, level: two device rows of pure red, one logical pixel.
  d.trigger("setReferenceAction");
  d.press({100.5, 300.5});
  d.answerLength("10");
  d.press({600.5, 300.5});
  d.press({300, 300}, Qt::RightButton);
  d.move({320.25, 310.75});
  const QImage drawn = d.view().screen();
  const QRgb red = qRgb(255, 0, 0);
  int redRows = 0;
  for (int y = 2 * 300 - 4; y < 2 * 300 + 6; ++y) redRows += drawn.pixel(2 * 400, y) == red;
  EXPECT_EQ(redRows, 2);
  // Presses keep the fractional logical place: 100.5 px are 1507.5 twips.
  EXPECT_EQ(d.session().reference().a.x, 1507.5f);
  EXPECT_EQ(d.session().reference().a.y, 4507.5f);
}

}  // namespace
}  // namespace vantory::loupetest
