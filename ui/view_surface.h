// The view on screen: a widget that keeps an image of what it shows. The picture is
// painted into it at its place, the live view draws over it, and a paint event only copies
// it to the screen, so the annotations survive an expose or a covering window. A new frame
// restores the picture (and the background around it) wherever anything was drawn since
// the last one, so drawing never piles up from move to move. On a high-density screen the
// image has as many device pixels as the screen, and the picture is decoded at that size.
//
// While Shift is held the point being placed follows the pointer slowed (FinePointer), and
// a loupe beside the pointer shows the picture around it magnified, over the image.
//
// The view gives the picture's own pixels to the ends placed with Ctrl held, to snap to:
// the same picture at its natural size that the loupe shows, decoded once.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

#include "core/commands.h"
#include "core/fine_pointer.h"
#include "core/ports.h"
#include "draw/image_painter.h"
#include "draw/label_images.h"
#include "picture/current_picture.h"
#include "picture/picture_brightness.h"
#include "ui/loupe.h"

namespace vantory::qt {

class ViewSurface : public QWidget, public LiveSurface, public PicturePixels {
 public:
  // The view surface covers the window's client area: 11655 x 8295 twips, 777 x 553
  // logical pixels.
  static constexpr TwipSize kArea{11655, 8295};

  // `picture`: what the view shares with Save of the picture open (the window gives both
  // the same).
  explicit ViewSurface(QWidget* parent = nullptr,
                       std::shared_ptr<CurrentPicture> picture = std::make_shared<CurrentPicture>());

  // LiveSurface
  TwipSize area() const override { return kArea; }
  void showPicture(const std::string& path, TwipRect rect) override;
  Painter& newFrame() override;
  void useSmallLabels() override;

  // PicturePixels
  const BrightnessSource* ready() override;
  const BrightnessSource* await() override;

  // Ends the drawing of the current command and schedules what changed for the screen.
  void flush();
  // While points are being placed, the cursor over the picture is a cross.
  void setPlacing(bool placing);
  // The loupe, while it shows, drawn again for what a command changed.
  void refreshLoupe();
  // What the view shows (after flush), at device pixels, the loupe aside.
  const QImage& screen() const { return screen_; }
  QColor background() const;
  // Where the picture is shown, in logical pixels.
  QRect pictureRect() const;
  // The loupe, while Shift is held over a picture (null otherwise), aimed for the next move.
  LiveSurface* activeLoupe() { return loupeShown_ ? &loupe_ : nullptr; }
  // Where the loupe is shown (empty when it is not).
  QRect loupeRect() const { return loupeShown_ ? loupeRect_ : QRect(); }
  const QImage& loupeImage() const { return loupeImage_; }
  // Whether the picture's own pixels have reached the loupe.
  bool loupeHasFullPicture() const { return picture_->fullPicture() != nullptr; }

  // Presses and moves over the picture, at (x, y) twips from its top-left corner, with
  // whether Ctrl is held.
  std::function<void(MouseButton, float, float, bool)> onPress;
  std::function<void(float, float, bool)> onMove;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  // Paints the background and the picture over `area` (logical pixels).
  void paintBase(const QRect& area);
  void layOut();
  // The point at `pixels` (logical), as twips from the picture's corner; false outside it.
  bool toPicture(PixelPoint pixels, float& x, float& y) const;
  // The pointer at `pointer`, Shift held or not: aims the loupe and sends the move.
  void pointerAt(PixelPoint pointer, bool shift);
  void aimLoupe();
  void shiftChanged(bool held);
  // The picture's own pixels have been decoded: the loupe, and where ends would snap, shown
  // from them at once.
  void pictureArrived();
  void ctrlChanged(bool held);
  void updateCursor(bool overPicture);

  qreal ratio_;
  QImage screen_;
  LabelImages labels_;
  ImagePainter painter_;
  std::shared_ptr<CurrentPicture> picture_;
  QImage shown_;  // the picture at the size it is shown, in device pixels
  TwipRect rect_ = kInitialPictureRect;
  QRect drawn_;           // drawn on since the last frame began
  QRect toUpdate_;        // changed since the last flush
  QRect paintedPicture_;  // where the picture was last painted
  bool layoutPending_ = false;

  FinePointer fine_;
  PixelPoint pointer_;  // the pointer's last place over the view
  bool pointerSeen_ = false;
  bool placing_ = false;
  bool overPicture_ = false;  // the pointer is over the picture
  bool ctrl_ = false;         // Ctrl is held: ends placed now snap to the picture's edges
  PictureBrightness brightness_;
  Loupe loupe_;
  bool loupeShown_ = false;
  QRect loupeRect_, loupeShownAt_;  // where it goes, and where it was last shown
  QImage loupeImage_;
};

}  // namespace vantory::qt
