#include "draw/image_painter.h"

#include <algorithm>
#include <cmath>

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

void ImagePainter::setAnnotationScale(float factor) {
  scale_ = factor;
  lineWidth_ = std::max(1, static_cast<int>(std::lround(factor)));
}

TwipSize ImagePainter::labelSize(float value, std::string_view unit) {
  labels_.setScale(scale_, image_.devicePixelRatio());
  const QSizeF size = labels_.size(value, unit);
  return {toTwips(size.width()), toTwips(size.height())};
}

void ImagePainter::label(TwipPoint topLeft, float value, std::string_view unit, Ink ink) {
  QPainter& p = painter();
  labels_.setScale(scale_, image_.devicePixelRatio());
  // Labels scaled for a saved picture are drawn straight: each is drawn once.
  if (how_ == Labels::kKept && scale_ == 1) {
    drawn(labels_.drawKept(p, toPixels(topLeft), value, inkColour(ink), unit));
  } else {
    drawn(labels_.draw(p, toPixels(topLeft), value, inkColour(ink), unit));
  }
}

void ImagePainter::line(TwipPoint from, TwipPoint to, Ink ink) {
  QPainter& p = painter();
  const QPointF a = toPixels(from);
  const QPointF b = toPixels(to);
  if (lineWidth_ > 1) {
    // Scaled for a saved picture: as wide as the scale, ending flat at its points.
    p.setPen(QPen(inkColour(ink), lineWidth_, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(a, b);
  } else if (!drawPixelLine(image_, a, b, inkColour(ink).rgb())) {
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
  const double reach = 2 + lineWidth_;
  drawn(QRectF(a, b).normalized().adjusted(-reach, -reach, reach, reach));
}

}  // namespace vantory::qt
