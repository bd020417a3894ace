// The view on screen: a widget that keeps an image of what it shows. The picture is
// painted into it at its place, the live view draws over it, and a paint event only
// copies it to the screen, so the annotations survive an expose or a covering window.
// A new frame restores the picture (and the background around it) wherever anything was
// drawn since the last one, so drawing never piles up from move to move.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "core/commands.h"
#include "core/ports.h"
#include "qt/image_painter.h"
#include "qt/label_images.h"

namespace vantory::qt {

class ViewSurface : public QWidget, public LiveSurface {
 public:
  // The view surface covers the window's client area: 11655 x 8295 twips, 777 x 553 pixels.
  static constexpr TwipSize kArea{11655, 8295};

  explicit ViewSurface(QWidget* parent = nullptr);

  // LiveSurface
  TwipSize area() const override { return kArea; }
  void showPicture(const std::string& path, TwipRect rect) override;
  Painter& newFrame() override;
  void useSmallLabels() override;

  // Ends the drawing of the current command and schedules what changed for the screen.
  void flush();
  // What the view shows (after flush).
  const QImage& screen() const { return screen_; }
  QColor background() const;
  // Where the picture is shown, in pixels.
  QRect pictureRect() const;

  // Presses and moves over the picture, at (x, y) twips from its top-left corner.
  std::function<void(MouseButton, float, float)> onPress;
  std::function<void(float, float)> onMove;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  // Paints the background and the picture over `area` (pixels).
  void paintBase(const QRect& area);
  void layOut();
  bool toPicture(const QMouseEvent& event, float& x, float& y) const;

  QImage screen_;
  LabelImages labels_;
  ImagePainter painter_;
  QImage picture_;  // at the size it is shown
  TwipRect rect_ = kInitialPictureRect;
  QRect drawn_;           // drawn on since the last frame began
  QRect toUpdate_;        // changed since the last flush
  QRect paintedPicture_;  // where the picture was last painted
  bool layoutPending_ = false;
};

}  // namespace vantory::qt
