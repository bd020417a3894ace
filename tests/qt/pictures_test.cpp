// Picture loading on Qt: every format the program offers, and whatever else the
// installed plugins read, gives its natural size through the probe and its pixels
// upright; a bad file raises the error of its kind.
#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <functional>

#include "save/qt_picture_files.h"
#include "tests/qt/qt_support.h"
#include "tests/support/pictures.h"

namespace vantory::qttest {
namespace {

const QColor kA(220, 30, 30), kB(30, 200, 40), kC(40, 60, 210), kD(250, 250, 250);

using testing_support::errorOf;

class Pictures : public ::testing::Test {
 protected:
  QTemporaryDir dir_;
};

TEST_F(Pictures, EachFormatGivesItsSizeInTwipsAndItsPixels) {
  const QImage image = quadrants(38, 24, kA, kB, kC, kD);
  const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
  struct Format {
    const char* format;
    int tolerance;  // lossy formats come back close, not exact
  };
  for (const Format& f : {Format{"jpg", 24}, Format{"bmp", 0}, Format{"gif", 0}, Format{"ico", 0},
                          Format{"png", 0}, Format{"tiff", 0}, Format{"webp", 24}}) {
    SCOPED_TRACE(f.format);
    if (QByteArray(f.format) != "gif" && !writable.contains(f.format)) continue;
    const QString path = writeImage(dir_, QString("picture.") + f.format, image, f.format);
    EXPECT_EQ(testing_support::probedSize(path), QSize(38, 24));
    EXPECT_EQ(qt::QtPictureFiles().probe(path.toStdString()), (TwipSize{38 * 15, 24 * 15}));

    // In full (asked for by its size, or by none), and at a display size, upright, in
    // 32-bit pixels and in its colours.
    for (const QSize size : {QSize(38, 24), QSize(76, 48), QSize()}) {
      const QImage decoded = testing_support::decoded(path, size);
      EXPECT_TRUE(decoded.format() == QImage::Format_RGB32 ||
                  decoded.format() == QImage::Format_ARGB32_Premultiplied)
          << decoded.format();
      const QSize wanted = size.isEmpty() ? QSize(38, 24) : size;
      ASSERT_EQ(decoded.size(), wanted);
      const int w = wanted.width() - 1, h = wanted.height() - 1;
      EXPECT_TRUE(sameRgb(decoded.pixel(1, 1), kA, f.tolerance));
      EXPECT_TRUE(sameRgb(decoded.pixel(w - 1, 1), kB, f.tolerance));
      EXPECT_TRUE(sameRgb(decoded.pixel(1, h - 1), kC, f.tolerance));
      EXPECT_TRUE(sameRgb(decoded.pixel(w - 1, h - 1), kD, f.tolerance));
    }
  }
  // An empty path names no file (and not the current folder).
  EXPECT_EQ(errorOf([] { testing_support::probedSize(QString()); }), number(ErrorCode::kFileNotFound));
}

TEST_F(Pictures, ExifOrientationSixIsTurnedUpright) {
  // Stored 64 x 32; orientation 6 shows it turned a quarter clockwise, 32 x 64: the
  // stored top-left quadrant ends up top right, the stored bottom-left one top left.
  QBuffer stored;
  stored.open(QIODevice::WriteOnly);
  QImageWriter writer(&stored, "jpg");
  writer.setQuality(100);
  ASSERT_TRUE(writer.write(quadrants(64, 32, kA, kB, kC, kD)));
  const QString path = dir_.filePath("turned.jpg");
  ASSERT_TRUE(writeBytes(path, withExifOrientation(stored.data(), 6)));

  EXPECT_EQ(testing_support::probedSize(path), QSize(32, 64));
  EXPECT_EQ(qt::QtPictureFiles().probe(path.toStdString()), (TwipSize{32 * 15, 64 * 15}));
  for (const QSize size : {QSize(32, 64), QSize(16, 32)}) {
    SCOPED_TRACE(size.width());
    const QImage upright = testing_support::decoded(path, size);
    ASSERT_EQ(upright.size(), size);
    const int qx = size.width() / 4, qy = size.height() / 4;
    EXPECT_TRUE(sameRgb(upright.pixel(3 * qx, qy), kA, 40));
    EXPECT_TRUE(sameRgb(upright.pixel(3 * qx, 3 * qy), kB, 40));
    EXPECT_TRUE(sameRgb(upright.pixel(qx, qy), kC, 40));
    EXPECT_TRUE(sameRgb(upright.pixel(qx, 3 * qy), kD, 40));
  }
}

TEST_F(Pictures, BadFilesRaiseTheErrorOfTheirKind) {
  // A JPEG whose data stops halfway: the header is whole, the scan is not.
  QImage noise(240, 160, QImage::Format_RGB32);
  quint32 seed = 12345;
  for (int y = 0; y < noise.height(); ++y) {
    for (int x = 0; x < noise.width(); ++x) {
      seed = seed * 1103515245u + 12345u;
      noise.setPixel(x, y, seed >> 8);
    }
  }
  const QByteArray whole = readBytes(writeImage(dir_, "whole.jpg", noise, "jpg"));
  ASSERT_TRUE(writeBytes(dir_.filePath("truncated.jpg"), whole.left(whole.size() / 2)));
  for (const char* format : {"bmp", "gif", "ico"}) {
    const QString name = QString("truncated.") + format;
    const QByteArray bytes = readBytes(writeImage(dir_, name, noise.scaled(120, 80), format));
    ASSERT_TRUE(writeBytes(dir_.filePath(name), bytes.left(bytes.size() / 2)));
  }
  ASSERT_TRUE(writeBytes(dir_.filePath("text.jpg"), "this is not a picture\n"));
  ASSERT_TRUE(writeBytes(dir_.filePath("empty.bmp"), QByteArray()));
  ASSERT_TRUE(writeBytes(dir_.filePath("huge.png"), pngHeaderOnly(100000, 100000)));
  ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.jpg"));

  struct Bad {
    const char* name;
    int error;
  };
  constexpr int kInvalid = number(ErrorCode::kInvalidPicture);
  for (const Bad& bad :
       {Bad{"whole.jpg", 0}, Bad{"missing.jpg", number(ErrorCode::kFileNotFound)}, Bad{"text.jpg", kInvalid},
        Bad{"empty.bmp", kInvalid}, Bad{"truncated.jpg", kInvalid}, Bad{"truncated.bmp", kInvalid},
        Bad{"truncated.gif", kInvalid}, Bad{"truncated.ico", kInvalid},
        // refused from the header alone: nothing of that size is allocated
        Bad{"huge.png", number(ErrorCode::kOutOfMemory)},
        Bad{"folder.jpg", number(ErrorCode::kPathAccess)}}) {
    SCOPED_TRACE(bad.name);
    const QString path = dir_.filePath(bad.name);
    EXPECT_EQ(errorOf([&] {
                testing_support::probedSize(path);               // as Open reads its header
                testing_support::decoded(path, QSize(120, 80));  // as the view shows it
                testing_support::decoded(path);                  // as Save draws on it
              }),
              bad.error);
  }
}

}  // namespace
}  // namespace vantory::qttest
