#include "qt/decode_cost.h"

#include <QFile>
#include <algorithm>

#include "qt/bmp_stream.h"
#include "qt/jpeg_decoder.h"

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
int DecodedEighths(Kind kind) {
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
int ScaleCopyEighths(Kind kind) {
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
int ConvertCopyEighths(Kind kind) {
  switch (kind) {
    case Kind::kOneByte:
    case Kind::kOneBit:
    case Kind::kGray16: return 32;
    default: return 0;
  }
}

qint64 Pixels(QSize size) { return qint64{std::max(0, size.width())} * std::max(0, size.height()); }

// A decode by one of Qt's readers into `kind` at `size`. `scales_while_reading`: the
// reader reduces the picture row by row for a smaller size, never holding it whole.
// `buffers`: what the reader holds besides, at either size.
DecodeCost Cost(QSize size, Kind kind, bool scales_while_reading = false, qint64 buffers = 0) {
  const qint64 pixels = Pixels(size);
  DecodeCost cost;
  cost.decoded = size;
  const qint64 decoded = pixels * DecodedEighths(kind) / 8;
  cost.full = decoded + pixels * ConvertCopyEighths(kind) / 8 + buffers;
  cost.display = scales_while_reading ? buffers : decoded + pixels * ScaleCopyEighths(kind) / 8 + buffers;
  return cost;
}

quint32 Le(const QByteArray& d, qsizetype at, int bytes) {
  quint32 value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | quint8(d.at(at + i));
  return value;
}

quint32 Be(const QByteArray& d, qsizetype at, int bytes) {
  quint32 value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | quint8(d.at(at + i));
  return value;
}

QByteArray ReadAt(QFile& file, qint64 at, qint64 count) {
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
bool ReadPngHeader(QFile& file, qint64 at, qint64 length, PngHeader& png) {
  const QByteArray head = ReadAt(file, at, 33);
  if (head.size() < 33 || !head.startsWith(kPngSignature) || head.mid(12, 4) != "IHDR") return false;
  const quint32 width = Be(head, 16, 4), height = Be(head, 20, 4);
  if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) return false;
  png.size = QSize(int(width), int(height));
  png.depth = quint8(head[24]);
  png.colour = quint8(head[25]);
  png.interlaced = quint8(head[28]) != 0;
  qint64 chunk = at + 8;
  for (int i = 0; i < 1000 && chunk + 8 <= at + length; ++i) {
    const QByteArray top = ReadAt(file, chunk, 8);
    if (top.size() < 8) break;
    const QByteArray type = top.mid(4, 4);
    if (type == "IDAT" || type == "IEND") break;
    if (type == "tRNS") png.transparency = true;
    chunk += 12 + qint64{Be(top, 0, 4)};
  }
  return true;
}

// What Qt's PNG reader decodes into (QPngHandler's choice of format).
Kind PngKind(const PngHeader& png) {
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
bool PngScalesWhileReading(const PngHeader& png) {
  return png.depth <= 8 && png.colour != 0 && png.colour != 3 && !png.interlaced;
}

// ------------------------------------------------------------------ ICO

DecodeCost IcoCost(QFile& file, QSize stored) {
  // The reader decodes the first entry of the directory.
  const QByteArray dir = ReadAt(file, 0, 6 + 16);
  if (dir.size() < 22) return Cost(stored, Kind::kArgb32);
  const int entry_width = quint8(dir[6]), entry_height = quint8(dir[7]);
  const int entry_bits = int(Le(dir, 12, 2));
  const qint64 length = std::min<qint64>(Le(dir, 14, 4), file.size());
  const qint64 offset = Le(dir, 18, 4);

  PngHeader png;
  if (ReadPngHeader(file, offset, length, png)) {
    // An entry that holds a PNG: read into memory whole and decoded at its own size,
    // whatever the directory says.
    return Cost(png.size, PngKind(png), false, length);
  }
  const QByteArray bmp = ReadAt(file, offset, 16);
  if (bmp.size() < 16) return Cost(stored, Kind::kArgb32);
  // A bitmap entry: the directory's size, or for 0 (256 and more) the bitmap header's.
  const int width = entry_width != 0 ? entry_width : int(Le(bmp, 4, 4));
  const int height = entry_height != 0 ? entry_height : int(Le(bmp, 8, 4)) / 2;
  const int bits = Le(bmp, 14, 2) != 0 ? int(Le(bmp, 14, 2)) : entry_bits;
  const QSize size(width, height);
  const Kind kind = bits == 24 ? Kind::kRgb32 : bits > 8 ? Kind::kArgb32 : Kind::kOneByte;
  // Besides the picture: its one-bit mask, and the premultiplied copy the mask is
  // applied to.
  return Cost(size, kind, false, Pixels(size) / 8 + Pixels(size) * 4);
}

// ------------------------------------------------------------------ BMP

DecodeCost BmpCost(QFile& file, QSize stored) {
  const QByteArray head = ReadAt(file, 0, 14 + 56);
  if (head.size() < 30 || !head.startsWith("BM")) return Cost(stored, Kind::kArgb32);
  const quint32 header_size = Le(head, 14, 4);
  int bits = 0;
  bool alpha = false;
  if (header_size == 12) {
    bits = int(Le(head, 24, 2));
  } else {
    bits = int(Le(head, 28, 2));
    alpha = header_size >= 56 && head.size() >= 14 + 56 && Le(head, 14 + 52, 4) != 0;
  }
  // Run-length compressed data is decoded into a picture of the full announced size,
  // however little data follows.
  Kind kind = Kind::kArgb32;
  if (bits == 1) kind = Kind::kOneBit;
  else if (bits == 4 || bits == 8) kind = Kind::kOneByte;
  else if (bits == 24 || ((bits == 16 || bits == 32) && !alpha)) kind = Kind::kRgb32;
  return Cost(stored, kind);
}

// ------------------------------------------------------------------ TIFF

struct Tiff {
  bool little = true;
  QByteArray data;
  quint32 U(qsizetype at, int bytes) const { return little ? Le(data, at, bytes) : Be(data, at, bytes); }
};

DecodeCost TiffCost(QFile& file, QSize stored) {
  Tiff t;
  t.data = ReadAt(file, 0, 8);
  if (t.data.size() < 8) return Cost(stored, Kind::kFloat32);
  t.little = t.data.startsWith("II");
  if (t.U(2, 2) != 42) return Cost(stored, Kind::kFloat32);  // BigTIFF: the dearest case
  const qint64 ifd = t.U(4, 4);
  t.data = ReadAt(file, ifd, 2);
  if (t.data.size() < 2) return Cost(stored, Kind::kFloat32);
  const int count = int(t.U(0, 2));
  t.data = ReadAt(file, ifd + 2, qint64{count} * 12);
  quint32 bits = 1, samples = 1, photometric = 2, rows_per_strip = 0xFFFFFFFF, tile_width = 0,
          tile_length = 0, sample_format = 1;
  for (int i = 0; i < count && (i + 1) * 12 <= t.data.size(); ++i) {
    const qsizetype at = qsizetype{i} * 12;
    const quint32 tag = t.U(at, 2), type = t.U(at + 2, 2), n = t.U(at + 4, 4);
    // A SHORT's value sits in the first two bytes of the field; for several values only
    // the first is taken (the samples of a pixel have the same depth in practice).
    quint32 value = type == 3 ? t.U(at + 8, 2) : t.U(at + 8, 4);
    if (type == 3 && n > 2) {
      const QByteArray first = ReadAt(file, t.U(at + 8, 4), 2);
      value = first.size() == 2 ? (t.little ? Le(first, 0, 2) : Be(first, 0, 2)) : 16;
    }
    switch (tag) {
      case 258: bits = value; break;
      case 262: photometric = value; break;
      case 277: samples = value; break;
      case 278: rows_per_strip = value; break;
      case 322: tile_width = value; break;
      case 323: tile_length = value; break;
      case 339: sample_format = value; break;
      default: break;
    }
  }
  const bool grey = photometric == 0 || photometric == 1;
  const bool floating = sample_format == 3;
  Kind kind = Kind::kArgb32;
  if (grey && bits == 1 && samples == 1) kind = Kind::kOneBit;
  else if ((grey || photometric == 3) && bits == 8 && samples == 1) kind = Kind::kOneByte;
  else if (photometric == 1 && bits == 16 && samples == 1 && !floating) kind = Kind::kGray16;
  else if (bits == 16) kind = floating ? Kind::kFloat16 : Kind::kRgba64;
  else if (bits == 32 && floating) kind = Kind::kFloat32;
  else if (samples < 4) kind = Kind::kRgb32;

  // libtiff decodes a whole strip, or a whole tile, into a buffer of its own.
  const qint64 width = stored.width(), height = stored.height();
  const qint64 row_bytes = (width * samples * bits + 7) / 8;
  qint64 buffer = 0;
  if (tile_width != 0 && tile_length != 0) {
    buffer = (qint64{tile_width} * samples * bits + 7) / 8 * tile_length;
  } else {
    buffer = row_bytes * std::min<qint64>(rows_per_strip == 0 ? height : rows_per_strip, height);
  }
  return Cost(stored, kind, false, buffer);
}

// ------------------------------------------------------------------ WebP

DecodeCost WebpCost(QFile& file, QSize stored) {
  const QByteArray head = ReadAt(file, 0, 21);
  Kind kind = Kind::kArgb32;
  if (head.size() >= 16 && head.mid(12, 4) == "VP8 ") kind = Kind::kRgb32;  // lossy, no alpha
  if (head.size() >= 21 && head.mid(12, 4) == "VP8X" && (quint8(head[20]) & 0x10) == 0) {
    kind = Kind::kRgb32;
  }
  return Cost(stored, kind);
}

}  // namespace

DecodeCost estimateDecodeCost(const QString& path, const QByteArray& format, QSize stored,
                              bool turned, const jpeg::Header* jpeg) {
  if (jpeg != nullptr) {
    // libjpeg keeps the coefficients of a multi-scan file at any output size; the full
    // decode then adds the picture itself, and its turned copy; a grey picture is decoded
    // at a byte a pixel, then converted to 32-bit pixels.
    DecodeCost cost;
    cost.decoded = jpeg->size;
    const qint64 bytes_a_pixel = jpeg->components == 1 ? 5 : turned ? 8 : 4;
    cost.display = jpeg->coefficient_bytes;
    cost.full = jpeg->coefficient_bytes + Pixels(jpeg->size) * bytes_a_pixel;
    return cost;
  }
  DecodeCost cost = Cost(stored, Kind::kArgb32);  // GIF and the rest: 32-bit pixels
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) {
    PngHeader png;
    if (format == "png" && ReadPngHeader(file, 0, file.size(), png)) {
      cost = Cost(png.size, PngKind(png), PngScalesWhileReading(png));
    } else if (format == "ico" || format == "cur") {
      cost = IcoCost(file, stored);
    } else if (format == "bmp") {
      cost = BmpCost(file, stored);
      // Shown, a BMP is reduced row by row as it is read (bmp_stream.h); one of fewer than
      // a million pixels may be left to Qt's reader at some sizes, and costs as before.
      const qint64 streamed = bmpStreamBytes(path);
      if (streamed >= 0 && Pixels(stored) >= (1 << 20)) cost.display = streamed;
    } else if (format == "tif" || format == "tiff") {
      cost = TiffCost(file, stored);
    } else if (format == "webp") {
      cost = WebpCost(file, stored);
    }
  }
  // The reader turns the picture upright through a copy.
  if (turned) cost.full += Pixels(cost.decoded) * 4;
  return cost;
}

}  // namespace vantory::qt
