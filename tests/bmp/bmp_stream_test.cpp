// The streamed display decode of BMP files against Qt's path (QImageReader at the scaled
// size, quality 75, then RGB32 or premultiplied ARGB32), pixel for pixel: the 24- and
// 32-bit layouts it streams, in every header and row order Qt reads, at sizes that take
// each branch of Qt's smooth scaler, in one pass and in two halves at once; the kinds it
// leaves to Qt's reader; and the damaged files refused.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <random>

#include "core/errors.h"
#include "picture/bmp/bmp_stream.h"
#include "tests/bmp/bmp_bytes.h"
#include "tests/support/pictures.h"

namespace vantory::qt {
namespace {

using testing_support::Bmp;
using testing_support::decoded;
using testing_support::errorOf;

QString write(const QByteArray& data, const QString& name) {
  static QTemporaryDir folder;
  const QString path = folder.filePath(name + ".bmp");
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(data);
  return path;
}

// The streamed reader on its own.
QImage streamed(const QString& path, QSize size) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return decodeBmpShown(file, path, size);
}

// Qt's path: its reader at the scaled size (none: the natural size), then the format the
// view shows.
QImage qtPath(const QString& path, QSize size = QSize()) {
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

// Gradients, sharp bands and noise, so that every weight of the scaler shows.
quint32 texture(int x, int y) {
  const quint32 noise = (x * 7919u + y * 104729u) * 2654435761u >> 7;
  return (x * 255 / 97 + (y / 5 % 2) * 60 + (noise & 31)) % 256 | ((y * 3 + x) % 256) << 8 |
         ((noise >> 8) % 256) << 16 | ((x + y) * 5 % 256 | (noise & 1) * 255) << 24;
}

struct Kind {
  const char* name;
  Bmp bmp;
  bool streamed;  // read by the streamed reader; the others by Qt's
};

Kind packed(const char* name, int bits, int compression, int header, std::array<quint32, 4> masks,
            bool streamed) {
  return {name,
          Bmp{.bits = bits,
              .compression = compression,
              .header = header,
              .masks = masks,
              .pixel = [](int x, int y) { return texture(x, y); }},
          streamed};
}

Kind indexed(const char* name, int bits) {
  Bmp bmp{.bits = bits};
  for (int i = 0; i < 1 << bits; ++i)
    bmp.palette.push_back(qRgb(i * 97 % 256, 255 - i * 3 % 256, i * 41 % 256));
  bmp.pixel = [bits](int x, int y) { return texture(x, y) % (1u << bits); };
  return {name, bmp, false};
}

const Kind k24 = packed("24 bits", 24, 0, 40, {}, true);
const Kind k32 = packed("32 bits", 32, 0, 40, {}, true);

// The streamed kinds in every header Qt reads them with, and a few of those left to Qt.
std::vector<Kind> kinds() {
  return {
      k24,
      packed("24 bits, OS/2 1.x", 24, 0, 12, {}, true),
      packed("24 bits, OS/2 2.x", 24, 0, 64, {}, true),
      packed("24 bits, v5", 24, 0, 124, {}, true),
      k32,
      packed("32 bits, v4 without alpha", 32, 0, 108, {0xff0000, 0xff00, 0xff, 0}, true),
      packed("32 bits alpha, v4", 32, 0, 108, {0xff0000, 0xff00, 0xff, 0xff000000}, false),
      packed("32 bits fields", 32, 3, 40, {0xff0000, 0xff00, 0xff}, false),
      packed("16 bits 5-5-5", 16, 0, 40, {}, false),
      indexed("1 bit", 1),
      indexed("8 bits", 8),
  };
}

// Compares the display decode with Qt's path; the streamed reader takes the sizes that
// shrink one way or both.
void expectShownAsQt(const QString& path, const Kind& kind, QSize from, QSize to) {
  SCOPED_TRACE(QString("%1 %2x%3 to %4x%5")
                   .arg(kind.name)
                   .arg(from.width())
                   .arg(from.height())
                   .arg(to.width())
                   .arg(to.height())
                   .toStdString());
  const bool shrinks = to.width() < from.width() || to.height() < from.height();
  EXPECT_EQ(!streamed(path, to).isNull(), kind.streamed && shrinks);
  EXPECT_EQ(largestDifference(decoded(path, to), qtPath(path, to)), 0);
}

TEST(BmpStream, EveryKindAndRowOrderShowsAsQtShowsIt) {
  const std::vector<std::pair<QSize, QSize>> sizes = {
      {{97, 61}, {40, 25}}, {{97, 61}, {96, 60}},   {{97, 61}, {49, 31}},
      {{97, 61}, {48, 30}}, {{97, 61}, {96, 61}},   {{97, 61}, {97, 60}},
      {{97, 61}, {12, 8}},  {{97, 61}, {200, 130}}, {{158, 101}, {20, 13}}};
  for (const Kind& kind : kinds()) {
    for (const bool topDown : {false, true}) {
      for (const auto& [from, to] : sizes) {
        Bmp bmp = kind.bmp;
        bmp.width = from.width(), bmp.height = from.height(), bmp.topDown = topDown;
        expectShownAsQt(write(bytes(bmp), "kind"), kind, from, to);
      }
    }
  }
}

TEST(BmpStream, RandomSizesShowAsQtShowsThem) {
  std::mt19937 random(20261207);
  for (int i = 0; i < 60; ++i) {
    const Kind& kind = i % 2 ? k24 : k32;
    const QSize from(1 + random() % 150, 1 + random() % 150);
    const QSize to(1 + random() % from.width(), 1 + random() % (i % 3 ? from.height() : 160));
    Bmp bmp = kind.bmp;
    bmp.width = from.width(), bmp.height = from.height(), bmp.topDown = i % 4 < 2;
    expectShownAsQt(write(bytes(bmp), "random"), kind, from, to);
  }
}

TEST(BmpStream, PicturesMadeInTwoHalvesAtOnceShowAsQtShowsThem) {
  // From 4 megapixels the rows are read and reduced in two halves on two threads: each
  // result row whole from one half, at sizes whose rows take source rows on both sides of
  // the middle, and growing across.
  const QSize from(2100, 2001);
  for (const Kind& kind : {k24, k32}) {
    for (const bool topDown : {false, true}) {
      Bmp bmp = kind.bmp;
      bmp.width = from.width(), bmp.height = from.height(), bmp.topDown = topDown;
      const QByteArray whole = bytes(bmp);
      const QString path = write(whole, "halves");
      for (const QSize to : {QSize(761, 725), QSize(2500, 999), QSize(33, 3), QSize(2099, 2000)}) {
        expectShownAsQt(path, kind, from, to);
      }
      // A file that ends before its last row, or in its middle, is refused.
      for (const qsizetype cut : {whole.size() - 1, whole.size() / 2}) {
        EXPECT_EQ(errorOf([&] { streamed(write(whole.left(cut), "halfcut"), {761, 725}); }), 481);
      }
    }
  }
}

TEST(BmpStream, PictureAtTheShownSizeIsDecodedAsQtDecodesIt) {
  Bmp bmp = k24.bmp;
  bmp.width = 97, bmp.height = 61;
  const QString path = write(bytes(bmp), "natural");
  EXPECT_EQ(largestDifference(decoded(path, {97, 61}), qtPath(path)), 0);
}

TEST(BmpStream, DamagedFilesAreRefused) {
  Bmp bmp = k24.bmp;
  bmp.width = 97, bmp.height = 61;
  const QByteArray whole = bytes(bmp);
  // Cut short: refused by the header check, and by the stream itself.
  const QString cut = write(whole.left(whole.size() - 1), "cut");
  EXPECT_EQ(errorOf([&] { decoded(cut, {40, 25}); }), 481);
  EXPECT_EQ(errorOf([&] { streamed(cut, {40, 25}); }), 481);
  // An OS/2 header, which the header check cannot size: Qt shows it with rows missing.
  bmp.header = 12;
  const QByteArray old = bytes(bmp);
  const QString oldCut = write(old.left(old.size() - 300), "oldcut");
  EXPECT_FALSE(QImageReader(oldCut).read().isNull());
  EXPECT_EQ(errorOf([&] { decoded(oldCut, {40, 25}); }), 481);

  // Run-length codes that end before the picture does, or in an absolute stretch: Qt's
  // reader makes up the rest; whole, they are read.
  Bmp coded{
      .width = 40, .height = 30, .bits = 8, .compression = 1, .palette = std::vector<QRgb>(256, 0xff336699)};
  std::vector<std::vector<uchar>> rows(30, std::vector<uchar>(40));
  for (int i = 0; i < 1200; ++i) rows[i / 40][i % 40] = uchar(texture(i % 40, i / 40));
  coded.coded = testing_support::runLengths(rows, false);
  const QByteArray codes = bytes(coded);
  EXPECT_EQ(errorOf([&] { decoded(write(codes, "rlewhole"), {13, 10}); }), 0);
  EXPECT_EQ(errorOf([&] { decoded(write(codes.left(codes.size() / 2), "rlecut"), {13, 10}); }), 481);
  coded.coded = QByteArray("\x00\x20", 2) + QByteArray(10, 'x');  // 32 indices announced, 10 given
  EXPECT_EQ(errorOf([&] { decoded(write(bytes(coded), "rleabsolute"), {13, 10}); }), 481);
}

TEST(BmpStream, TopDownPictureIsSizedFromItsHeader) {
  // Qt's reader tells a top-down BMP's height negative; the probe takes the size from the
  // header instead of decoding the whole picture to learn it.
  Bmp bmp = k24.bmp;
  bmp.width = 40, bmp.height = 30, bmp.topDown = true;
  EXPECT_EQ(testing_support::probedSize(write(bytes(bmp), "topdown")), QSize(40, 30));
}

}  // namespace
}  // namespace vantory::qt
