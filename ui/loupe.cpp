#include "ui/loupe.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "draw/image_painter.h"

namespace vantory::qt {

QRect placeLoupe(PixelPoint pointer, PixelPoint point, QSize view) {
  constexpr int kGap = 24;
  const QPoint at(static_cast<int>(std::floor(pointer.x)), static_cast<int>(std::floor(pointer.y)));
  const std::array<QPoint, 4> corners{QPoint(at.x() + kGap, at.y() + kGap),
                                      QPoint(at.x() - kGap - kLoupeSide, at.y() + kGap),
                                      QPoint(at.x() + kGap, at.y() - kGap - kLoupeSide),
                                      QPoint(at.x() - kGap - kLoupeSide, at.y() - kGap - kLoupeSide)};
  const QRect inside(QPoint(0, 0), view);
  // The point and the pixels right around it stay uncovered.
  const QRectF spot(point.x - 2, point.y - 2, 4, 4);
  for (const QPoint& corner : corners) {
    const QRect r(corner, QSize(kLoupeSide, kLoupeSide));
    if (inside.contains(r) && !QRectF(r).intersects(spot)) return r;
  }
  // A view too small for any of them: the corner of the view farthest from the point.
  const int x = point.x < view.width() / 2.0 ? view.width() - kLoupeSide : 0;
  const int y = point.y < view.height() / 2.0 ? view.height() - kLoupeSide : 0;
  return QRect(QPoint(std::max(0, x), std::max(0, y)), QSize(kLoupeSide, kLoupeSide));
}

// From view twips to the loupe's logical pixels: the point at the centre, 8 times larger.
class Loupe::MagnifyingPainter : public Painter {
 public:
  // How far left of or above the loupe a label may start and still reach into it: more
  // than the widest label, " -1.234568E+07 " and a unit of 8 Chinese characters, at any
  // size a view's label takes.
  static constexpr double kLabelReach = 400;

  MagnifyingPainter(QImage& image, PixelPoint point, LabelImages& labels)
      : painter_(&image), labels_(labels), point_(point) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
  }
  QPointF map(TwipPoint t) const {
    return {kLoupeSide / 2.0 + (double{t.x} / kTwipsPerPixel - point_.x) * kLoupeMagnification,
            kLoupeSide / 2.0 + (double{t.y} / kTwipsPerPixel - point_.y) * kLoupeMagnification};
  }
  // The labels as large as on the view, placed where the view places them.
  TwipSize labelSize(float value, std::string_view unit) override {
    const QSizeF size = labels_.size(value, unit);
    return {toTwips(size.width()), toTwips(size.height())};
  }
  // Only what can show in the loupe is drawn: of a thousand segments on a photo, the few
  // near the point.
  void label(TwipPoint topLeft, float value, std::string_view unit, Ink ink) override {
    const QPointF at = map(topLeft);
    if (at.x() < -kLabelReach || at.y() < -kLabelReach || at.x() >= kLoupeSide || at.y() >= kLoupeSide)
      return;
    labels_.draw(painter_, at, value, inkColour(ink), unit);
  }
  // The live view draws at scale 1 only.
  void setAnnotationScale(float) override {}
  void line(TwipPoint from, TwipPoint to, Ink ink) override {
    const QPointF a = map(from), b = map(to);
    if ((a.x() < 0 && b.x() < 0) || (a.y() < 0 && b.y() < 0) || (a.x() > kLoupeSide && b.x() > kLoupeSide) ||
        (a.y() > kLoupeSide && b.y() > kLoupeSide)) {
      return;
    }
    QPen pen(inkColour(ink));
    pen.setWidthF(0);
    painter_.setPen(pen);
    painter_.drawLine(a, b);
  }
  QPainter& painter() { return painter_; }

 private:
  QPainter painter_;
  LabelImages& labels_;
  PixelPoint point_;
};

Loupe::Loupe() = default;
Loupe::~Loupe() = default;

void Loupe::aim(PixelPoint point, const Sources& sources) {
  point_ = point;
  sources_ = sources;
}

Painter& Loupe::newFrame() {
  painter_.reset();
  const qreal ratio = sources_.ratio;
  if (image_.isNull() || image_.devicePixelRatio() != ratio) {
    image_ = QImage(QSize(kLoupeSide, kLoupeSide) * ratio, QImage::Format_RGB32);
    image_.setDevicePixelRatio(ratio);
  }
  image_.fill(sources_.background);
  {
    QPainter p(&image_);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);  // the pixels as squares
    const QRectF target(0, 0, kLoupeSide, kLoupeSide);
    const double half = kLoupeSide / 2.0 / kLoupeMagnification;  // view pixels from the centre
    const TwipRect& r = sources_.rect;
    if (sources_.full != nullptr && !sources_.full->isNull() && r.width > 0 && r.height > 0) {
      // The picture's own pixels: view pixels to picture pixels through the picture's place.
      const double sx = sources_.full->width() / (double{r.width} / kTwipsPerPixel);
      const double sy = sources_.full->height() / (double{r.height} / kTwipsPerPixel);
      const double cx = (point_.x - double{r.left} / kTwipsPerPixel) * sx;
      const double cy = (point_.y - double{r.top} / kTwipsPerPixel) * sy;
      p.drawImage(target, *sources_.full,
                  QRectF(cx - half * sx, cy - half * sy, 2 * half * sx, 2 * half * sy));
    } else if (sources_.shown != nullptr && !sources_.shown->isNull()) {
      // Until then, the view's own pixels.
      const QRect at = sources_.shownAt;
      const double s = sources_.shown->devicePixelRatio();
      const double cx = (point_.x - at.x()) * s, cy = (point_.y - at.y()) * s;
      p.drawImage(target, *sources_.shown, QRectF(cx - half * s, cy - half * s, 2 * half * s, 2 * half * s));
    }
  }
  labels_.setFont(sources_.labelFont);  // nothing to do while the font stays
  labels_.setScale(1, ratio);
  painter_ = std::make_unique<MagnifyingPainter>(image_, point_, labels_);
  return *painter_;
}

const QImage& Loupe::finished() {
  if (!painter_) newFrame();
  QPainter& p = painter_->painter();
  // The crosshair: one-pixel lines through the point that invert what they cross, so they
  // show on any picture; where they cross, the point's own pixel is left as it is.
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  QPen cross(QColor(255, 255, 255));
  cross.setWidthF(0);
  p.setPen(cross);
  const double c = kLoupeSide / 2.0;
  p.drawLine(QPointF(0, c), QPointF(kLoupeSide, c));
  p.drawLine(QPointF(c, 0), QPointF(c, kLoupeSide));
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setPen(QColor(60, 60, 60));
  p.drawRect(QRectF(0, 0, kLoupeSide - 1, kLoupeSide - 1));
  painter_.reset();
  return image_;
}

}  // namespace vantory::qt
