// The two ways the view draws fast are pixel for pixel what QPainter draws: one-pixel lines
// written straight into the image against QPainter's cosmetic pen, and kept label images
// against labels drawn straight onto the image.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>

#include "draw/image_painter.h"
#include "draw/label_images.h"
#include "draw/pixel_line.h"

namespace vantory::qt {
namespace {

// Where two images differ first by more than `tolerance` in a channel ("" when they
// do not).
std::string firstDifference(const QImage& a, const QImage& b, int tolerance = 0) {
  if (a.size() != b.size() || a.format() != b.format()) return "size or format";
  for (int y = 0; y < a.height(); ++y) {
    const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      const int most =
          std::max({std::abs(qRed(la[x]) - qRed(lb[x])), std::abs(qGreen(la[x]) - qGreen(lb[x])),
                    std::abs(qBlue(la[x]) - qBlue(lb[x])), std::abs(qAlpha(la[x]) - qAlpha(lb[x]))});
      if (most > tolerance) return "pixel " + std::to_string(x) + ", " + std::to_string(y);
    }
  }
  return "";
}

QImage blank(QImage::Format format) {
  QImage image(97, 61, format);
  image.fill(QColor(40, 60, 80));
  return image;
}

// A coordinate: mostly on the image, sometimes far outside it (clipped), often at whole or
// half pixels, sometimes at any fraction.
double coordinate(std::mt19937& rng, double size) {
  const double u = (rng() % 100000) / 100000.0;
  double v = rng() % 5 == 0 ? -3 * size + 7 * size * u : -2 + (size + 4) * u;
  switch (rng() % 4) {
    case 0: return std::round(v);
    case 1: return std::round(v * 2) / 2;
    case 2: return std::round(v * 64) / 64;
    default: return v;
  }
}

TEST(PixelLines, AreWhatQPaintersCosmeticPenDraws) {
  std::mt19937 rng(20261207);
  int lines = 0, drawnDirectly = 0;
  for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
    for (int i = 0; i < 3000; ++i) {
      const QPointF a(coordinate(rng, 97), coordinate(rng, 61));
      // Some lines are points, some level, some upright, the rest any slope.
      QPointF b(coordinate(rng, 97), coordinate(rng, 61));
      if (i % 11 == 0) b = a;
      if (i % 7 == 0) b.setY(a.y());
      if (i % 13 == 0) b.setX(a.x());
      const QColor colour = i % 2 ? QColor(255, 0, 0) : QColor(0, 255, 0);

      QImage fast = blank(format);
      const bool direct = drawPixelLine(fast, a, b, colour.rgb());
      QImage reference = blank(format);
      {
        QPainter painter(&reference);
        painter.setRenderHint(QPainter::Antialiasing, false);
        QPen pen(colour);
        pen.setWidth(0);
        painter.setPen(pen);
        painter.drawLine(a, b);
      }
      ASSERT_TRUE(direct) << "fell back on QPainter for an opaque colour on a 32-bit image";
      ASSERT_EQ(firstDifference(fast, reference), "")
          << "line " << a.x() << "," << a.y() << " to " << b.x() << "," << b.y();
      ++lines;
      drawnDirectly += direct;
    }
  }
  EXPECT_EQ(lines, 6000);
  EXPECT_EQ(drawnDirectly, 6000);
}

TEST(PixelLines, LeaveOtherImagesToQPainter) {
  QImage indexed(20, 20, QImage::Format_Indexed8);
  EXPECT_FALSE(drawPixelLine(indexed, {1, 1}, {10, 10}, qRgb(255, 0, 0)));
  QImage image = blank(QImage::Format_RGB32);
  const QImage shared = image;  // its pixels are shared with a copy
  EXPECT_FALSE(drawPixelLine(image, {1, 1}, {10, 10}, qRgb(255, 0, 0)));
  EXPECT_FALSE(drawPixelLine(image, {1, 1}, {10, 10}, qRgba(255, 0, 0, 128)));
  EXPECT_EQ(firstDifference(image, shared), "");
}

// A kept label image, drawn again and again, gives the pixels of the label drawn straight
// onto the image: for many lengths, at whole and fractional positions, in both colours, in
// the default font and at 8 points, on a device of one and of two device pixels a pixel,
// with units and without (the same length in another unit is another label), also where
// a label runs off the right or bottom edge. (A label's corner on screen is the midpoint
// of a segment between points on the view, never left of or above it.) The kept image
// holds the outline and the glyphs blended together first, so where they meet the sums
// are rounded in another order: a unit of a channel apart at most for each time the label
// is drawn (here twice).
TEST(KeptLabels, AreWhatDrawingTheLabelDirectlyGives) {
  std::mt19937 rng(7);
  const float values[] = {0, 100, 12.345f, 0.333f, -0.334f, 7.25f, 1e10f, 123456.7f, 0.0001f, 50};
  const char* const units[] = {"", "mm", "厘米", "µm"};
  int compared = 0;
  for (const auto& [points, ratio] : {std::pair{0.0, 1.0}, {8.0, 1.0}, {8.0, 2.0}}) {
    QFont font = QApplication::font();
    if (points > 0) font.setPointSizeF(points);
    LabelImages kept(font);
    kept.setScale(1, ratio);
    const auto surface = [ratio] {
      QImage image(QSize(97, 61) * ratio, QImage::Format_RGB32);
      image.fill(QColor(40, 60, 80));
      image.setDevicePixelRatio(ratio);
      return image;
    };
    QImage scratch = surface();
    for (int i = 0; i < 400; ++i) {
      const float value = values[i % 10];
      const char* const unit = units[(i / 10) % 4];
      const QPointF at((rng() % 12000) / 100.0, (rng() % 7000) / 100.0);
      const QColor colour = i % 2 ? QColor(255, 0, 0) : QColor(0, 255, 0);
      if (i % 2) {  // the same label kept in green at the same place just before
        QPainter other(&scratch);
        kept.drawKept(other, at, value, QColor(0, 255, 0), unit);
      }
      QImage a = surface(), b = surface();
      for (int twice = 0; twice < 2; ++twice) {  // the second time from the kept image
        QPainter pa(&a);
        pa.setRenderHint(QPainter::TextAntialiasing, true);
        kept.drawKept(pa, at, value, colour, unit);
      }
      {
        LabelImages direct(font);  // fresh: nothing kept from another label
        direct.setScale(1, ratio);
        QPainter pb(&b);
        pb.setRenderHint(QPainter::TextAntialiasing, true);
        direct.draw(pb, at, value, colour, unit);
        pb.end();
        QPainter again(&b);  // drawn twice as well: text over itself blends again
        again.setRenderHint(QPainter::TextAntialiasing, true);
        direct.draw(again, at, value, colour, unit);
      }
      ASSERT_EQ(firstDifference(a, b, 2), "")
          << "value " << value << unit << " at " << at.x() << ", " << at.y();
      ++compared;
    }
  }
  EXPECT_EQ(compared, 1200);
}

// What the painter drew on a white image: the box of the label's strongly green pixels,
// the box of its dark outline, whether a green pixel touches white, and how many rows the
// red line covers in one column (its edge rows in part).
struct Drawn {
  QRect green, dark;
  bool greenTouchesWhite = false;
  double lineWidth = 0;
};

Drawn inspect(const QImage& image, int lineColumn) {
  const auto white = [](QRgb c) { return qRed(c) > 230 && qGreen(c) > 230 && qBlue(c) > 230; };
  Drawn d;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      if (qGreen(c) > 200 && qRed(c) < 60 && qBlue(c) < 60) {
        d.green |= QRect(x, y, 1, 1);
        for (int v = std::max(0, y - 1); v <= std::min(image.height() - 1, y + 1); ++v) {
          for (int u = std::max(0, x - 1); u <= std::min(image.width() - 1, x + 1); ++u) {
            d.greenTouchesWhite = d.greenTouchesWhite || white(image.pixel(u, v));
          }
        }
      }
      if (qRed(c) < 50 && qGreen(c) < 50 && qBlue(c) < 50) d.dark |= QRect(x, y, 1, 1);
    }
    d.lineWidth += (255 - qGreen(image.pixel(lineColumn, y))) / 255.0;
  }
  return d;
}

// The scale of a saved picture shown smaller than its size, on the one drawing path of the
// view and of Save: a label's size (as told for its placement and as drawn), its dark
// outline and the width of a line all grow with it; at every scale the label's green
// never meets the white picture.
TEST(AnnotationScale, GrowsLabelsTheirOutlineAndLines) {
  double labelHeightAt1 = 0, toldHeightAt1 = 0;
  for (const float scale : {1.0f, 2.5f, 7.9f}) {
    SCOPED_TRACE(scale);
    QImage image(1400, 420, QImage::Format_RGB32);
    image.fill(Qt::white);
    LabelImages labels(QApplication::font());
    ImagePainter painter(image, labels, ImagePainter::Labels::kDirect);
    painter.setAnnotationScale(scale);
    const TwipSize told = painter.labelSize(25.167f, "mm");
    painter.label({toTwips(10), toTwips(10)}, 25.167f, "mm", Ink::kMeasurement);
    painter.line({toTwips(20), toTwips(380)}, {toTwips(1300), toTwips(380)}, Ink::kReference);
    painter.end();
    const Drawn d = inspect(image, 700);
    ASSERT_FALSE(d.green.isEmpty());
    EXPECT_FALSE(d.greenTouchesWhite);
    if (scale == 1) {
      labelHeightAt1 = d.green.height();
      toldHeightAt1 = told.height;
    }
    EXPECT_NEAR(d.green.height() / labelHeightAt1, scale, 0.15 * scale);
    EXPECT_NEAR(told.height / toldHeightAt1, scale, 0.1 * scale);
    // The outline reaches about `scale` pixels past the glyphs on every side.
    for (const int reach : {d.green.left() - d.dark.left(), d.dark.right() - d.green.right(),
                            d.green.top() - d.dark.top(), d.dark.bottom() - d.green.bottom()}) {
      EXPECT_GE(reach, std::floor(scale) - 1);
      EXPECT_LE(reach, std::ceil(scale) + 2);
    }
    EXPECT_NEAR(d.lineWidth, std::lround(scale), 0.1);
  }
}

}  // namespace
}  // namespace vantory::qt
