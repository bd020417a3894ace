// The painter of annotations on a 32-bit image, the screen's and a saved picture's alike:
// twips become pixels (15 to one), the reference is red and measurements green, lines are
// one pixel wide and labels outlined in the given fonts, both scaled for a saved picture
// larger than it was shown.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <memory>
#include <utility>

#include "core/ports.h"
#include "draw/label_images.h"

namespace vantory::qt {

QColor inkColour(Ink ink);
inline QPointF toPixels(TwipPoint p) { return {double{p.x} / kTwipsPerPixel, double{p.y} / kTwipsPerPixel}; }
inline float toTwips(double pixels) { return static_cast<float>(pixels * kTwipsPerPixel); }

class ImagePainter : public Painter {
 public:
  // Labels drawn straight onto the image, or through kept label images (the screen's,
  // drawn again at every move).
  enum class Labels { kDirect, kKept };
  ImagePainter(QImage& image, LabelImages& labels, Labels how) : image_(image), labels_(labels), how_(how) {}
  ~ImagePainter() override { end(); }

  TwipSize labelSize(float value, std::string_view unit) override;
  void label(TwipPoint topLeft, float value, std::string_view unit, Ink ink) override;
  void line(TwipPoint from, TwipPoint to, Ink ink) override;
  // Labels `factor` times their size and lines as many pixels wide (rounded).
  void setAnnotationScale(float factor) override;

  // The QPainter on the image, begun when first needed.
  QPainter& painter();
  // Ends painting: the image can be copied or replaced.
  void end();
  // The pixels drawn on since the last call.
  QRect takeDrawn();

 private:
  void drawn(const QRectF& area);
  QImage& image_;
  LabelImages& labels_;
  Labels how_;
  float scale_ = 1;
  int lineWidth_ = 1;
  std::unique_ptr<QPainter> painter_;
  QRect drawn_;
};

}  // namespace vantory::qt
