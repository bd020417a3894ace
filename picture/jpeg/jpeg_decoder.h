// JPEG pictures decoded with libjpeg directly rather than through Qt's JPEG plugin. The
// plugin reports a damaged or cut-off file only as a warning text and hands back a
// half-grey picture; here the decoder's own state tells: whether the data ran out before
// the end-of-image marker, which warnings it raised (by their message codes), and how
// many rows it delivered. The pixels are those of Qt's plugin at quality 75: the same
// DCT reduction for a scaled size, the same inverse DCT and upsampling, the same smooth
// scaling to the exact size.
#pragma once

#include <QIODevice>
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <functional>

namespace vantory::qt::jpeg {

struct Header {
  QSize size;  // as stored, before any EXIF orientation
  int components = 0;
  // The buffer of every DCT coefficient of the picture that libjpeg keeps for a
  // multi-scan file (progressive, or sequential with several scans), at any output size;
  // 0 for a single-scan file.
  qint64 coefficientBytes = 0;
};

// Whether `file` starts, where it stands, like a JPEG (the start-of-image marker). The
// functions below read a JPEG from the start of the file.
bool startsLikeJpeg(QIODevice& file);

// Reads the markers of the JPEG in `file` up to the first scan; `name` names the file in
// errors. Throws error 481 when they are not those of a JPEG that can be decoded.
Header readHeader(QIODevice& file, const QString& name);

// How a picture of a thousand rows or more, read in one scan, is decoded: in two halves at
// once, on two threads, or in one pass. In two halves, the loupe's own pixels of a 24
// megapixel photo come 22% sooner on two cores (71 ms against 91 ms, bench_loupe; the
// halves are kept for 20% or more); bench_loupe compares the decodes themselves too.
enum class Split { kHalves, kOnePass };

// Decodes the JPEG in `file` at `scaled` (as stored; empty for the natural size) into
// RGB32, or Grayscale8 for a grey picture, once `check` has accepted the header it
// decodes (check throws to refuse it). Throws 481 when the data is cut short or damaged,
// 7 when memory runs out, DecodeStopped when `stop` is set on the way.
QImage decode(QIODevice& file, const QString& name, QSize scaled,
              const std::function<void(const Header&)>& check, const std::atomic<bool>* stop = nullptr,
              Split split = Split::kHalves);

}  // namespace vantory::qt::jpeg
