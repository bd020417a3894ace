// The controls on Qt: the view surface Picture2 with the windowless image control
// Image1 on it, the off-screen size probe Image2 and the off-screen export canvas
// Picture1.
//
// The view surface keeps a retained image of what is on screen: Image1 paints its
// picture into it, Line and Print draw into it above the picture, and the widget's paint
// event only copies it to the screen, so the annotations survive an expose or a covering
// window. Image1.Refresh restores the picture (and the background outside it) wherever
// anything was drawn since the last restore, so drawing never piles up from move to move.
#pragma once

#include <QFont>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QStaticText>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/controls.h"
#include "platform/qt/qt_pictures.h"

namespace vantory::qt {

// Draws label texts, keeping the laid-out text of each label for reuse: the same
// lengths are drawn again at every mouse move.
class LabelPainter {
 public:
  // Draws the label of `value` with its top-left corner at `top_left` (pixels) in the
  // painter's pen; returns the rectangle it covers.
  QRectF Draw(QPainter& painter, const QPointF& top_left, float value);
  // The same, in `colour`, through a small image of the label that is kept: drawn again
  // at the same place in the same colour, it costs one blit instead of a glyph run. The
  // view surface draws every committed label at the same place at every move.
  QRectF DrawKept(QPainter& painter, const QPointF& top_left, float value, const QColor& colour);
  void SetFont(const QFont& font);
  const QFont& Font() const { return font_; }

 private:
  const QStaticText& Text(float value);

  struct KeptKey {
    quint32 bits;       // the value's
    QRgb colour;
    double x, y;        // the position's fraction of a pixel
    bool operator==(const KeptKey&) const = default;
  };
  friend size_t qHash(const KeptKey& key, size_t seed) {
    return qHashMulti(seed, key.bits, key.colour, key.x, key.y);
  }

  // The label's inked pixels, premultiplied, and where they start from the whole pixel
  // of its top-left corner.
  struct KeptLabel {
    QImage ink;
    QPoint offset;
  };
  KeptLabel Render(const QPainter& painter, const QPointF& fraction, float value,
                   const QColor& colour);

  QFont font_;
  QHash<quint32, QStaticText> cache_;  // by the float's bits
  // The labels drawn lately, in two generations: when the newer one is full it becomes
  // the older one, and a label found there moves back. The committed labels, drawn at
  // every move, stay; the rubber band's, new at every move, age out.
  QHash<KeptKey, KeptLabel> kept_, kept_before_;
};

class ViewSurface;

// Image1: a rectangle on the view surface that shows its picture scaled into it.
class SurfaceImage : public ImageControl {
 public:
  explicit SurfaceImage(ViewSurface& surface) : surface_(surface) {}
  float Left() const override { return left_; }
  void SetLeft(float value) override;
  float Top() const override { return top_; }
  void SetTop(float value) override;
  float Width() const override { return width_; }
  void SetWidth(float value) override;
  float Height() const override { return height_; }
  void SetHeight(float value) override;
  bool Stretch() const override { return stretch_; }
  void SetStretch(bool on) override { stretch_ = on; }
  PictureRef Picture() const override { return picture_; }
  void SetPicture(const PictureRef& picture) override;
  void Refresh() override;

  // The rectangle on the surface in pixels, and whether a view point (twips) lies in it.
  QRect PixelRect() const;
  bool Contains(const QPointF& twips) const;
  // The picture at the rectangle's size (null without a picture).
  const QImage& Shown();

 private:
  void Changed();
  ViewSurface& surface_;
  float left_ = 720, top_ = 840, width_ = 10215, height_ = 5655;
  bool stretch_ = false;
  PictureRef picture_;
  QImage shown_;
};

// What the two picture boxes share: the inner size (they draw no border, so it is the
// outer size), the text colour, the label font and the print position.
class DrawingBox : public PictureBox {
 public:
  float Width() const override { return width_; }
  float Height() const override { return height_; }
  float ScaleWidth() const override { return width_; }
  float ScaleHeight() const override { return height_; }
  Colour ForeColor() const override { return fore_; }
  void SetForeColor(Colour colour) override { fore_ = colour; }
  float FontSize() const override { return static_cast<float>(labels_.Font().pointSizeF()); }
  void SetFontSize(float points) override;
  float CurrentX() const override { return current_x_; }
  void SetCurrentX(float x) override { current_x_ = x; }
  float CurrentY() const override { return current_y_; }
  void SetCurrentY(float y) override { current_y_ = y; }

 protected:
  DrawingBox(float width, float height, const QFont& font);
  // Where the next label's top-left corner goes, in pixels.
  QPointF PrintPosition() const;

  float width_, height_;
  Colour fore_ = 0;
  float current_x_ = 0, current_y_ = 0;
  LabelPainter labels_;
};

// Picture2: the view surface, a widget.
class ViewSurface : public QWidget, public DrawingBox {
 public:
  explicit ViewSurface(QWidget* parent = nullptr);
  ~ViewSurface() override;

  SurfaceImage& Image1() { return image1_; }

  // PictureBox
  void SetWidth(float value) override;
  void SetHeight(float value) override;
  PictureRef Picture() const override { return nullptr; }
  void SetPicture(const PictureRef&) override {}
  bool AutoSize() const override { return false; }
  void SetAutoSize(bool) override {}
  bool AutoRedraw() const override { return false; }
  void SetAutoRedraw(bool) override {}
  void Print(float value) override;
  void Line(float x1, float y1, float x2, float y2, Colour colour) override;
  PictureRef Image() const override;

  // Ends the drawing of the current event and schedules what changed for the screen.
  void Flush();
  // What the surface shows (after Flush).
  const QImage& Screen() const { return screen_; }
  QColor Background() const;

  // Presses and moves over Image1: button code, shift state, X and Y in twips relative
  // to Image1's top-left corner.
  std::function<void(std::int16_t, std::int16_t, float, float)> on_press;
  std::function<void(std::int16_t, std::int16_t, float, float)> on_move;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  friend class SurfaceImage;
  QPainter& Painter();
  void Drawn(const QRectF& pixels);
  void Restore();      // Image1.Refresh
  void LayOut();       // Image1 moved, resized or given another picture
  void Resize();
  // Paints the background and the picture over `area` (pixels).
  void PaintBase(const QRect& area);
  bool ToImage1(const QMouseEvent& event, float& x, float& y) const;

  QImage screen_;
  std::unique_ptr<QPainter> painter_;
  QRect drawn_;          // drawn on since the last restore
  QRect to_update_;      // changed since the last Flush
  QRect painted_image_;  // where Image1's picture was last painted
  bool layout_pending_ = false;
  SurfaceImage image1_{*this};
};

// Image2: the size probe, never seen. With Stretch off it takes the natural size of the
// picture assigned to it; it never decodes the picture.
class ProbeImage : public ImageControl {
 public:
  float Left() const override { return left_; }
  void SetLeft(float value) override { left_ = value; }
  float Top() const override { return top_; }
  void SetTop(float value) override { top_ = value; }
  float Width() const override { return width_; }
  void SetWidth(float value) override { width_ = value; }
  float Height() const override { return height_; }
  void SetHeight(float value) override { height_ = value; }
  bool Stretch() const override { return stretch_; }
  void SetStretch(bool on) override { stretch_ = on; }
  PictureRef Picture() const override { return picture_; }
  void SetPicture(const PictureRef& picture) override;
  void Refresh() override {}

 private:
  float left_ = 15240, top_ = 2160, width_ = 1695, height_ = 1335;
  bool stretch_ = false;
  PictureRef picture_;
};

// Picture1: the export canvas, never seen: an image at the picture's natural pixel size.
// It is rebuilt from the file at every Save, so it lets its old image go before it
// decodes the new one (a failed load leaves it blank): a large picture is never held
// twice.
class CanvasBox : public DrawingBox {
 public:
  CanvasBox();
  ~CanvasBox() override;
  void SetWidth(float value) override;
  void SetHeight(float value) override;
  PictureRef Picture() const override { return picture_; }
  void SetPicture(const PictureRef& picture) override;
  bool AutoSize() const override { return auto_size_; }
  void SetAutoSize(bool on) override { auto_size_ = on; }
  bool AutoRedraw() const override { return auto_redraw_; }
  void SetAutoRedraw(bool on) override { auto_redraw_ = on; }
  void Print(float value) override;
  void Line(float x1, float y1, float x2, float y2, Colour colour) override;
  PictureRef Image() const override;

 private:
  QPainter& Painter();
  void EndPainting() const;
  void Blank();

  bool auto_size_ = false, auto_redraw_ = false;
  PictureRef picture_;
  QImage image_;
  mutable std::unique_ptr<QPainter> painter_;
};

}  // namespace vantory::qt
