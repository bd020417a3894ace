// The brightness of a decoded picture, pixel by pixel, as the edge finder reads it: the
// picture's own pixels that the ends placed with Ctrl held snap to.
#pragma once

#include <QImage>

#include "core/edge_snap.h"

namespace vantory::qt {

class PictureBrightness : public BrightnessSource {
 public:
  // Reads `image` (RGB32 or premultiplied ARGB32, as decodePicture gives it), which must
  // outlive the reads; null reads as an empty picture.
  void read(const QImage* image) { image_ = image; }

  int width() const override { return image_ != nullptr ? image_->width() : 0; }
  int height() const override { return image_ != nullptr ? image_->height() : 0; }
  // The luma of the pixel's colour (ITU-R BT.601 weights), 0 to 255.
  double brightness(int x, int y) const override {
    const QRgb c = image_->depth() == 32 ? reinterpret_cast<const QRgb*>(image_->constScanLine(y))[x]
                                         : image_->pixel(x, y);
    return 0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c);
  }

 private:
  const QImage* image_ = nullptr;
};

}  // namespace vantory::qt
