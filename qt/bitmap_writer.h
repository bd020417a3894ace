// Pictures written as 24-bit Windows bitmaps, through a temporary file renamed into place.
#pragma once

#include <QImage>
#include <QString>

namespace vantory::qt {

// Writes `image` to `path` as a 24-bit Windows bitmap, whatever the path's extension. The
// bytes go to a temporary file beside it, flushed to the disk and then renamed over the
// path: a failed write leaves no partial file and never harms an existing one. Throws
// AppError: 75 naming the path and the reason (a full disk or a failed write said as
// such), 7 when memory runs out.
void writeBitmap(QImage image, const QString& path);

}  // namespace vantory::qt
