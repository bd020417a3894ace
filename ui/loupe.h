// The loupe of fine placement: a square beside the pointer showing the picture around the
// slowed point magnified 8 times against the view, from the picture's own pixels (or, until
// those are decoded, from the view's), with the annotations drawn at the same
// magnification and a one-pixel crosshair on the point.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>

#include "core/fine_pointer.h"
#include "core/geometry.h"
#include "core/ports.h"
#include "draw/label_images.h"

namespace vantory::qt {

inline constexpr int kLoupeSide = 160;            // logical pixels
inline constexpr double kLoupeMagnification = 8;  // against the view

// Where the loupe goes for the pointer at `pointer` and the point at `point` (logical
// pixels) on a view of `view`: beside the pointer, inside the view, never over the point.
QRect placeLoupe(PixelPoint pointer, PixelPoint point, QSize view);

// The loupe is a live surface of its own: the live view is drawn on it as on the view,
// through a painter that magnifies around the point.
class Loupe : public LiveSurface {
 public:
  Loupe();
  ~Loupe() override;
  // What the loupe shows: the picture placed at `rect` (view twips) on a view of device
  // pixel ratio `ratio`; `shown` is the picture as the view shows it (at `shownAt`, logical
  // pixels); `full` the picture at its natural size, when decoded (else null).
  struct Sources {
    TwipRect rect;
    QRect shownAt;
    const QImage* shown = nullptr;
    const QImage* full = nullptr;
    QColor background;
    QFont labelFont;
    qreal ratio = 1;
  };
  // Aims the loupe at `point` (logical pixels of the view).
  void aim(PixelPoint point, const Sources& sources);

  // LiveSurface
  TwipSize area() const override { return {}; }
  void showPicture(const std::string&, TwipRect) override {}
  // The magnified picture around the point, and the painter of the annotations over it.
  Painter& newFrame() override;
  // The labels take the view's font: nothing to do.
  void useSmallLabels() override {}

  // Whether a frame was drawn since the last one finished.
  bool framePending() const { return painter_ != nullptr; }
  // The loupe as it is to be shown: the picture, the annotations, the crosshair, a frame.
  const QImage& finished();

 private:
  class MagnifyingPainter;
  QImage image_;
  PixelPoint point_;
  Sources sources_;
  LabelImages labels_{QFont()};  // kept from frame to frame, in the labels' font
  std::unique_ptr<MagnifyingPainter> painter_;
};

}  // namespace vantory::qt
