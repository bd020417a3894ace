#include "picture/decode_cost.h"

#include <QFile>
#include <algorithm>

#include "picture/bmp/bmp_stream.h"
#include "picture/jpeg/jpeg_decoder.h"

namespace vantory::qt {
namespace {

// The pixel formats Qt's readers decode into, by what they cost.
enum class Kind {
  kRgb32,          // RGB32
  kArgb32,         // ARGB32, not premultiplied
  kPremultiplied,  // ARGB32_Premultiplied
  kOneByte,        // Indexed8, Grayscale8
  kOneBit,         // Mono
  kGray16,         // Grayscale16
  kRgbx64,         // RGBX64
  kRgba64,         // RGBA64, not premultiplied
  kFloat16,        // RGBX16FPx4 and its kin
  kFloat32,        // RGBX32FPx4 and its kin
};

// Sizes in eighths of a byte a pixel, so that one bit a pixel counts too.
int decodedEighths(Kind kind) {
  switch (kind) {
    case Kind::kOneBit: return 1;
    case Kind::kOneByte: return 8;
    case Kind::kGray16: return 16;
    case Kind::kRgb32:
    case Kind::kArgb32:
    case Kind::kPremultiplied: return 32;
    case Kind::kRgbx64:
    case Kind::kRgba64:
    case Kind::kFloat16: return 64;
    case Kind::kFloat32: return 128;
  }
  return 32;
}

// Smooth scaling works on premultiplied or opaque 32- and 64-bit pixels: any other
// format is first converted into a full-size copy. Indexed and grey pictures cost a byte
// a pixel more on the way (measured with Qt 6.4: 6.1 bytes a pixel in all for 8-bit grey).
int scaleCopyEighths(Kind kind) {
  switch (kind) {
    case Kind::kRgb32:
    case Kind::kPremultiplied:
    case Kind::kRgbx64: return 0;
    case Kind::kArgb32: return 32;
    case Kind::kRgba64:
    case Kind::kGray16:
    case Kind::kFloat16: return 64;
    case Kind::kFloat32: return 128;
    case Kind::kOneByte:
    case Kind::kOneBit: return 40;
  }
  return 40;
}

// The full decode ends as RGB32 or premultiplied ARGB32. Qt converts in place when the
// pixels do not grow (ARGB32, and the 64- and 128-bit formats); smaller ones are
// converted into a copy.
int convertCopyEighths(Kind kind) {
  switch (kind) {
    case Kind::kOneByte:
    case Kind::kOneBit:
    case Kind::kGray16: return 32;
    default: return 0;
  }
}

qint64 pixelCount(QSize size) { return qint64{std::max(0, size.width())} * std::max(0, size.height()); }

// A decode by one of Qt's readers into `kind` at `size`. `scales_while_reading`: the
// reader reduces the picture row by row for a smaller size, never holding it whole.
// `buffers`: what the reader holds besides, at either size.
DecodeCost readerCost(QSize size, Kind kind, bool scalesWhileReading = false, qint64 buffers = 0) {
  const qint64 pixels = pixelCount(size);
  DecodeCost cost;
  cost.decoded = size;
  const qint64 decoded = pixels * decodedEighths(kind) / 8;
  cost.full = decoded + pixels * convertCopyEighths(kind) / 8 + buffers;
  cost.display = scalesWhileReading ? buffers : decoded + pixels * scaleCopyEighths(kind) / 8 + buffers;
  return cost;
}

quint32 le(const QByteArray& d, qsizetype at, int bytes) {
  quint32 value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | quint8(d.at(at + i));
  return value;
}

quint32 be(const QByteArray& d, qsizetype at, int bytes) {
  quint32 value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | quint8(d.at(at + i));
  return value;
}

QByteArray readAt(QFile& file, qint64 at, qint64 count) {
  if (at < 0 || !file.seek(at)) return {};
  return file.read(count);
}

// ------------------------------------------------------------------ PNG

const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);

struct PngHeader {
  QSize size;
  int depth = 0, colour = 0;
  bool interlaced = false, transparency = false;
};

// The header of the PNG that starts at `at` and takes at most `length` bytes: IHDR, and
// whether a tRNS chunk comes before the image data.
bool readPngHeader(QFile& file, qint64 at, qint64 length, PngHeader& png) {
  const QByteArray head = readAt(file, at, 33);
  if (head.size() < 33 || !head.startsWith(kPngSignature) || head.mid(12, 4) != "IHDR") return false;
  const quint32 width = be(head, 16, 4), height = be(head, 20, 4);
  if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) return false;
  png.size = QSize(int(width), int(height));
  png.depth = quint8(head[24]);
  png.colour = quint8(head[25]);
  png.interlaced = quint8(head[28]) != 0;
  qint64 chunk = at + 8;
  for (int i = 0; i < 1000 && chunk + 8 <= at + length; ++i) {
    const QByteArray top = readAt(file, chunk, 8);
    if (top.size() < 8) break;
    const QByteArray type = top.mid(4, 4);
    if (type == "IDAT" || type == "IEND") break;
    if (type == "tRNS") png.transparency = true;
    chunk += 12 + qint64{be(top, 0, 4)};
  }
  return true;
}

// What Qt's PNG reader decodes into (QPngHandler's choice of format).
Kind pngKind(const PngHeader& png) {
  const bool alpha = (png.colour & 4) != 0 || png.transparency;
  if (png.colour == 0) {  // grey
    if (png.depth == 1) return Kind::kOneBit;
    if (png.depth == 16) return png.transparency ? Kind::kRgba64 : Kind::kGray16;
    return Kind::kOneByte;
  }
  if (png.colour == 3) return png.depth == 1 ? Kind::kOneBit : Kind::kOneByte;  // palette
  if (png.depth == 16) return alpha ? Kind::kRgba64 : Kind::kRgbx64;
  return alpha ? Kind::kArgb32 : Kind::kRgb32;
}

// Qt's PNG reader reduces 8-bit colour pictures row by row, unless they are interlaced.
bool pngScalesWhileReading(const PngHeader& png) {
  return png.depth <= 8 && png.colour != 0 && png.colour != 3 && !png.interlaced;
}

// ------------------------------------------------------------------ ICO

DecodeCost icoCost(QFile& file, QSize stored) {
  // The reader decodes the first entry of the directory.
  const QByteArray dir = readAt(file, 0, 6 + 16);
  if (dir.size() < 22) return readerCost(stored, Kind::kArgb32);
  const int entryWidth = quint8(dir[6]), entryHeight = quint8(dir[7]);
  const int entryBits = int(le(dir, 12, 2));
  const qint64 length = std::min<qint64>(le(dir, 14, 4), file.size());
  const qint64 offset = le(dir, 18, 4);

  PngHeader png;
  if (readPngHeader(file, offset, length, png)) {
    // An entry that holds a PNG: read into memory whole and decoded at its own size,
    // whatever the directory says.
    return readerCost(png.size, pngKind(png), false, length);
  }
  const QByteArray bmp = readAt(file, offset, 16);
  if (bmp.size() < 16) return readerCost(stored, Kind::kArgb32);
  // A bitmap entry: the directory's size, or for 0 (256 and more) the bitmap header's.
  const int width = entryWidth != 0 ? entryWidth : int(le(bmp, 4, 4));
  const int height = entryHeight != 0 ? entryHeight : int(le(bmp, 8, 4)) / 2;
  const int bits = le(bmp, 14, 2) != 0 ? int(le(bmp, 14, 2)) : entryBits;
  const QSize size(width, height);
  const Kind kind = bits == 24 ? Kind::kRgb32 : bits > 8 ? Kind::kArgb32 : Kind::kOneByte;
  // Besides the picture: its one-bit mask, and the premultiplied copy the mask is
  // applied to.
  return readerCost(size, kind, false, pixelCount(size) / 8 + pixelCount(size) * 4);
}

// ------------------------------------------------------------------ BMP

DecodeCost bmpCost(QFile& file, QSize stored) {
  const QByteArray head = readAt(file, 0, 14 + 56);
  if (head.size() < 30 || !head.startsWith("BM")) return readerCost(stored, Kind::kArgb32);
  const quint32 headerSize = le(head, 14, 4);
  int bits = 0;
  bool alpha = false;
  if (headerSize == 12) {
    bits = int(le(head, 24, 2));
  } else {
    bits = int(le(head, 28, 2));
    alpha = headerSize >= 56 && head.size() >= 14 + 56 && le(head, 14 + 52, 4) != 0;
  }
  // Run-length compressed data is decoded into a picture of the full announced size,
  // however little data follows.
  Kind kind = Kind::kArgb32;
  if (bits == 1)
    kind = Kind::kOneBit;
  else if (bits == 4 || bits == 8)
    kind = Kind::kOneByte;
  else if (bits == 24 || ((bits == 16 || bits == 32) && !alpha))
    kind = Kind::kRgb32;
  return readerCost(stored, kind);
}

// ------------------------------------------------------------------ TIFF

struct Tiff {
  bool little = true;
  QByteArray data;
  quint32 u(qsizetype at, int bytes) const { return little ? le(data, at, bytes) : be(data, at, bytes); }
};

DecodeCost tiffCost(QFile& file, QSize stored) {
  Tiff t;
  t.data = readAt(file, 0, 8);
  if (t.data.size() < 8) return readerCost(stored, Kind::kFloat32);
  t.little = t.data.startsWith("II");
  if (t.u(2, 2) != 42) return readerCost(stored, Kind::kFloat32);  // BigTIFF: the dearest case
  const qint64 ifd = t.u(4, 4);
  t.data = readAt(file, ifd, 2);
  if (t.data.size() < 2) return readerCost(stored, Kind::kFloat32);
  const int count = int(t.u(0, 2));
  t.data = readAt(file, ifd + 2, qint64{count} * 12);
  quint32 bits = 1, samples = 1, photometric = 2, rowsPerStrip = 0xFFFFFFFF, tileWidth = 0, tileLength = 0,
          sampleFormat = 1;
  for (int i = 0; i < count && (i + 1) * 12 <= t.data.size(); ++i) {
    const qsizetype at = qsizetype{i} * 12;
    const quint32 tag = t.u(at, 2), type = t.u(at + 2, 2), n = t.u(at + 4, 4);
    // A SHORT's value sits in the first two bytes of the field; for several values only
    // the first is taken (the samples of a pixel have the same depth in practice).
    quint32 value = type == 3 ? t.u(at + 8, 2) : t.u(at + 8, 4);
    if (type == 3 && n > 2) {
      const QByteArray first = readAt(file, t.u(at + 8, 4), 2);
      value = first.size() == 2 ? (t.little ? le(first, 0, 2) : be(first, 0, 2)) : 16;
    }
    switch (tag) {
      case 258: bits = value; break;
      case 262: photometric = value; break;
      case 277: samples = value; break;
      case 278: rowsPerStrip = value; break;
      case 322: tileWidth = value; break;
      case 323: tileLength = value; break;
      case 339: sampleFormat = value; break;
      default: break;
    }
  }
  const bool grey = photometric == 0 || photometric == 1;
  const bool floating = sampleFormat == 3;
  Kind kind = Kind::kArgb32;
  if (grey && bits == 1 && samples == 1)
    kind = Kind::kOneBit;
  else if ((grey || photometric == 3) && bits == 8 && samples == 1)
    kind = Kind::kOneByte;
  else if (photometric == 1 && bits == 16 && samples == 1 && !floating)
    kind = Kind::kGray16;
  else if (bits == 16)
    kind = floating ? Kind::kFloat16 : Kind::kRgba64;
  else if (bits == 32 && floating)
    kind = Kind::kFloat32;
  else if (samples < 4)
    kind = Kind::kRgb32;

  // libtiff decodes a whole strip, or a whole tile, into a buffer of its own.
  const qint64 width = stored.width(), height = stored.height();
  const qint64 rowBytes = (width * samples * bits + 7) / 8;
  qint64 buffer = 0;
  if (tileWidth != 0 && tileLength != 0) {
    buffer = (qint64{tileWidth} * samples * bits + 7) / 8 * tileLength;
  } else {
    buffer = rowBytes * std::min<qint64>(rowsPerStrip == 0 ? height : rowsPerStrip, height);
  }
  return readerCost(stored, kind, false, buffer);
}

// ------------------------------------------------------------------ WebP

DecodeCost webpCost(QFile& file, QSize stored) {
  const QByteArray head = readAt(file, 0, 21);
  Kind kind = Kind::kArgb32;
  if (head.size() >= 16 && head.mid(12, 4) == "VP8 ") kind = Kind::kRgb32;  // lossy, no alpha
  if (head.size() >= 21 && head.mid(12, 4) == "VP8X" && (quint8(head[20]) & 0x10) == 0) {
    kind = Kind::kRgb32;
  }
  return readerCost(stored, kind);
}

}  // namespace

DecodeCost estimateDecodeCost(const QString& path, const QByteArray& format, QSize stored, bool turned,
                              const jpeg::Header* jpeg) {
  if (jpeg != nullptr) {
    // libjpeg keeps the coefficients of a multi-scan file at any output size; the full
    // decode then adds the picture itself, and its turned copy; a grey picture is decoded
    // at a byte a pixel, then converted to 32-bit pixels.
    DecodeCost cost;
    cost.decoded = jpeg->size;
    const qint64 bytesAPixel = jpeg->components == 1 ? 5 : turned ? 8 : 4;
    cost.display = jpeg->coefficientBytes;
    cost.full = jpeg->coefficientBytes + pixelCount(jpeg->size) * bytesAPixel;
    return cost;
  }
  DecodeCost cost = readerCost(stored, Kind::kArgb32);  // GIF and the rest: 32-bit pixels
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) {
    PngHeader png;
    if (format == "png" && readPngHeader(file, 0, file.size(), png)) {
      cost = readerCost(png.size, pngKind(png), pngScalesWhileReading(png));
    } else if (format == "ico" || format == "cur") {
      cost = icoCost(file, stored);
    } else if (format == "bmp") {
      cost = bmpCost(file, stored);
      // Shown, a BMP is reduced row by row as it is read (bmp_stream.h); one of fewer than
      // a million pixels may be left to Qt's reader at some sizes, and costs as before.
      const qint64 streamed = bmpStreamBytes(path);
      if (streamed >= 0 && pixelCount(stored) >= (1 << 20)) cost.display = streamed;
    } else if (format == "tif" || format == "tiff") {
      cost = tiffCost(file, stored);
    } else if (format == "webp") {
      cost = webpCost(file, stored);
    }
  }
  // The reader turns the picture upright through a copy.
  if (turned) cost.full += pixelCount(cost.decoded) * 4;
  return cost;
}

}  // namespace vantory::qt
