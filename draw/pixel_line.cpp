#include "draw/pixel_line.h"

#include <cmath>
#include <utility>

namespace vantory::qt {

bool drawPixelLine(QImage& image, QPointF a, QPointF b, QRgb colour) {
  if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied) {
    return false;
  }
  if (qAlpha(colour) != 255 || !image.isDetached() || image.devicePixelRatio() != 1) return false;
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
    // QPainter leaves out a point exactly half a pixel before the first column or row.
    if (!(x1 > -0.5 && y1 > -0.5)) return true;
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

}  // namespace vantory::qt
