// One-pixel lines written straight into a 32-bit image, pixel for pixel what QPainter's
// cosmetic pen draws, many times faster: what lets a pointer move redraw a thousand
// segments in a few milliseconds.
#pragma once

#include <QImage>
#include <QPointF>

namespace vantory::qt {

// Draws the line from a to b (pixels) in the opaque `colour`, as a pen of width 0 with a
// square cap and no antialiasing does: the same fixed-point steps, without its per-pixel
// span blending. Returns false, drawing nothing, when it cannot write the image directly
// (another format, a colour that is not opaque, pixels shared with a copy, or an image of
// more than one device pixel a logical one); the caller then draws with QPainter.
bool drawPixelLine(QImage& image, QPointF a, QPointF b, QRgb colour);

}  // namespace vantory::qt
