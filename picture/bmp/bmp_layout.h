// What the streamed BMP reader learns from a file's headers, read as Qt 6.4's BMP reader
// reads them, and the chunked reading of the rest of the file.
#pragma once

#include <QFile>
#include <QImage>
#include <QRgb>
#include <QSize>
#include <array>
#include <optional>
#include <vector>

namespace vantory::qt::bmp {

enum Compression { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

struct Layout {
  QSize size;            // upright: the height made positive
  bool bottomUp = true;  // rows stored last first (a positive height)
  int bits = 0;          // 1, 4, 8, 16, 24 or 32
  int compression = kRgb;
  QImage::Format format = QImage::Format_RGB32;  // what Qt's reader decodes into
  // The 32-bit colour of each index, as Qt converts an indexed picture to RGB32: the file's
  // palette, then opaque black (white for the second of a one-colour 1-bit palette).
  std::array<QRgb, 256> colours{};
  // A 16- or 32-bit pixel's channel c (red, green, blue, alpha): (pixel & mask) >> shift,
  // times scale, as Qt computes it (the low byte kept). Alpha only for ARGB32.
  std::array<quint32, 4> masks{};
  std::array<int, 4> shifts{}, scales{};
  qint64 dataStart = 0;  // where the pixel data starts
  qint64 rowBytes = 0;   // a stored row, padded to 4 bytes
  // The plain layouts whose bytes go straight to the scaler: 24-bit and opaque 32-bit
  // blue, green, red.
  // Rows coded in runs (RLE4, RLE8), read in one pass only.
  bool runLengths() const { return compression == kRle4 || compression == kRle8; }
  bool plainBgr() const {
    return compression == kRgb && (bits == 24 || (bits == 32 && format == QImage::Format_RGB32));
  }
};

// The layout of the BMP in `file`, or nothing when its headers are not of a kind this
// reader takes or Qt's reader would refuse them (bad masks, palette, cut-off headers).
std::optional<Layout> readLayout(QFile& file);

// Reads a file in large chunks and hands out its bytes without copying them again.
class ChunkReader {
 public:
  explicit ChunkReader(QFile& file, qint64 chunk = qint64{1} << 20);
  bool seek(qint64 at);
  // The next `count` bytes, or nullptr when the file ends before them.
  const uchar* take(qint64 count);
  bool byte(uchar& value);
  qint64 capacity() const { return static_cast<qint64>(buffer_.size()); }

 private:
  bool fill(qint64 count);

  QFile& file_;
  std::vector<uchar> buffer_;
  qint64 begin_ = 0, end_ = 0;
};

}  // namespace vantory::qt::bmp
