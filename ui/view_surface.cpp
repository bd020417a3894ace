#include "ui/view_surface.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "core/edge_snap.h"
#include "picture/picture_files.h"

namespace vantory::qt {
namespace {

int pixel(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

}  // namespace

// The view starts with the platform's default font for its labels.
ViewSurface::ViewSurface(QWidget* parent, std::shared_ptr<CurrentPicture> picture)
    : QWidget(parent),
      ratio_(devicePixelRatioF()),
      screen_(QSize(pixel(kArea.width), pixel(kArea.height)) * ratio_, QImage::Format_RGB32),
      labels_(QApplication::font()),
      painter_(screen_, labels_, ImagePainter::Labels::kKept),
      picture_(std::move(picture)) {
  screen_.setDevicePixelRatio(ratio_);
  screen_.fill(background());
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);  // Shift reaches it
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::ArrowCursor);
  setFixedSize(pixel(kArea.width), pixel(kArea.height));
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
  // Decoded first, at the screen's device pixels, from what the Open learned of the file:
  // when that fails, nothing has changed.
  const OpenedPicture opened = picture_->probed(path);
  const QSize device(qRound(size.width() * ratio_), qRound(size.height() * ratio_));
  QImage shown = size.isEmpty() ? QImage() : decodePicture(opened, device);
  shown.setDevicePixelRatio(ratio_);
  shown_ = std::move(shown);
  picture_->setShown(opened);
  rect_ = rect;
  layoutPending_ = true;
}

void ViewSurface::paintBase(const QRect& area) {
  if (area.isEmpty()) return;
  QPainter& painter = painter_.painter();
  painter.fillRect(area, background());
  const QRect shownAt = pictureRect();
  const QRect pictureArea = area & shownAt;
  if (!shown_.isNull() && !pictureArea.isEmpty()) {
    const QRect source = pictureArea.translated(-shownAt.topLeft());
    if (ratio_ == 1) {
      painter.drawImage(pictureArea, shown_, source);
    } else {
      painter.drawImage(QRectF(pictureArea), shown_,
                        QRectF(QPointF(source.topLeft()) * ratio_, QSizeF(source.size()) * ratio_));
    }
  }
  toUpdate_ |= area;
}

void ViewSurface::layOut() {
  layoutPending_ = false;
  const QRect before = paintedPicture_;
  paintedPicture_ = shown_.isNull() ? QRect() : pictureRect();
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
  // The loupe's place is repainted when it has a new frame or moves, and only then: the
  // paint event flushes too, and asking for a paint there every time would paint again
  // and again for as long as the loupe shows.
  bool newLoupe = false;
  if (loupeShown_ && loupe_.framePending()) {
    loupeImage_ = loupe_.finished();
    loupeRect_ = placeLoupe(pointer_, fine_.point(), size());
    newLoupe = true;
  }
  const QRect loupeAt = loupeShown_ ? loupeRect_ : QRect();
  if (loupeAt != loupeShownAt_)
    toUpdate_ |= loupeShownAt_ | loupeAt;
  else if (newLoupe)
    toUpdate_ |= loupeAt;
  loupeShownAt_ = loupeAt;
  if (!toUpdate_.isEmpty()) {
    update(toUpdate_);
    toUpdate_ = QRect();
  }
}

void ViewSurface::paintEvent(QPaintEvent* event) {
  flush();
  QPainter painter(this);
  for (const QRect& area : event->region()) {
    if (ratio_ == 1) {
      painter.drawImage(area, screen_, area);
    } else {
      painter.drawImage(QRectF(area), screen_,
                        QRectF(QPointF(area.topLeft()) * ratio_, QSizeF(area.size()) * ratio_));
    }
  }
  if (!loupeShownAt_.isEmpty() && !loupeImage_.isNull()) painter.drawImage(loupeShownAt_, loupeImage_);
}

bool ViewSurface::toPicture(PixelPoint pixels, float& x, float& y) const {
  const QPointF twips(toTwips(pixels.x), toTwips(pixels.y));
  const QPoint at(static_cast<int>(std::floor(pixels.x)), static_cast<int>(std::floor(pixels.y)));
  // Inside the picture's rectangle, or on a pixel that shows it.
  const bool inside = twips.x() >= rect_.left && twips.x() < double{rect_.left} + rect_.width &&
                      twips.y() >= rect_.top && twips.y() < double{rect_.top} + rect_.height;
  if (!inside && !pictureRect().contains(at)) return false;
  x = static_cast<float>(std::clamp(twips.x() - rect_.left, 0.0, double{rect_.width}));
  y = static_cast<float>(std::clamp(twips.y() - rect_.top, 0.0, double{rect_.height}));
  return true;
}

void ViewSurface::aimLoupe() {
  loupe_.aim(fine_.point(),
             {rect_, pictureRect(), &shown_, picture_->fullPicture(), background(), labels_.font(), ratio_});
}

void ViewSurface::setPlacing(bool placing) {
  placing_ = placing;
  updateCursor(overPicture_);
}

void ViewSurface::updateCursor(bool overPicture) {
  overPicture_ = overPicture;
  const Qt::CursorShape shape = placing_ && overPicture_ ? Qt::CrossCursor : Qt::ArrowCursor;
  if (cursor().shape() != shape) setCursor(shape);
}

const BrightnessSource* ViewSurface::ready() {
  picture_->wantFullPicture([this] { pictureArrived(); });
  brightness_.read(picture_->fullPicture());
  return brightness_.width() > 0 ? &brightness_ : nullptr;
}

const BrightnessSource* ViewSurface::await() {
  brightness_.read(picture_->awaitFullPicture([this] { pictureArrived(); }));
  return brightness_.width() > 0 ? &brightness_ : nullptr;
}

void ViewSurface::pictureArrived() {
  if (loupeShown_ || ctrl_) shiftChanged(fine_.held());
}

void ViewSurface::refreshLoupe() {
  if (loupeShown_) shiftChanged(true);
}

void ViewSurface::shiftChanged(bool held) {
  fine_.setHeld(held);
  if (!pointerSeen_) return;
  float x = 0, y = 0;
  updateCursor(toPicture(pointer_, x, y));
  const bool over = toPicture(fine_.point(), x, y);
  loupeShown_ = fine_.held() && over && !shown_.isNull();
  if (loupeShown_) {
    picture_->wantFullPicture([this] { pictureArrived(); });
    aimLoupe();
  }
  if (over && onMove) return onMove(x, y, ctrl_);
  flush();
}

void ViewSurface::pointerAt(PixelPoint pointer, bool shift) {
  pointer_ = pointer;
  pointerSeen_ = true;
  fine_.track(pointer, shift);
  shiftChanged(shift);
}

void ViewSurface::mousePressEvent(QMouseEvent* event) {
  pointer_ = {event->position().x(), event->position().y()};
  ctrl_ = event->modifiers().testFlag(Qt::ControlModifier);
  pointerSeen_ = true;
  const PixelPoint point = fine_.track(pointer_, event->modifiers().testFlag(Qt::ShiftModifier));
  float x = 0, y = 0;
  updateCursor(toPicture(pointer_, x, y));
  if (!toPicture(point, x, y) || !onPress) return;
  const Qt::MouseButton button = event->button();
  onPress(button == Qt::LeftButton    ? MouseButton::kLeft
          : button == Qt::RightButton ? MouseButton::kRight
                                      : MouseButton::kOther,
          x, y, ctrl_);
}

void ViewSurface::mouseMoveEvent(QMouseEvent* event) {
  ctrl_ = event->modifiers().testFlag(Qt::ControlModifier);
  pointerAt({event->position().x(), event->position().y()}, event->modifiers().testFlag(Qt::ShiftModifier));
}

void ViewSurface::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Shift && !event->isAutoRepeat()) return shiftChanged(true);
  if (event->key() == Qt::Key_Control && !event->isAutoRepeat()) return ctrlChanged(true);
  QWidget::keyPressEvent(event);
}

void ViewSurface::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Shift && !event->isAutoRepeat()) return shiftChanged(false);
  if (event->key() == Qt::Key_Control && !event->isAutoRepeat()) return ctrlChanged(false);
  QWidget::keyReleaseEvent(event);
}

void ViewSurface::ctrlChanged(bool held) {
  ctrl_ = held;
  shiftChanged(fine_.held());  // the view drawn again, showing where ends would snap or not
}

void ViewSurface::leaveEvent(QEvent* event) {
  loupeShown_ = false;
  overPicture_ = false;
  flush();
  QWidget::leaveEvent(event);
}

}  // namespace vantory::qt
