#include "tests/qt/crafted_files.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>
#include <algorithm>

#include <zlib.h>

namespace vantory::qttest {
namespace {

void putBe32(QByteArray& out, quint32 v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.append(char((v >> shift) & 0xFF));
}
void putLe16(QByteArray& out, quint32 v) { out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); }
void putLe32(QByteArray& out, quint32 v) {
  putLe16(out, v & 0xFFFF);
  putLe16(out, v >> 16);
}

void pngChunk(QByteArray& out, const char* type, const QByteArray& data) {
  putBe32(out, quint32(data.size()));
  const QByteArray body = QByteArray(type) + data;
  out.append(body);
  putBe32(out, quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
}

}  // namespace

// A zlib stream of `count` zero bytes, made without holding them: every 64 KB block,
// compressed after a full flush, comes out the same, so one is repeated; a final empty
// block and the checksum of zeros close the stream.
QByteArray zeroZlib(qint64 count) {
  constexpr int kBlock = 1 << 16;
  static const QByteArray kZeros(kBlock, '\0');
  z_stream z{};
  deflateInit(&z, 9);
  const auto flush = [&z](int length) {
    QByteArray out(int(deflateBound(&z, uLong(length))) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(kZeros.constData()));
    z.avail_in = uInt(length);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FULL_FLUSH);
    out.truncate(out.size() - int(z.avail_out));
    return out;
  };
  qint64 done = std::min<qint64>(count, kBlock);
  QByteArray stream = flush(int(done));  // with the zlib header
  if (count - done >= kBlock) {
    const QByteArray block = flush(kBlock);
    for (; count - done >= kBlock; done += kBlock) stream.append(block);
  }
  stream.append(flush(int(count - done)));
  deflateEnd(&z);
  stream.append(char(0x03)).append('\0');               // a last, empty block with fixed codes
  putBe32(stream, quint32((count % 65521) << 16 | 1));  // Adler-32 of zeros
  return stream;
}

// A whole, valid PNG of zeros: black, or transparent black.
QByteArray zeroPng(int width, int height, int depth, int colour, bool interlaced) {
  const int channels = colour == 2 ? 3 : colour == 4 ? 2 : colour == 6 ? 4 : 1;
  const qint64 bits = qint64{channels} * depth;
  qint64 data = 0;
  if (!interlaced) {
    data = height * (1 + (width * bits + 7) / 8);
  } else {
    struct Pass {
      int x0, y0, dx, dy;
    };
    for (const Pass p : {Pass{0, 0, 8, 8}, Pass{4, 0, 8, 8}, Pass{0, 4, 4, 8}, Pass{2, 0, 4, 4},
                         Pass{0, 2, 2, 4}, Pass{1, 0, 2, 2}, Pass{0, 1, 1, 2}}) {
      const qint64 w = width > p.x0 ? (width - p.x0 + p.dx - 1) / p.dx : 0;
      const qint64 h = height > p.y0 ? (height - p.y0 + p.dy - 1) / p.dy : 0;
      if (w > 0 && h > 0) data += h * (1 + (w * bits + 7) / 8);
    }
  }
  QByteArray out("\x89PNG\r\n\x1A\n", 8);
  QByteArray header;
  putBe32(header, quint32(width));
  putBe32(header, quint32(height));
  header.append(char(depth)).append(char(colour)).append('\0').append('\0').append(char(interlaced));
  pngChunk(out, "IHDR", header);
  pngChunk(out, "IDAT", zeroZlib(data));
  pngChunk(out, "IEND", QByteArray());
  return out;
}

// An icon whose directory announces `width` x `height` and whose one entry holds `png`.
QByteArray iconHolding(const QByteArray& png, int width, int height) {
  QByteArray out;
  putLe16(out, 0);
  putLe16(out, 1);  // an icon
  putLe16(out, 1);  // one entry
  out.append(char(width)).append(char(height)).append('\0').append('\0');
  putLe16(out, 1);   // planes
  putLe16(out, 32);  // bits a pixel
  putLe32(out, quint32(png.size()));
  putLe32(out, 22);  // where the entry's data starts
  return out + png;
}

// A run-length compressed 8-bit bitmap of `width` x `height` whose data is only the
// end-of-bitmap code.
QByteArray rleBitmap(int width, int height) {
  const QByteArray data("\x00\x01", 2);
  const int colours = 2;
  const quint32 offset = 14 + 40 + 4 * colours;
  QByteArray out("BM");
  putLe32(out, offset + quint32(data.size()));
  putLe32(out, 0);
  putLe32(out, offset);
  putLe32(out, 40);
  putLe32(out, quint32(width));
  putLe32(out, quint32(height));
  putLe16(out, 1);
  putLe16(out, 8);
  putLe32(out, 1);  // BI_RLE8
  putLe32(out, quint32(data.size()));
  putLe32(out, 2835);
  putLe32(out, 2835);
  putLe32(out, colours);
  putLe32(out, 0);
  out.append(QByteArray(4 * colours, '\0'));
  return out + data;
}

// A TIFF of `width` x `height` 8-bit RGB zeros in one zip-compressed strip.
QByteArray zipTiff(int width, int height) {
  const QByteArray strip = zeroZlib(qint64{width} * height * 3);
  struct Entry {
    quint16 tag, type;
    quint32 count, value;
  };
  const quint32 entries = 10;
  const quint32 bitsAt = 8 + 2 + entries * 12 + 4;
  const quint32 stripAt = bitsAt + 6;
  const Entry ifd[] = {{256, 4, 1, quint32(width)},
                       {257, 4, 1, quint32(height)},
                       {258, 3, 3, bitsAt},
                       {259, 3, 1, 8},
                       {262, 3, 1, 2},
                       {273, 4, 1, stripAt},
                       {277, 3, 1, 3},
                       {278, 4, 1, quint32(height)},
                       {279, 4, 1, quint32(strip.size())},
                       {284, 3, 1, 1}};
  QByteArray out("II");
  putLe16(out, 42);
  putLe32(out, 8);
  putLe16(out, entries);
  for (const Entry& e : ifd) {
    putLe16(out, e.tag);
    putLe16(out, e.type);
    putLe32(out, e.count);
    putLe32(out, e.value);
  }
  putLe32(out, 0);  // no next directory
  for (int i = 0; i < 3; ++i) putLe16(out, 8);
  return out + strip;
}

QByteArray jpegOf(const QImage& image, bool progressive) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpg");
  writer.setQuality(90);
  writer.setProgressiveScanWrite(progressive);
  EXPECT_TRUE(writer.write(image));
  return buffer.data();
}

// `jpeg` with the size in its start-of-frame marker (baseline or progressive) replaced.
QByteArray withFrameSize(QByteArray jpeg, int width, int height) {
  for (qsizetype at = 2; at + 9 < jpeg.size(); ++at) {
    const quint8 marker = quint8(jpeg[at + 1]);
    if (quint8(jpeg[at]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
      jpeg[at + 5] = char(height >> 8);
      jpeg[at + 6] = char(height & 0xFF);
      jpeg[at + 7] = char(width >> 8);
      jpeg[at + 8] = char(width & 0xFF);
      return jpeg;
    }
  }
  ADD_FAILURE() << "no start-of-frame marker";
  return jpeg;
}

QByteArray webpWithSize(bool alpha, int width, int height) {
  QImage image(64, 48, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  image.fill(qRgba(10, 20, 30, alpha ? 100 : 255));
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "webp");
  writer.setQuality(50);
  EXPECT_TRUE(writer.write(image));
  QByteArray webp = buffer.data();
  if (webp.mid(12, 4) == "VP8X") {  // the canvas, less one, in 24 bits each
    for (int i = 0; i < 3; ++i) {
      webp[24 + i] = char((width - 1) >> (8 * i));
      webp[27 + i] = char((height - 1) >> (8 * i));
    }
  } else {  // the lossy frame's header: 14 bits each
    webp[26] = char(width & 0xFF), webp[27] = char(width >> 8 & 0x3F);
    webp[28] = char(height & 0xFF), webp[29] = char(height >> 8 & 0x3F);
  }
  return webp;
}

QImage noise(int width, int height, quint32 seed) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245u + 12345u;
      // Smooth colours with some noise, as in a photo.
      image.setPixel(x, y,
                     qRgb((x * 255 / width + int(seed >> 28)) & 0xFF, (y * 255 / height) & 0xFF,
                          (x + y + int(seed >> 26)) & 0xFF));
    }
  }
  return image;
}

}  // namespace vantory::qttest
