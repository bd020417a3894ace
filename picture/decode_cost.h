// What decoding a picture file really takes in memory at its peak, read from the file's
// own headers before anything is decoded. The size a reader reports can say little
// about it: an icon's directory may announce 16 x 16 pixels and hold a PNG of 16384 x
// 16384; a 16-bit PNG is decoded at 8 bytes a pixel; a progressive JPEG keeps every DCT
// coefficient of the picture whatever size it is shown at; libtiff decodes a whole strip
// into a buffer of its own; and converting a decoded picture to 32-bit pixels, or scaling
// one that is not premultiplied, makes a second full-size copy.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include "picture/limits.h"

namespace vantory::qt {

namespace jpeg {
struct Header;
}

struct DecodeCost {
  QSize decoded;       // the size the decoder really produces at full size
  qint64 display = 0;  // bytes at the peak of the decode at a reduced size (Open)
  qint64 full = 0;     // bytes at the peak of the decode at the natural size (Save)
  qint64 peak() const { return display > full ? display : full; }
};

// The cost of decoding the file at `path`, whose reader named its format `format` and
// its stored size `stored` (from the header). `turned` says that the picture is turned a
// quarter for its EXIF orientation (a copy is made to turn it); `jpeg` is the header of
// a JPEG read by libjpeg (nullptr for another format). Pictures smaller than the window
// cost next to nothing to show: only the natural size is counted.
DecodeCost estimateDecodeCost(const QString& path, const QByteArray& format, QSize stored, bool turned,
                              const jpeg::Header* jpeg);

}  // namespace vantory::qt
