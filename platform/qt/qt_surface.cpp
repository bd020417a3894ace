#include "platform/qt/qt_surface.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/number_text.h"

namespace vantory::qt {
namespace {

// The background of the picture boxes: the system's window background colour.
QColor WindowBackground() { return QApplication::palette().color(QPalette::Base); }

std::int16_t ButtonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
  }
}

std::int16_t ButtonState(Qt::MouseButtons buttons) {
  std::int16_t state = 0;
  if (buttons & Qt::LeftButton) state |= 1;
  if (buttons & Qt::RightButton) state |= 2;
  if (buttons & Qt::MiddleButton) state |= 4;
  return state;
}

std::int16_t ShiftState(Qt::KeyboardModifiers modifiers) {
  std::int16_t state = 0;
  if (modifiers & Qt::ShiftModifier) state |= 1;
  if (modifiers & Qt::ControlModifier) state |= 2;
  if (modifiers & Qt::AltModifier) state |= 4;
  return state;
}

int Pixel(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

QPointF ToPixelPoint(float x, float y) { return {ToPixels(x), ToPixels(y)}; }

// A cosmetic pen: one pixel wide whatever the transformation, solid.
QPen LinePen(Colour colour) {
  QPen pen(ToQColor(colour));
  pen.setWidth(0);
  return pen;
}

// The pixels a line between two points can touch.
QRectF LineBounds(const QPointF& a, const QPointF& b) {
  return QRectF(a, b).normalized().adjusted(-2, -2, 2, 2);
}

}  // namespace

// ---------------------------------------------------------------- LabelPainter

QRectF LabelPainter::Draw(QPainter& painter, const QPointF& top_left, float value) {
  quint32 bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  auto found = cache_.find(bits);
  if (found == cache_.end()) {
    if (cache_.size() > 4096) cache_.clear();
    QStaticText text(QString::fromStdString(LabelText(value)));
    text.setTextFormat(Qt::PlainText);
    text.setPerformanceHint(QStaticText::AggressiveCaching);
    text.prepare(QTransform(), font_);
    found = cache_.insert(bits, text);
  }
  painter.setFont(font_);
  painter.drawStaticText(top_left, found.value());
  return QRectF(top_left, found.value().size()).adjusted(-1, -1, 2, 2);
}

void LabelPainter::SetFont(const QFont& font) {
  if (font == font_) return;
  font_ = font;
  cache_.clear();
}

// ---------------------------------------------------------------- SurfaceImage

void SurfaceImage::SetLeft(float value) {
  left_ = value;
  Changed();
}
void SurfaceImage::SetTop(float value) {
  top_ = value;
  Changed();
}
void SurfaceImage::SetWidth(float value) {
  width_ = value;
  Changed();
}
void SurfaceImage::SetHeight(float value) {
  height_ = value;
  Changed();
}

void SurfaceImage::Changed() { surface_.layout_pending_ = true; }

QRect SurfaceImage::PixelRect() const {
  const int left = Pixel(left_);
  const int top = Pixel(top_);
  const int right = Pixel(double{left_} + width_);
  const int bottom = Pixel(double{top_} + height_);
  return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

bool SurfaceImage::Contains(const QPointF& twips) const {
  return twips.x() >= left_ && twips.x() < double{left_} + width_ && twips.y() >= top_ &&
         twips.y() < double{top_} + height_;
}

void SurfaceImage::SetPicture(const PictureRef& picture) {
  const QtPicture* qt_picture = AsQt(picture);
  QImage shown;
  if (qt_picture != nullptr && !qt_picture->IsEmpty()) {
    if (!stretch_) {
      // Without Stretch the control takes the picture's natural size.
      width_ = ToTwips(qt_picture->PixelSize().width());
      height_ = ToTwips(qt_picture->PixelSize().height());
    }
    const QSize size = PixelRect().size();
    if (!size.isEmpty()) shown = qt_picture->Decode(size);  // may raise: nothing changed yet
  }
  picture_ = picture;
  shown_ = shown;
  Changed();
}

const QImage& SurfaceImage::Shown() {
  const QSize size = PixelRect().size();
  if (!shown_.isNull() && shown_.size() != size) {
    // Resized while holding its picture: scale the copy already in memory.
    shown_ = size.isEmpty() ? QImage()
                            : shown_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return shown_;
}

void SurfaceImage::Refresh() { surface_.Restore(); }

// ---------------------------------------------------------------- ViewSurface

ViewSurface::ViewSurface(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  labels_.SetFont(font());
  Resize();
}

ViewSurface::~ViewSurface() {
  if (painter_) painter_->end();
}

QColor ViewSurface::Background() const { return WindowBackground(); }

void ViewSurface::SetWidth(float value) {
  width_ = value;
  Resize();
}

void ViewSurface::SetHeight(float value) {
  height_ = value;
  Resize();
}

void ViewSurface::Resize() {
  if (painter_) painter_->end(), painter_.reset();
  const QSize size(std::max(1, Pixel(width_)), std::max(1, Pixel(height_)));
  QImage screen(size, QImage::Format_RGB32);
  screen.fill(Background());
  if (!screen_.isNull()) {
    QPainter copy(&screen);
    copy.drawImage(0, 0, screen_);
  }
  screen_ = screen;
  setFixedSize(size);
  to_update_ = rect();
}

float ViewSurface::FontSize() const { return static_cast<float>(labels_.Font().pointSizeF()); }

void ViewSurface::SetFontSize(float points) {
  QFont font = labels_.Font();
  font.setPointSizeF(points);
  labels_.SetFont(font);
}

QPainter& ViewSurface::Painter() {
  if (layout_pending_) LayOut();
  if (!painter_) {
    painter_ = std::make_unique<QPainter>(&screen_);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
  }
  return *painter_;
}

void ViewSurface::Drawn(const QRectF& pixels) {
  const QRect area = pixels.toAlignedRect() & screen_.rect();
  drawn_ |= area;
  to_update_ |= area;
}

void ViewSurface::Print(float value) {
  QPainter& painter = Painter();
  painter.setPen(ToQColor(fore_));
  Drawn(labels_.Draw(painter, ToPixelPoint(current_x_, current_y_), value));
}

void ViewSurface::Line(float x1, float y1, float x2, float y2, Colour colour) {
  QPainter& painter = Painter();
  const QPointF a = ToPixelPoint(x1, y1);
  const QPointF b = ToPixelPoint(x2, y2);
  painter.setPen(LinePen(colour));
  painter.drawLine(a, b);
  Drawn(LineBounds(a, b));
}

PictureRef ViewSurface::Image() const { return QtPicture::FromImage(screen_); }

void ViewSurface::PaintBase(const QRect& area) {
  if (area.isEmpty()) return;
  QPainter& painter = Painter();
  painter.fillRect(area, Background());
  const QRect image_rect = image1_.PixelRect();
  const QRect picture_area = area & image_rect;
  const QImage& shown = image1_.Shown();
  if (!shown.isNull() && !picture_area.isEmpty()) {
    painter.drawImage(picture_area, shown, picture_area.translated(-image_rect.topLeft()));
  }
  to_update_ |= area;
}

void ViewSurface::Restore() {
  if (layout_pending_) LayOut();
  const QRect area = drawn_;
  drawn_ = QRect();
  PaintBase(area);
}

void ViewSurface::LayOut() {
  layout_pending_ = false;
  const QRect old_area = painted_image_;
  painted_image_ = image1_.Shown().isNull() ? QRect() : image1_.PixelRect();
  PaintBase(old_area);
  PaintBase(painted_image_);
}

void ViewSurface::Flush() {
  if (layout_pending_) LayOut();
  if (painter_) {
    painter_->end();
    painter_.reset();
  }
  if (!to_update_.isEmpty()) {
    update(to_update_);
    to_update_ = QRect();
  }
}

void ViewSurface::paintEvent(QPaintEvent* event) {
  Flush();
  QPainter painter(this);
  for (const QRect& area : event->region()) painter.drawImage(area, screen_, area);
}

bool ViewSurface::ToImage1(const QMouseEvent& event, float& x, float& y) const {
  const QPointF pixels = event.position();
  const QPointF twips(ToTwips(pixels.x()), ToTwips(pixels.y()));
  const QPoint pixel(static_cast<int>(std::floor(pixels.x())), static_cast<int>(std::floor(pixels.y())));
  // Inside Image1's rectangle, or on a pixel that shows its picture.
  if (!image1_.Contains(twips) && !image1_.PixelRect().contains(pixel)) return false;
  x = static_cast<float>(std::clamp(twips.x() - image1_.Left(), 0.0, double{image1_.Width()}));
  y = static_cast<float>(std::clamp(twips.y() - image1_.Top(), 0.0, double{image1_.Height()}));
  return true;
}

void ViewSurface::mousePressEvent(QMouseEvent* event) {
  float x = 0, y = 0;
  if (!ToImage1(*event, x, y)) return;
  if (on_press) on_press(ButtonCode(event->button()), ShiftState(event->modifiers()), x, y);
}

void ViewSurface::mouseMoveEvent(QMouseEvent* event) {
  float x = 0, y = 0;
  if (!ToImage1(*event, x, y)) return;
  if (on_move) on_move(ButtonState(event->buttons()), ShiftState(event->modifiers()), x, y);
}

// ---------------------------------------------------------------- ProbeImage

void ProbeImage::SetPicture(const PictureRef& picture) {
  const QtPicture* qt_picture = AsQt(picture);
  if (!stretch_ && qt_picture != nullptr && !qt_picture->IsEmpty()) {
    width_ = ToTwips(qt_picture->PixelSize().width());
    height_ = ToTwips(qt_picture->PixelSize().height());
  }
  picture_ = picture;
}

// ---------------------------------------------------------------- CanvasBox

CanvasBox::CanvasBox() { labels_.SetFont(QApplication::font()); }

CanvasBox::~CanvasBox() { EndPainting(); }

void CanvasBox::EndPainting() const {
  if (painter_) {
    painter_->end();
    painter_.reset();
  }
}

void CanvasBox::Blank() {
  EndPainting();
  image_ = QImage(std::max(1, Pixel(width_)), std::max(1, Pixel(height_)), QImage::Format_RGB32);
  image_.fill(WindowBackground());
}

void CanvasBox::SetWidth(float value) {
  width_ = value;
  Blank();
}

void CanvasBox::SetHeight(float value) {
  height_ = value;
  Blank();
}

void CanvasBox::SetPicture(const PictureRef& picture) {
  EndPainting();
  image_ = QImage();
  picture_.reset();
  const QtPicture* qt_picture = AsQt(picture);
  if (qt_picture == nullptr || qt_picture->IsEmpty()) {
    Blank();  // an empty picture: the box keeps its size
    picture_ = picture;
    return;
  }
  QImage decoded = qt_picture->Decode();  // the natural size; may raise
  if (auto_size_) {
    width_ = ToTwips(decoded.width());
    height_ = ToTwips(decoded.height());
  }
  if (decoded.hasAlphaChannel()) {
    // Transparent parts show the box's background, as on screen.
    QImage opaque(decoded.size(), QImage::Format_RGB32);
    opaque.fill(WindowBackground());
    QPainter(&opaque).drawImage(0, 0, decoded);
    decoded = opaque;
  }
  image_ = std::move(decoded);
  picture_ = picture;
}

void CanvasBox::SetFontSize(float points) {
  QFont font = labels_.Font();
  font.setPointSizeF(points);
  labels_.SetFont(font);
}

QPainter& CanvasBox::Painter() {
  if (image_.isNull()) Blank();
  if (!painter_) {
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
  }
  return *painter_;
}

void CanvasBox::Print(float value) {
  QPainter& painter = Painter();
  painter.setPen(ToQColor(fore_));
  labels_.Draw(painter, ToPixelPoint(current_x_, current_y_), value);
}

void CanvasBox::Line(float x1, float y1, float x2, float y2, Colour colour) {
  QPainter& painter = Painter();
  painter.setPen(LinePen(colour));
  painter.drawLine(ToPixelPoint(x1, y1), ToPixelPoint(x2, y2));
}

PictureRef CanvasBox::Image() const {
  EndPainting();
  return QtPicture::FromImage(image_);
}

}  // namespace vantory::qt
