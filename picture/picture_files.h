// Picture files: a picture is opened by reading its file's header only (its upright
// natural size, with the EXIF orientation applied, and what decoding it will cost); it is
// decoded at the size it is shown at (for JPEG the decoder itself scales, many times
// faster than a full decode), and again at its natural size for Save.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace vantory::qt {

// The upright natural size in pixels of the picture at `path`, read from its header. Only
// a regular file is opened. Throws AppError for a missing or unreadable file, a file that
// is not a picture, one cut short or damaged as far as its header tells, a picture of zero
// size, or one whose decode would take more than 1 GiB at its peak.
QSize probePicture(const QString& path);

// The pixels of the picture at `path` at `size` (its natural size when empty), upright, as
// RGB32 or premultiplied ARGB32. Throws AppError as probePicture does, and when the data
// cannot be decoded completely or memory runs out.
QImage decodePicture(const QString& path, QSize size = QSize());

}  // namespace vantory::qt
