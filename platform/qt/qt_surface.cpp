#include "platform/qt/qt_surface.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/number_text.h"
#include "platform/qt/qt_errors.h"

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

// A one-pixel line of an opaque colour written straight into a 32-bit image: the same
// pixels as QPainter's cosmetic pen (width 0, square cap, no antialiasing) sets, with
// the same fixed-point steps, but without its per-pixel span blending, which costs
// about 25 ns a pixel against one or two here. That is what lets a move redraw a
// thousand segments in a few milliseconds. Returns false, drawing nothing, when it
// cannot write the image directly (another format, or pixels shared with a copy); the
// caller then draws with QPainter.
bool DrawPixelLine(QImage& image, QPointF a, QPointF b, QRgb colour) {
  if (image.format() != QImage::Format_RGB32 &&
      image.format() != QImage::Format_ARGB32_Premultiplied) {
    return false;
  }
  if (qAlpha(colour) != 255 || !image.isDetached()) return false;
  double x1 = a.x(), y1 = a.y(), x2 = b.x(), y2 = b.y();
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
    return true;  // nowhere on the image
  }
  const qint64 width = image.width(), height = image.height();
  const qint64 stride = image.bytesPerLine() / 4;
  auto* const pixels = reinterpret_cast<quint32*>(image.bits());
  const auto put = [&](qint64 x, qint64 y) {
    if (x >= 0 && y >= 0 && x < width && y < height) pixels[y * stride + x] = colour;
  };
  if (x1 == x2 && y1 == y2) {  // a point: the pixel nearest to it
    const double x = std::floor(x1 + 0.5), y = std::floor(y1 + 0.5);
    if (x >= 0 && y >= 0 && x < double(width) && y < double(height)) put(qint64(x), qint64(y));
    return true;
  }

  // Clip to the image and a pixel around it, so that the fixed-point steps below stay
  // small whatever the coordinates.
  const double xmin = -1, xmax = double(width) + 1, ymin = -1, ymax = double(height) + 1;
  if (x1 < xmin) {
    if (x2 <= xmin) return true;
    y1 += (y2 - y1) / (x2 - x1) * (xmin - x1);
    x1 = xmin;
  } else if (x1 > xmax) {
    if (x2 >= xmax) return true;
    y1 += (y2 - y1) / (x2 - x1) * (xmax - x1);
    x1 = xmax;
  }
  if (x2 < xmin) {
    y2 += (y2 - y1) / (x2 - x1) * (xmin - x2);
    x2 = xmin;
  } else if (x2 > xmax) {
    y2 += (y2 - y1) / (x2 - x1) * (xmax - x2);
    x2 = xmax;
  }
  if (y1 < ymin) {
    if (y2 <= ymin) return true;
    x1 += (x2 - x1) / (y2 - y1) * (ymin - y1);
    y1 = ymin;
  } else if (y1 > ymax) {
    if (y2 >= ymax) return true;
    x1 += (x2 - x1) / (y2 - y1) * (ymax - y1);
    y1 = ymax;
  }
  if (y2 < ymin) {
    x2 += (x2 - x1) / (y2 - y1) * (ymin - y2);
    y2 = ymin;
  } else if (y2 > ymax) {
    x2 += (x2 - x1) / (y2 - y1) * (ymax - y2);
    y2 = ymax;
  }

  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
    return true;
  }

  // 26.6 fixed point for the ends, 16.16 for the position across; "major" runs along the
  // longer axis. Each end reaches half a pixel further, as the pen's square cap does.
  qint64 major1 = qint64(x1 * 64), minor1 = qint64(y1 * 64);
  qint64 major2 = qint64(x2 * 64), minor2 = qint64(y2 * 64);
  const bool steep = std::abs(major2 - major1) < std::abs(minor2 - minor1);
  if (steep) {
    std::swap(major1, minor1);
    std::swap(major2, minor2);
  }
  if (major1 == major2) return true;  // shorter than a 64th of a pixel
  if (major1 > major2) {
    std::swap(major1, major2);
    std::swap(minor1, minor2);
  }
  const qint64 step = (minor2 - minor1) * 65536 / (major2 - major1);
  qint64 across = minor1 * 1024 - (step >> 1);
  major1 -= 32;
  major2 += 32;
  qint64 along = (major1 + 32) >> 6;
  const qint64 end = (major2 + 32) >> 6;
  // Rising lines take the position at the pixel's centre, falling ones at its start.
  const qint64 centre = step > 0 ? 32 : 0;
  across += ((along * 64 + centre - major1) * step) >> 6;
  for (; along < end; ++along, across += step) {
    if (steep) {
      put(across >> 16, along);
    } else {
      put(along, across >> 16);
    }
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------- LabelPainter

namespace {

constexpr int kMaxKeptLabels = 4096;
// Room around a kept label's text for glyphs that reach past its advance and line.
constexpr int kKeptMargin = 3;
constexpr double kFarAway = 1 << 24;  // pixels

quint32 Bits(float value) {
  quint32 bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

}  // namespace

const QStaticText& LabelPainter::Text(float value) {
  const quint32 bits = Bits(value);
  auto found = cache_.find(bits);
  if (found == cache_.end()) {
    if (cache_.size() > kMaxKeptLabels) cache_.clear();
    QStaticText text(QString::fromStdString(LabelText(value)));
    text.setTextFormat(Qt::PlainText);
    text.setPerformanceHint(QStaticText::AggressiveCaching);
    text.prepare(QTransform(), font_);
    found = cache_.insert(bits, text);
  }
  return found.value();
}

QRectF LabelPainter::Draw(QPainter& painter, const QPointF& top_left, float value) {
  const QStaticText& text = Text(value);
  painter.setFont(font_);
  painter.drawStaticText(top_left, text);
  return QRectF(top_left, text.size()).adjusted(-1, -1, 2, 2);
}

LabelPainter::KeptLabel LabelPainter::Render(const QPainter& painter, const QPointF& fraction,
                                             float value, const QColor& colour) {
  const QStaticText& text = Text(value);
  const QSize size(static_cast<int>(std::ceil(fraction.x() + text.size().width())) + 2 * kKeptMargin,
                   static_cast<int>(std::ceil(fraction.y() + text.size().height())) + 2 * kKeptMargin);
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter label(&image);
    label.setRenderHints(painter.renderHints());
    label.setFont(font_);
    label.setPen(colour);
    label.drawStaticText(fraction + QPointF(kKeptMargin, kKeptMargin), text);
  }
  // Keep only the inked pixels: a third of the box, and a third of the blending.
  QRect ink;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (line[x] != 0) ink |= QRect(x, y, 1, 1);
    }
  }
  KeptLabel kept;
  if (!ink.isEmpty()) {
    kept.ink = image.copy(ink);
    kept.offset = ink.topLeft() - QPoint(kKeptMargin, kKeptMargin);
  }
  return kept;
}

QRectF LabelPainter::DrawKept(QPainter& painter, const QPointF& top_left, float value,
                              const QColor& colour) {
  // Far outside any surface (a point of the view mapped from extreme twips): nothing to
  // show, and no whole pixel to put it at.
  if (!(std::abs(top_left.x()) < kFarAway && std::abs(top_left.y()) < kFarAway)) return QRectF();
  // The image is drawn at a whole pixel; the text inside it keeps the fraction, so the
  // glyphs come out exactly as drawn straight onto the surface.
  const QPoint whole(static_cast<int>(std::floor(top_left.x())),
                     static_cast<int>(std::floor(top_left.y())));
  const QPointF fraction = top_left - QPointF(whole);
  const KeptKey key{Bits(value), colour.rgba(), fraction.x() + 0.0, fraction.y() + 0.0};
  KeptLabel kept;
  if (const auto found = kept_.constFind(key); found != kept_.constEnd()) {
    kept = found.value();
  } else {
    if (kept_.size() >= kMaxKeptLabels) {
      kept_before_ = std::exchange(kept_, {});
    }
    const auto before = kept_before_.constFind(key);
    kept = before != kept_before_.constEnd() ? before.value() : Render(painter, fraction, value, colour);
    kept_.insert(key, kept);
  }
  if (kept.ink.isNull()) return QRectF();
  const QPoint at = whole + kept.offset;
  painter.drawImage(at, kept.ink);
  return QRectF(QRect(at, kept.ink.size()));
}

void LabelPainter::SetFont(const QFont& font) {
  if (font == font_) return;
  font_ = font;
  cache_.clear();
  kept_.clear();
  kept_before_.clear();
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

// ---------------------------------------------------------------- DrawingBox

DrawingBox::DrawingBox(float width, float height, const QFont& font)
    : width_(width), height_(height) {
  labels_.SetFont(font);
}

void DrawingBox::SetFontSize(float points) {
  QFont font = labels_.Font();
  font.setPointSizeF(points);
  labels_.SetFont(font);
}

QPointF DrawingBox::PrintPosition() const { return ToPixelPoint(current_x_, current_y_); }

// ---------------------------------------------------------------- ViewSurface

// Both picture boxes start with the platform's default font.
ViewSurface::ViewSurface(QWidget* parent)
    : QWidget(parent), DrawingBox(11655, 8295, QApplication::font()) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
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
  Drawn(labels_.DrawKept(Painter(), PrintPosition(), value, ToQColor(fore_)));
}

void ViewSurface::Line(float x1, float y1, float x2, float y2, Colour colour) {
  QPainter& painter = Painter();
  const QPointF a = ToPixelPoint(x1, y1);
  const QPointF b = ToPixelPoint(x2, y2);
  if (!DrawPixelLine(screen_, a, b, ToQColor(colour).rgb())) {
    painter.setPen(LinePen(colour));
    painter.drawLine(a, b);
  }
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

CanvasBox::CanvasBox() : DrawingBox(1815, 975, QApplication::font()) {}

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
  if (image_.isNull()) Fail(kErrOutOfMemory, "内存不够，无法建立保存用的画布");
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
    // Transparent parts show the box's background, as on screen: the background is
    // painted under the premultiplied pixels in place (the same sums as painting them over
    // it), which leaves every pixel opaque, so no second full-size image is needed.
    QPainter under;
    if (!under.begin(&decoded)) Fail(kErrOutOfMemory, "内存不够，无法建立保存用的画布");
    under.setCompositionMode(QPainter::CompositionMode_DestinationOver);
    under.fillRect(decoded.rect(), WindowBackground());
    under.end();
    decoded.reinterpretAsFormat(QImage::Format_RGB32);
  }
  image_ = std::move(decoded);
  picture_ = picture;
}

QPainter& CanvasBox::Painter() {
  if (image_.isNull()) Blank();
  if (!painter_) {
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(&image_)) Fail(kErrOutOfMemory, "内存不够，无法在保存用的画布上绘制");
    painter_ = std::move(painter);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
  }
  return *painter_;
}

void CanvasBox::Print(float value) {
  QPainter& painter = Painter();
  painter.setPen(ToQColor(fore_));
  labels_.Draw(painter, PrintPosition(), value);
}

void CanvasBox::Line(float x1, float y1, float x2, float y2, Colour colour) {
  QPainter& painter = Painter();
  const QPointF a = ToPixelPoint(x1, y1);
  const QPointF b = ToPixelPoint(x2, y2);
  if (!DrawPixelLine(image_, a, b, ToQColor(colour).rgb())) {
    painter.setPen(LinePen(colour));
    painter.drawLine(a, b);
  }
}

PictureRef CanvasBox::Image() const {
  EndPainting();
  return QtPicture::FromImage(image_);
}

}  // namespace vantory::qt
