#include "draw/image_painter.h"

#include "core/errors.h"
#include "draw/pixel_line.h"

namespace vantory::qt {

QColor inkColour(Ink ink) { return ink == Ink::kReference ? QColor(255, 0, 0) : QColor(0, 255, 0); }

QPainter& ImagePainter::painter() {
  if (!painter_) {
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&image_)) {
      painter_.reset();
      // No paint engine for the image: it could not be allocated.
      throw AppError(ErrorCode::kOutOfMemory);
    }
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
  }
  return *painter_;
}

void ImagePainter::end() {
  if (painter_) {
    painter_->end();
    painter_.reset();
  }
}

QRect ImagePainter::takeDrawn() { return std::exchange(drawn_, QRect()); }

void ImagePainter::drawn(const QRectF& area) {
  drawn_ |= area.toAlignedRect() & QRect(QPoint(0, 0), image_.deviceIndependentSize().toSize());
}

void ImagePainter::label(TwipPoint topLeft, float value, std::string_view unit, Ink ink) {
  QPainter& p = painter();
  // Kept label images are made at one device pixel a logical one; on a high-density
  // image the label is drawn straight, sharp.
  if (how_ == Labels::kKept && image_.devicePixelRatio() == 1) {
    drawn(labels_.drawKept(p, toPixels(topLeft), value, inkColour(ink), unit));
  } else {
    p.setPen(inkColour(ink));
    drawn(labels_.draw(p, toPixels(topLeft), value, unit));
  }
}

void ImagePainter::line(TwipPoint from, TwipPoint to, Ink ink) {
  QPainter& p = painter();
  const QPointF a = toPixels(from);
  const QPointF b = toPixels(to);
  if (!drawPixelLine(image_, a, b, inkColour(ink).rgb())) {
    // One logical pixel wide: on a high-density image as many device pixels, sharp.
    QPen pen(inkColour(ink));
    if (image_.devicePixelRatio() == 1) {
      pen.setWidth(0);  // cosmetic: one pixel whatever the transformation
    } else {
      pen.setWidthF(1);
    }
    p.setPen(pen);
    p.drawLine(a, b);
  }
  // The pixels a line between two points can touch.
  drawn(QRectF(a, b).normalized().adjusted(-2, -2, 2, 2));
}

}  // namespace vantory::qt
