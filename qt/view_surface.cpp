#include "qt/view_surface.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "qt/picture_files.h"

namespace vantory::qt {
namespace {

int pixel(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

}  // namespace

// The view starts with the platform's default font for its labels.
ViewSurface::ViewSurface(QWidget* parent)
    : QWidget(parent),
      screen_(pixel(kArea.width), pixel(kArea.height), QImage::Format_RGB32),
      labels_(QApplication::font()),
      painter_(screen_, labels_, ImagePainter::Labels::kKept) {
  screen_.fill(background());
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::ArrowCursor);
  setFixedSize(screen_.size());
  toUpdate_ = rect();
}

QColor ViewSurface::background() const { return QApplication::palette().color(QPalette::Base); }

QRect ViewSurface::pictureRect() const {
  const int left = pixel(rect_.left);
  const int top = pixel(rect_.top);
  const int right = pixel(double{rect_.left} + rect_.width);
  const int bottom = pixel(double{rect_.top} + rect_.height);
  return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

void ViewSurface::showPicture(const std::string& path, TwipRect rect) {
  const TwipRect before = std::exchange(rect_, rect);
  const QSize size = pictureRect().size();
  rect_ = before;
  // Decoded first: when that fails, nothing has changed.
  QImage shown = size.isEmpty() ? QImage() : decodePicture(QString::fromStdString(path), size);
  picture_ = std::move(shown);
  rect_ = rect;
  layoutPending_ = true;
}

void ViewSurface::paintBase(const QRect& area) {
  if (area.isEmpty()) return;
  QPainter& painter = painter_.painter();
  painter.fillRect(area, background());
  const QRect shownAt = pictureRect();
  const QRect pictureArea = area & shownAt;
  if (!picture_.isNull() && !pictureArea.isEmpty()) {
    painter.drawImage(pictureArea, picture_, pictureArea.translated(-shownAt.topLeft()));
  }
  toUpdate_ |= area;
}

void ViewSurface::layOut() {
  layoutPending_ = false;
  const QRect before = paintedPicture_;
  paintedPicture_ = picture_.isNull() ? QRect() : pictureRect();
  paintBase(before);
  paintBase(paintedPicture_);
}

Painter& ViewSurface::newFrame() {
  if (layoutPending_) layOut();
  const QRect area = drawn_ | painter_.takeDrawn();
  drawn_ = QRect();
  paintBase(area);
  return painter_;
}

void ViewSurface::useSmallLabels() {
  QFont font = labels_.font();
  font.setPointSizeF(8);
  labels_.setFont(font);
}

void ViewSurface::flush() {
  if (layoutPending_) layOut();
  const QRect drawn = painter_.takeDrawn();
  drawn_ |= drawn;
  toUpdate_ |= drawn;
  painter_.end();
  if (!toUpdate_.isEmpty()) {
    update(toUpdate_);
    toUpdate_ = QRect();
  }
}

void ViewSurface::paintEvent(QPaintEvent* event) {
  flush();
  QPainter painter(this);
  for (const QRect& area : event->region()) painter.drawImage(area, screen_, area);
}

bool ViewSurface::toPicture(const QMouseEvent& event, float& x, float& y) const {
  const QPointF pixels = event.position();
  const QPointF twips(toTwips(pixels.x()), toTwips(pixels.y()));
  const QPoint at(static_cast<int>(std::floor(pixels.x())), static_cast<int>(std::floor(pixels.y())));
  // Inside the picture's rectangle, or on a pixel that shows it.
  const bool inside = twips.x() >= rect_.left && twips.x() < double{rect_.left} + rect_.width &&
                      twips.y() >= rect_.top && twips.y() < double{rect_.top} + rect_.height;
  if (!inside && !pictureRect().contains(at)) return false;
  x = static_cast<float>(std::clamp(twips.x() - rect_.left, 0.0, double{rect_.width}));
  y = static_cast<float>(std::clamp(twips.y() - rect_.top, 0.0, double{rect_.height}));
  return true;
}

void ViewSurface::mousePressEvent(QMouseEvent* event) {
  float x = 0, y = 0;
  if (!toPicture(*event, x, y) || !onPress) return;
  const Qt::MouseButton button = event->button();
  onPress(button == Qt::LeftButton    ? MouseButton::kLeft
          : button == Qt::RightButton ? MouseButton::kRight
                                      : MouseButton::kOther,
          x, y);
}

void ViewSurface::mouseMoveEvent(QMouseEvent* event) {
  float x = 0, y = 0;
  if (toPicture(*event, x, y) && onMove) onMove(x, y);
}

}  // namespace vantory::qt
