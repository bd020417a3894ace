// JPEG pictures decoded with libjpeg directly rather than through Qt's JPEG plugin. The
// plugin reports a damaged or cut-off file only as a warning text and hands back a
// half-grey picture; here the decoder's own state tells: whether the data ran out before
// the end-of-image marker, which warnings it raised (by their message codes), and how
// many rows it delivered. The pixels are those of Qt's plugin at quality 75: the same
// DCT reduction for a scaled size, the same inverse DCT and upsampling, the same smooth
// scaling to the exact size.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace vantory::qt::jpeg {

struct Header {
  QSize size;  // as stored, before any EXIF orientation
  int components = 0;
  bool progressive = false;
  bool multiScan = false;  // progressive, or sequential with several scans
  // The buffer of every DCT coefficient of the picture that libjpeg keeps for a
  // multi-scan file, at any output size; 0 for a single-scan file.
  qint64 coefficientBytes = 0;
};

// Whether the file starts like a JPEG (the start-of-image marker).
bool isJpeg(const QString& path);

// Reads the markers up to the first scan. Throws error 481 when they are
// not those of a JPEG that can be decoded, 53/75 when the file cannot be read.
Header readHeader(const QString& path);

// Decodes the whole file at `scaled` (as stored; empty for the natural size) into RGB32,
// or Grayscale8 for a grey picture. Throws 481 when the data is cut short or damaged, 7
// when memory runs out.
QImage decode(const QString& path, QSize scaled);

}  // namespace vantory::qt::jpeg
