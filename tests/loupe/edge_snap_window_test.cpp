// Ends placed with Ctrl held in the real window, offscreen, on a 6000 x 4000 picture of
// known geometry: a scale bar's two end marks 1000 pixels apart, and a dark disc. Clicked 2
// pixels of the view off the marks and the disc's edges, where one pixel of the view covers
// about 7.7 of the picture's, the disc's diameter reads within 0.05 % of the truth.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTemporaryDir>
#include <cmath>
#include <random>

#include "tests/loupe/loupe_support.h"

namespace vantory::loupetest {
namespace {

constexpr int kWidth = 6000, kHeight = 4000;
constexpr double kCentreX = 3000.3, kCentreY = 2000.7, kRadius = 1234.56;
constexpr double kMarkA = 500.4, kMarkB = 1500.4;  // centres of the marks, 3 pixels wide
constexpr int kMarksTop = 3500, kMarksBottom = 3900;

// How much of a pixel at signed distance `d` inside an edge is covered, blurred by 1 pixel.
double inside(double d) { return 0.5 * std::erfc(-d / std::sqrt(2.0)); }

QImage scene() {
  QImage image(kWidth, kHeight, QImage::Format_RGB888);
  std::mt19937 rng(3);
  std::normal_distribution<double> noise(0, 2);
  for (int y = 0; y < kHeight; ++y) {
    uchar* row = image.scanLine(y);
    for (int x = 0; x < kWidth; ++x) {
      const double cx = x + 0.5, cy = y + 0.5;
      double dark = inside(kRadius - std::hypot(cx - kCentreX, cy - kCentreY));
      if (y >= kMarksTop && y < kMarksBottom) {
        for (const double mark : {kMarkA, kMarkB}) dark += inside(1.5 - std::abs(cx - mark));
      }
      const double v = std::clamp(210 - 170 * std::min(dark, 1.0) + noise(rng), 0.0, 255.0);
      row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = static_cast<uchar>(std::lround(v));
    }
  }
  return image;
}

TEST(EdgeSnapWindow, ADiscMeasuredWithCtrlClicksNearItsEdgesReadsItsDiameter) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("disc.bmp");
  ASSERT_TRUE(scene().save(path, "BMP"));
  Driver d;
  d.open(path);
  const TwipRect r = d.window().commands().pictureRect();
  ASSERT_GT(r.width, 0);
  // A place on the picture, its pixels, as the view's nearest whole pixel, `off` further right.
  const auto onView = [&r](double x, double y, int off = 0) {
    return QPointF(std::round((r.left + x * r.width / kWidth) / 15) + off,
                   std::round((r.top + y * r.height / kHeight) / 15));
  };

  // The scale bar: its marks 1000 pixels apart are 10 mm.
  d.trigger("setReferenceAction");
  d.press(onView(kMarkA, 3700, -2), Qt::LeftButton, false, true);
  d.answerLength("10 mm");
  d.press(onView(kMarkB, 3700, 2), Qt::LeftButton, false, true);
  d.press(onView(3000, 100), Qt::RightButton);
  ASSERT_TRUE(d.session().referenceCommitted());

  // The disc, from outside its left edge to inside its right one, the pointer moved there
  // with Ctrl held first as a user does.
  d.trigger("measureAction");
  d.press(onView(kCentreX - kRadius, kCentreY, -2), Qt::LeftButton, false, true);
  d.move(onView(kCentreX + kRadius, kCentreY, -2), false, true);
  d.press(onView(kCentreX + kRadius, kCentreY, -2), Qt::LeftButton, false, true);
  d.press(onView(3000, 100), Qt::RightButton);
  ASSERT_EQ(d.session().measurements().size(), 1u);
  const double truth = 2 * kRadius / (kMarkB - kMarkA) * 10;
  EXPECT_NEAR(d.session().measurements().back().length, truth, truth * 0.0005);
  const QString told = d.window().findChild<QLabel*>("snapLabel")->text();
  EXPECT_TRUE(told.contains("第一端移动") && told.contains("第二端移动")) << told.toStdString();

  // Without Ctrl, clicks 2 pixels of the view outside either edge land where the mouse is:
  // about 31 of the picture's pixels too long.
  d.press(onView(kCentreX - kRadius, kCentreY, -2));
  d.press(onView(kCentreX + kRadius, kCentreY, 2));
  d.press(onView(3000, 100), Qt::RightButton);
  EXPECT_GT(d.session().measurements().back().length - truth, truth * 0.01);
  EXPECT_EQ(d.window().findChild<QLabel*>("snapLabel")->text(), "");
}

}  // namespace
}  // namespace vantory::loupetest
