#include "picture/decode_cost.h"

#include <algorithm>

#include "picture/byte_order.h"
#include "picture/jpeg/jpeg_decoder.h"

namespace vantory::qt {
namespace {

qint64 pixelCount(QSize size) { return qint64{std::max(0, size.width())} * std::max(0, size.height()); }

qint64 bytesAPixel(QImage::Format format) {
  return std::max(1, QImage::toPixelFormat(format).bitsPerPixel() / 8);
}

// Smooth scaling works on premultiplied or opaque pixels of 32, 64 or 128 bits: any other
// format is first converted into a full-size copy (QImage::smoothScaled). Indexed and grey
// pictures cost a byte a pixel more on the way (measured with Qt 6.4: 6.1 bytes a pixel
// in all for 8-bit grey).
qint64 scaleCopyBytes(QImage::Format format) {
  switch (format) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied: return 0;
    case QImage::Format_RGBA64:
    case QImage::Format_Grayscale16: return 8;
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied:
    case QImage::Format_RGBA32FPx4: return 16;
    default: return QImage::toPixelFormat(format).bitsPerPixel() < 32 ? 5 : 4;
  }
}

// A decode into `format` at `size`, holding `buffers` more at either size.
// `scalesWhileReading`: the reader reduces the picture row by row for a smaller size,
// never holding it whole. The full decode ends as RGB32 or premultiplied ARGB32: Qt
// converts in place when the pixels do not grow, into a copy when they do.
DecodeCost readerCost(QSize size, QImage::Format format, bool scalesWhileReading = false,
                      qint64 buffers = 0) {
  const qint64 pixels = pixelCount(size);
  const qint64 decoded = pixels * bytesAPixel(format);
  DecodeCost cost;
  cost.full = decoded + (bytesAPixel(format) < 4 ? pixels * 4 : 0) + buffers;
  cost.display = scalesWhileReading ? buffers : decoded + pixels * scaleCopyBytes(format) + buffers;
  return cost;
}

QByteArray readAt(QIODevice& file, qint64 at, qint64 count) {
  if (at < 0 || !file.seek(at)) return {};
  return file.read(count);
}

// ------------------------------------------------------------------ PNG

struct PngHeader {
  QSize size;
  int depth = 0, colour = 0;
  bool interlaced = false;
};

// IHDR of the PNG that starts at `at`.
bool readPngHeader(QIODevice& file, qint64 at, PngHeader& png) {
  const QByteArray head = readAt(file, at, 29);
  if (head.size() < 29 || !head.startsWith("\x89PNG\r\n\x1a\n") || head.mid(12, 4) != "IHDR") return false;
  const quint32 width = readBe(head, 16, 4), height = readBe(head, 20, 4);
  if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) return false;
  png.size = QSize(static_cast<int>(width), static_cast<int>(height));
  png.depth = static_cast<quint8>(head[24]);
  png.colour = static_cast<quint8>(head[25]);
  png.interlaced = static_cast<quint8>(head[28]) != 0;
  return true;
}

// Qt's PNG reader reduces 8-bit colour pictures row by row, unless they are interlaced.
bool pngScalesWhileReading(const PngHeader& png) {
  return png.depth <= 8 && png.colour != 0 && png.colour != 3 && !png.interlaced;
}

// ------------------------------------------------------------------ ICO

// The reader decodes the first entry of the directory, whatever size the directory gives.
DecodeCost icoCost(QIODevice& file, QSize stored) {
  const QByteArray dir = readAt(file, 0, 6 + 16);
  if (dir.size() < 22) return readerCost(stored, QImage::Format_ARGB32);
  const qint64 length = std::min<qint64>(readLe(dir, 14, 4), file.size());
  const qint64 offset = readLe(dir, 18, 4);
  QSize size = stored;
  QImage::Format format = QImage::Format_ARGB32;
  PngHeader png;
  if (readPngHeader(file, offset, png)) {
    // A PNG, read into memory whole and decoded at its own size.
    size = png.size;
    if (png.depth == 16) format = QImage::Format_RGBA64;
  } else {
    // A bitmap: the directory's size, or for 0 (256 and more) the bitmap header's.
    const QByteArray bmp = readAt(file, offset, 16);
    if (bmp.size() == 16) {
      const int width =
          static_cast<quint8>(dir[6]) != 0 ? static_cast<quint8>(dir[6]) : int(readLe(bmp, 4, 4));
      const int height =
          static_cast<quint8>(dir[7]) != 0 ? static_cast<quint8>(dir[7]) : int(readLe(bmp, 8, 4)) / 2;
      size = QSize(width, height);
    }
  }
  // Besides the picture: its one-bit mask, the premultiplied copy the mask is applied to,
  // and the entry's bytes.
  return readerCost(size, format, false, pixelCount(size) / 8 + pixelCount(size) * 4 + length);
}

// ------------------------------------------------------------------ TIFF

// libtiff decodes a whole strip, or a whole tile, into a buffer of its own.
qint64 tiffBuffer(QIODevice& file, QSize stored) {
  const QByteArray head = readAt(file, 0, 8);
  if (head.size() < 8) return pixelCount(stored) * 16;
  const bool little = head.startsWith("II");
  const auto number = [little](const QByteArray& data, qsizetype at, int bytes) {
    return little ? readLe(data, at, bytes) : readBe(data, at, bytes);
  };
  if (number(head, 2, 2) != 42) return pixelCount(stored) * 16;  // BigTIFF: the dearest case
  const qint64 ifd = number(head, 4, 4);
  const QByteArray countBytes = readAt(file, ifd, 2);
  if (countBytes.size() < 2) return pixelCount(stored) * 16;
  const int count = static_cast<int>(number(countBytes, 0, 2));
  const QByteArray entries = readAt(file, ifd + 2, qint64{count} * 12);
  quint32 bits = 8, samples = 1, rowsPerStrip = 0xFFFFFFFF, tileWidth = 0, tileLength = 0;
  for (int i = 0; i < count && (i + 1) * 12 <= entries.size(); ++i) {
    const qsizetype at = qsizetype{i} * 12;
    const quint32 tag = number(entries, at, 2), type = number(entries, at + 2, 2),
                  n = number(entries, at + 4, 4);
    // A SHORT's value sits in the first two bytes of the field; of several values the
    // first is taken (the samples of a pixel have the same depth in practice).
    quint32 value = type == 3 ? number(entries, at + 8, 2) : number(entries, at + 8, 4);
    if (type == 3 && n > 2) {
      const QByteArray first = readAt(file, number(entries, at + 8, 4), 2);
      value = first.size() == 2 ? number(first, 0, 2) : 16;
    }
    switch (tag) {
      case 258: bits = value; break;
      case 277: samples = value; break;
      case 278: rowsPerStrip = value; break;
      case 322: tileWidth = value; break;
      case 323: tileLength = value; break;
      default: break;
    }
  }
  const qint64 height = stored.height();
  if (tileWidth != 0 && tileLength != 0) return (qint64{tileWidth} * samples * bits + 7) / 8 * tileLength;
  const qint64 rowBytes = (stored.width() * qint64{samples} * bits + 7) / 8;
  return rowBytes * std::min<qint64>(rowsPerStrip == 0 ? height : rowsPerStrip, height);
}

// ------------------------------------------------------------------ WebP

// Qt's WebP reader does not tell its pixel format: lossy pictures, and extended ones
// without the alpha flag, are decoded opaque.
QImage::Format webpFormat(QIODevice& file) {
  const QByteArray head = readAt(file, 0, 21);
  if (head.size() >= 16 && head.mid(12, 4) == "VP8 ") return QImage::Format_RGB32;
  if (head.size() >= 21 && head.mid(12, 4) == "VP8X" && (static_cast<quint8>(head[20]) & 0x10) == 0)
    return QImage::Format_RGB32;
  return QImage::Format_ARGB32;
}

}  // namespace

DecodeCost jpegDecodeCost(const jpeg::Header& header, bool turned) {
  const qint64 bytesAPixel = header.components == 1 ? 5 : turned ? 8 : 4;
  return {header.coefficientBytes, header.coefficientBytes + pixelCount(header.size) * bytesAPixel};
}

DecodeCost readerDecodeCost(QIODevice& file, const QByteArray& format, QSize stored, QImage::Format decoded,
                            bool turned) {
  if (decoded == QImage::Format_Invalid)
    decoded = format == "webp" ? webpFormat(file) : QImage::Format_ARGB32;
  DecodeCost cost = readerCost(stored, decoded);
  PngHeader png;
  if (format == "png" && readPngHeader(file, 0, png)) {
    cost = readerCost(png.size, decoded, pngScalesWhileReading(png));
  } else if (format == "ico" || format == "cur") {
    cost = icoCost(file, stored);
  } else if (format == "tif" || format == "tiff") {
    cost = readerCost(stored, decoded, false, tiffBuffer(file, stored));
  }
  // The reader turns the picture upright through a copy.
  if (turned) cost.full += pixelCount(stored) * 4;
  return cost;
}

}  // namespace vantory::qt
