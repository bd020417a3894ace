// The streamed display decode of BMP files against today's path (QImageReader at the
// scaled size, quality 75, then RGB32 or premultiplied ARGB32), pixel for pixel: every bit
// depth, palette, bit-field layout, run-length code, header and row order Qt reads, at
// sizes that take each branch of Qt's smooth scaler; and the damaged files refused.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <random>

#include "core/errors.h"
#include "picture/bmp/bmp_stream.h"
#include "picture/decode_cost.h"
#include "picture/picture_files.h"
#include "tests/bmp/bmp_bytes.h"

namespace vantory::qt {
namespace {

using testing_support::Bmp;

QString write(const QByteArray& data, const QString& name) {
  static QTemporaryDir folder;
  const QString path = folder.filePath(name + ".bmp");
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(data);
  return path;
}

// Today's path: Qt's reader at the scaled size (none: the natural size), then the
// format the view shows.
QImage todays(const QString& path, QSize size = QSize()) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  if (size.isValid()) {
    reader.setScaledSize(size);
    reader.setQuality(75);
  }
  QImage image = reader.read();
  image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  return image;
}

// The largest difference of a channel between two pictures; 256 for another size or format.
int largestDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.format() != b.format()) return 256;
  int largest = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      for (int shift = 0; shift < 32; shift += 8) {
        largest = std::max(largest,
                           std::abs(int(a.pixel(x, y) >> shift & 0xff) - int(b.pixel(x, y) >> shift & 0xff)));
      }
    }
  }
  return largest;
}

int errorOf(const std::function<void()>& work) {
  try {
    work();
  } catch (const AppError& error) {
    return error.number();
  }
  return 0;
}

// Gradients, sharp bands and noise, so that every weight of the scaler shows.
quint32 texture(int x, int y) {
  const quint32 noise = (x * 7919u + y * 104729u) * 2654435761u >> 7;
  return (x * 255 / 97 + (y / 5 % 2) * 60 + (noise & 31)) % 256 | ((y * 3 + x) % 256) << 8 |
         ((noise >> 8) % 256) << 16 | ((x + y) * 5 % 256 | (noise & 1) * 255) << 24;
}

std::vector<QRgb> palette(int count) {
  std::vector<QRgb> colours;
  for (int i = 0; i < count; ++i) colours.push_back(qRgb(i * 97 % 256, 255 - i * 3 % 256, i * 41 % 256));
  return colours;
}

struct Kind {
  const char* name;
  Bmp bmp;
  bool opaque32;             // decoded into RGB32, which Qt always scales smoothly
  bool pastPalette = false;  // indices past the palette: where Qt scales with QPainter, it
                             // reads past the colour table, and no two runs agree
};

// Every kind of BMP Qt's reader takes, but run-length codes (below).
std::vector<Kind> kinds() {
  const auto indexed = [](int bits, std::vector<QRgb> colours, int header = 40) {
    Bmp bmp{.bits = bits, .header = header, .palette = std::move(colours)};
    bmp.pixel = [bits](int x, int y) { return texture(x, y) % (1u << bits); };
    return bmp;
  };
  const auto packed = [](int bits, int compression, int header, std::array<quint32, 4> masks) {
    Bmp bmp{.bits = bits, .compression = compression, .header = header, .masks = masks};
    bmp.pixel = [](int x, int y) { return texture(x, y); };
    return bmp;
  };
  return {
      {"1 bit", indexed(1, {qRgb(20, 30, 90), qRgb(250, 240, 200)}), false},
      {"1 bit, light first", indexed(1, {qRgb(250, 240, 200), qRgb(20, 30, 90)}), false},
      {"1 bit, one colour", indexed(1, {qRgb(200, 10, 10)}), false},
      {"1 bit, OS/2 1.x", indexed(1, {qRgb(0, 90, 0), qRgb(255, 255, 0)}, 12), false},
      {"4 bits", indexed(4, palette(16)), false},
      {"4 bits, 6 colours", indexed(4, palette(6)), false, true},
      {"8 bits", indexed(8, palette(256)), false},
      {"8 bits, 100 colours", indexed(8, palette(100)), false, true},
      {"8 bits, OS/2 1.x", indexed(8, palette(256), 12), false},
      {"16 bits 5-5-5", packed(16, 0, 40, {}), true},
      {"16 bits 5-6-5 fields", packed(16, 3, 40, {0xf800, 0x07e0, 0x001f}), true},
      {"16 bits 4-4-4-4 alpha, v4", packed(16, 3, 108, {0x0f00, 0x00f0, 0x000f, 0xf000}), false},
      {"24 bits", packed(24, 0, 40, {}), true},
      {"24 bits, OS/2 1.x", packed(24, 0, 12, {}), true},
      {"24 bits, OS/2 2.x", packed(24, 0, 64, {}), true},
      {"24 bits, v5", packed(24, 0, 124, {}), true},
      {"32 bits", packed(32, 0, 40, {}), true},
      {"32 bits alpha, v4", packed(32, 0, 108, {0xff0000, 0xff00, 0xff, 0xff000000}), false},
      {"32 bits fields", packed(32, 3, 40, {0xff0000, 0xff00, 0xff}), true},
      {"32 bits 6-bit fields", packed(32, 3, 40, {0x3f000000, 0x3f0000, 0xfc}), true},
      {"32 bits ABGR alpha fields, v5", packed(32, 3, 124, {0xff, 0xff00, 0xff0000, 0xff000000}), false},
  };
}

// Whether the streamed reader is to take the size: Qt scales it with its smooth scaler
// (always for RGB32, else when a side shrinks below half or from a million pixels), and it
// does not grow both ways.
bool streams(const Kind& kind, QSize from, QSize to) {
  if (to.width() >= from.width() && to.height() >= from.height()) return false;
  return kind.opaque32 || to.width() * 2 < from.width() || to.height() * 2 < from.height() ||
         from.width() * from.height() >= (1 << 20);
}

// Compares the streamed display decode (taken where it is to be) with today's path.
void expectShownAsToday(const QString& path, const Kind& kind, QSize from, QSize to,
                        const QString& reference = QString()) {
  SCOPED_TRACE(QString("%1 %2x%3 to %4x%5")
                   .arg(kind.name)
                   .arg(from.width())
                   .arg(from.height())
                   .arg(to.width())
                   .arg(to.height())
                   .toStdString());
  EXPECT_EQ(!decodeBmpShown(path, to).isNull(), streams(kind, from, to));
  if (kind.pastPalette && !streams(kind, from, to)) return;
  EXPECT_EQ(largestDifference(decodePicture(path, to), todays(reference.isEmpty() ? path : reference, to)),
            0);
}

TEST(BmpStream, EveryKindAndRowOrderShowsAsToday) {
  const std::vector<std::pair<QSize, QSize>> sizes = {
      {{97, 61}, {40, 25}}, {{97, 61}, {96, 60}},   {{97, 61}, {49, 31}},
      {{97, 61}, {48, 30}}, {{97, 61}, {96, 61}},   {{97, 61}, {97, 60}},
      {{97, 61}, {12, 8}},  {{97, 61}, {200, 130}}, {{158, 101}, {20, 13}}};
  for (const Kind& kind : kinds()) {
    for (const bool topDown : {false, true}) {
      for (const auto& [from, to] : sizes) {
        Bmp bmp = kind.bmp;
        bmp.width = from.width(), bmp.height = from.height(), bmp.topDown = topDown;
        expectShownAsToday(write(bytes(bmp), "kind"), kind, from, to);
      }
    }
  }
}

TEST(BmpStream, LargePicturesShrunkByLittleShowAsToday) {
  // From a million pixels Qt scales indexed and transparent pictures smoothly too.
  for (const Kind& kind : kinds()) {
    const std::string name = kind.name;
    if (name != "1 bit" && name != "8 bits, 100 colours" && name != "32 bits alpha, v4" && name != "24 bits")
      continue;
    Bmp bmp = kind.bmp;
    bmp.width = 1030, bmp.height = 1020, bmp.topDown = name == "8 bits, 100 colours";
    expectShownAsToday(write(bytes(bmp), "large"), kind, {1030, 1020}, {1029, 1019});
  }
}

TEST(BmpStream, RandomSizesShowAsToday) {
  std::mt19937 random(20261207);
  const std::vector<Kind> all = kinds();
  for (int i = 0; i < 60; ++i) {
    const Kind& kind = all[i % 2 ? 12 : 17];  // 24 bits; 32 bits with alpha
    const QSize from(1 + random() % 150, 1 + random() % 150);
    const QSize to(1 + random() % from.width(), 1 + random() % (i % 3 ? from.height() : 160));
    Bmp bmp = kind.bmp;
    bmp.width = from.width(), bmp.height = from.height(), bmp.topDown = i % 4 < 2;
    expectShownAsToday(write(bytes(bmp), "random"), kind, from, to);
  }
}

TEST(BmpStream, PicturesMadeInTwoHalvesAtOnceShowAsToday) {
  // From 4 megapixels plain rows are read and reduced in two halves on two threads: each
  // result row whole from one half, at sizes whose rows take source rows on both sides of
  // the middle, and growing across.
  const std::vector<Kind> all = kinds();
  const QSize from(2100, 2001);
  for (const int k : {6, 12, 17}) {  // 8 bits; 24 bits; 32 bits with alpha
    for (const bool topDown : {false, true}) {
      Bmp bmp = all[k].bmp;
      bmp.width = from.width(), bmp.height = from.height(), bmp.topDown = topDown;
      const QString path = write(bytes(bmp), "halves");
      for (const QSize to : {QSize(761, 725), QSize(2500, 999), QSize(33, 3), QSize(2099, 2000)}) {
        expectShownAsToday(path, all[k], from, to);
      }
      if (k == 12) {
        // A file that ends before its last row, or in its middle, is refused.
        const QByteArray whole = bytes(bmp);
        EXPECT_EQ(errorOf([&] {
                    decodeBmpShown(write(whole.left(whole.size() - 1), "halfcut"), {761, 725});
                  }),
                  481);
        EXPECT_EQ(errorOf([&] {
                    decodeBmpShown(write(whole.left(whole.size() / 2), "halfcut"), {761, 725});
                  }),
                  481);
      }
    }
  }
}

// Run-length coded rows, with jumps over some pixels and a whole row: Qt leaves the pixels
// a jump passes as the memory was, so the reference is the same indices stored plainly,
// with 0 where a jump passed; without jumps, Qt's reader of the coded file itself.
TEST(BmpStream, RunLengthCodesShowAsToday) {
  const QSize from(97, 61);
  for (const int bits : {4, 8}) {
    for (const bool topDown : {false, true}) {
      for (const bool jumps : {false, true}) {
        const auto skip = [&](int x, int row) {
          return jumps && (row == 9 || (x > 0 && x < from.width() - 1 && (x * 7 + row * 3) % 23 < 3));
        };
        Bmp plain{.width = from.width(),
                  .height = from.height(),
                  .bits = 8,
                  .topDown = topDown,
                  .palette = palette(1 << bits)};
        plain.pixel = [&](int x, int y) {
          return skip(x, topDown ? y : from.height() - 1 - y) ? 0 : texture(x, y) % (1u << bits);
        };
        std::vector<std::vector<uchar>> rows;
        for (int row = 0; row < from.height(); ++row) {
          rows.emplace_back();
          for (int x = 0; x < from.width(); ++x)
            rows.back().push_back(uchar(plain.pixel(x, topDown ? row : from.height() - 1 - row)));
        }
        Bmp coded = plain;
        coded.bits = bits, coded.compression = bits == 8 ? 1 : 2,
        coded.coded = testing_support::runLengths(rows, bits == 4, skip);
        const QString path = write(bytes(coded), "coded");
        const QString reference = jumps ? write(bytes(plain), "plain") : QString();
        const Kind kind{bits == 8 ? "RLE8" : "RLE4", coded, false};
        for (const QSize to : {QSize(40, 25), QSize(12, 8), QSize(48, 30)})
          expectShownAsToday(path, kind, from, to, reference);
      }
    }
  }
}

TEST(BmpStream, DisplayCostIsWhatTheStreamHolds) {
  // From a million pixels the display decode always streams: a chunk and a few rows.
  // Save's full decode costs as before; so does a smaller picture, which may go to Qt.
  Bmp bmp = kinds()[12].bmp;  // 24 bits: RGB32, 4 bytes a pixel decoded whole
  bmp.width = 1030, bmp.height = 1020;
  const DecodeCost large = estimateDecodeCost(write(bytes(bmp), "cost"), "bmp", {1030, 1020}, false, nullptr);
  EXPECT_EQ(large.full, qint64{1030} * 1020 * 4);
  EXPECT_EQ(large.display, (1 << 20) + 4 * 1030 * 4);
  // From 4 megapixels, two halves at once: twice that.
  bmp.width = 2100, bmp.height = 2001;
  const DecodeCost halves =
      estimateDecodeCost(write(bytes(bmp), "cost"), "bmp", {2100, 2001}, false, nullptr);
  EXPECT_EQ(halves.display, 2 * ((1 << 20) + 4 * 2100 * 4));
  bmp.width = 97, bmp.height = 61;
  const DecodeCost small = estimateDecodeCost(write(bytes(bmp), "cost"), "bmp", {97, 61}, false, nullptr);
  EXPECT_EQ(small.display, qint64{97} * 61 * 4);
}

TEST(BmpStream, PictureAtTheShownSizeIsDecodedAsToday) {
  Bmp bmp = kinds()[12].bmp;
  bmp.width = 97, bmp.height = 61;
  const QString path = write(bytes(bmp), "natural");
  EXPECT_EQ(largestDifference(decodePicture(path, {97, 61}), todays(path)), 0);
}

TEST(BmpStream, DamagedFilesAreRefused) {
  Bmp bmp = kinds()[12].bmp;  // 24 bits
  bmp.width = 97, bmp.height = 61;
  const QByteArray whole = bytes(bmp);
  // Cut short: refused by the header check as before, and by the stream itself.
  const QString cut = write(whole.left(whole.size() - 1), "cut");
  EXPECT_EQ(errorOf([&] { decodePicture(cut, {40, 25}); }), 481);
  EXPECT_EQ(errorOf([&] { decodeBmpShown(cut, {40, 25}); }), 481);
  // An OS/2 header, which the header check cannot size: Qt shows it with rows missing.
  bmp.header = 12;
  const QByteArray old = bytes(bmp);
  const QString oldCut = write(old.left(old.size() - 300), "oldcut");
  EXPECT_FALSE(QImageReader(oldCut).read().isNull());
  EXPECT_EQ(errorOf([&] { decodePicture(oldCut, {40, 25}); }), 481);

  // Run-length codes that end before the picture does, or in an absolute stretch.
  Bmp coded{.width = 40, .height = 30, .bits = 8, .compression = 1, .palette = palette(256)};
  std::vector<std::vector<uchar>> rows(30, std::vector<uchar>(40));
  for (int i = 0; i < 1200; ++i) rows[i / 40][i % 40] = uchar(texture(i % 40, i / 40));
  coded.coded = testing_support::runLengths(rows, false);
  const QByteArray codes = bytes(coded);
  EXPECT_EQ(errorOf([&] { decodePicture(write(codes.left(codes.size() / 2), "rlecut"), {13, 10}); }), 481);
  coded.coded = QByteArray("\x00\x20", 2) + QByteArray(10, 'x');  // 32 indices announced, 10 given
  EXPECT_EQ(errorOf([&] { decodePicture(write(bytes(coded), "rleabsolute"), {13, 10}); }), 481);

  // A palette cut off: left to Qt's reader, which refuses it.
  Bmp indexed = kinds()[6].bmp;
  indexed.width = 97, indexed.height = 61;
  const QString noPalette = write(bytes(indexed).left(14 + 40 + 500), "palette");
  EXPECT_TRUE(decodeBmpShown(noPalette, {12, 8}).isNull());
  EXPECT_EQ(errorOf([&] { decodePicture(noPalette, {12, 8}); }), 481);
}

TEST(BmpStream, TopDownPictureIsSizedFromItsHeader) {
  // Qt's reader tells a top-down BMP's height negative; the probe takes the size from the
  // header instead of decoding the whole picture to learn it, so damage in the pixel data
  // is found when the picture is shown.
  Bmp coded{.width = 40, .height = 30, .bits = 8, .compression = 1, .topDown = true, .palette = palette(256)};
  coded.coded = QByteArray("\x00\x20", 2) + QByteArray(10, 'x');  // 32 indices announced, 10 given
  const QString path = write(bytes(coded), "topdown");
  EXPECT_TRUE(QImageReader(path).read().isNull());
  EXPECT_EQ(probePicture(path), QSize(40, 30));
  EXPECT_EQ(errorOf([&] { decodePicture(path, {13, 10}); }), 481);
}

TEST(BmpStream, RunPastItsRowIsLeftToQt) {
  // Past the first coded row, Qt lets a run that passes the row's end write into the row
  // before it in memory: the stream leaves such a file to Qt's reader.
  Bmp coded{.width = 40, .height = 30, .bits = 8, .compression = 1, .palette = palette(256)};
  for (int row = 0; row < 30; ++row)
    coded.coded += QByteArray(row == 1 ? "\x30" : "\x28", 1) + char(row * 8) + QByteArray(2, 0);
  coded.coded += QByteArray("\x00\x01", 2);  // every row whole; row 1 48 pixels long
  const QString path = write(bytes(coded), "overrun");
  EXPECT_TRUE(decodeBmpShown(path, {13, 10}).isNull());
  EXPECT_EQ(largestDifference(decodePicture(path, {13, 10}), todays(path, {13, 10})), 0);
}

}  // namespace
}  // namespace vantory::qt
