// What decoding a picture file takes in memory at its peak, from the file's own headers
// before anything is decoded. Qt's readers refuse a picture whose pixels alone pass the
// allocation limit (QImageReader::setAllocationLimit) and libjpeg one whose coefficients
// pass its own (max_memory_to_use); what neither sees is counted here: the full-size copy
// made to convert a decoded picture to 32-bit pixels, or to scale one that is not
// premultiplied, or to turn it upright; the JPEG picture made beside libjpeg's
// coefficients; the strip or tile libtiff decodes into a buffer of its own; and an icon
// whose directory announces 16 x 16 pixels while its entry holds a PNG of 16384 x 16384.
#pragma once

#include <QIODevice>
#include <QImage>
#include <QSize>

#include "picture/limits.h"

namespace vantory::qt {

namespace jpeg {
struct Header;
}

struct DecodeCost {
  qint64 display = 0;  // bytes at the peak of the decode at a reduced size (Open)
  qint64 full = 0;     // bytes at the peak of the decode at the natural size (Save)
  qint64 peak() const { return display > full ? display : full; }
};

// A JPEG decoded by libjpeg: its coefficients (at any size), and at the natural size the
// picture itself, a grey one converted to 32-bit pixels, a turned one copied upright.
DecodeCost jpegDecodeCost(const jpeg::Header& header, bool turned);

// A picture decoded by one of Qt's readers, which reads it at `stored` into `decoded`
// pixels (QImageReader::imageFormat(); Format_Invalid when the reader does not tell);
// `turned`: copied upright for its EXIF orientation. Reads what it needs of `file`, a
// file in the reader's `format`, from its start.
DecodeCost readerDecodeCost(QIODevice& file, const QByteArray& format, QSize stored, QImage::Format decoded,
                            bool turned);

}  // namespace vantory::qt
