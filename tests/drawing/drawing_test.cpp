// The two ways the view draws fast are pixel for pixel what QPainter draws: one-pixel lines
// written straight into the image against QPainter's cosmetic pen, and kept label images
// against labels drawn straight onto the image.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <cstdint>
#include <random>

#include "draw/label_images.h"
#include "draw/pixel_line.h"

namespace vantory::qt {
namespace {

// Where two images differ first ("" when they are the same).
std::string firstDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.format() != b.format()) return "size or format";
  for (int y = 0; y < a.height(); ++y) {
    const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      if (la[x] != lb[x]) return "pixel " + std::to_string(x) + ", " + std::to_string(y);
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

// A kept label image, drawn again and again, gives the very pixels of the label drawn
// straight onto the image: for many lengths, at whole and fractional positions, in both
// colours, in the default font and at 8 points, with units and without (the same length
// in another unit is another label), also where a label runs off the right or bottom
// edge. (A label's corner on screen is the midpoint of a segment between points on the
// view, never left of or above it.)
TEST(KeptLabels, AreWhatDrawingTheLabelDirectlyGives) {
  std::mt19937 rng(7);
  const float values[] = {0, 100, 12.345f, 0.333f, -0.334f, 7.25f, 1e10f, 123456.7f, 0.0001f, 50};
  const char* const units[] = {"", "mm", "厘米", "µm"};
  int compared = 0;
  for (const double points : {0.0, 8.0}) {
    QFont font = QApplication::font();
    if (points > 0) font.setPointSizeF(points);
    LabelImages kept(font);
    QImage scratch = blank(QImage::Format_RGB32);
    for (int i = 0; i < 400; ++i) {
      const float value = values[i % 10];
      const char* const unit = units[(i / 10) % 4];
      const QPointF at((rng() % 12000) / 100.0, (rng() % 7000) / 100.0);
      const QColor colour = i % 2 ? QColor(255, 0, 0) : QColor(0, 255, 0);
      if (i % 2) {  // the same label kept in green at the same place just before
        QPainter other(&scratch);
        kept.drawKept(other, at, value, QColor(0, 255, 0), unit);
      }
      QImage a = blank(QImage::Format_RGB32), b = blank(QImage::Format_RGB32);
      for (int twice = 0; twice < 2; ++twice) {  // the second time from the kept image
        QPainter pa(&a);
        pa.setRenderHint(QPainter::TextAntialiasing, true);
        kept.drawKept(pa, at, value, colour, unit);
      }
      {
        LabelImages direct(font);  // fresh: nothing kept from another label
        QPainter pb(&b);
        pb.setRenderHint(QPainter::TextAntialiasing, true);
        pb.setPen(colour);
        direct.draw(pb, at, value, unit);
        pb.end();
        QPainter again(&b);  // drawn twice as well: text over itself blends again
        again.setRenderHint(QPainter::TextAntialiasing, true);
        again.setPen(colour);
        direct.draw(again, at, value, unit);
      }
      ASSERT_EQ(firstDifference(a, b), "") << "value " << value << unit << " at " << at.x() << ", " << at.y();
      ++compared;
    }
  }
  EXPECT_EQ(compared, 800);
}

}  // namespace
}  // namespace vantory::qt
