// Picture loading on Qt: every format the program offers, and whatever else the
// installed plugins read, gives its natural size through the probe and its pixels
// upright; a bad file raises the runtime's error of its kind.
#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <functional>

#include "platform/qt/qt_pictures.h"
#include "platform/qt/qt_runtime.h"
#include "platform/qt/qt_surface.h"
#include "platform/runtime_error.h"
#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

using qt::AsQt;
using qt::QtRuntime;

const QColor kA(220, 30, 30), kB(30, 200, 40), kC(40, 60, 210), kD(250, 250, 250);

class Pictures : public ::testing::Test {
 protected:
  // The natural size as the probe, without Stretch, takes it.
  QSizeF Probed(const PictureRef& picture) {
    qt::ProbeImage probe;
    probe.SetStretch(false);
    probe.SetPicture(picture);
    return {probe.Width(), probe.Height()};
  }
  // The error number raised while `step` runs; 0 for none.
  static int ErrorOf(const std::function<void()>& step) {
    try {
      step();
    } catch (const RuntimeError& error) {
      return error.Number();
    }
    return 0;
  }

  QTemporaryDir dir_;
  QtRuntime runtime_{[] { return static_cast<QWidget*>(nullptr); }};
};

TEST_F(Pictures, EachFormatGivesItsSizeInTwipsAndItsPixels) {
  const QImage image = Quadrants(38, 24, kA, kB, kC, kD);
  const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
  struct Format {
    const char* format;
    int tolerance;  // lossy formats come back close, not exact
  };
  for (const Format& f : {Format{"jpg", 24}, Format{"bmp", 0}, Format{"gif", 0}, Format{"ico", 0},
                          Format{"png", 0}, Format{"tiff", 0}, Format{"webp", 24}}) {
    SCOPED_TRACE(f.format);
    if (QByteArray(f.format) != "gif" && !writable.contains(f.format)) continue;
    const QString path = WriteImage(dir_, QString("picture.") + f.format, image, f.format);
    const PictureRef picture = runtime_.LoadPicture(path.toStdString());
    EXPECT_EQ(Probed(picture), QSizeF(38 * 15, 24 * 15));

    // In full, and at a display size, upright and in its colours.
    for (const QSize size : {QSize(38, 24), QSize(76, 48)}) {
      const QImage decoded = AsQt(picture)->Decode(size);
      ASSERT_EQ(decoded.size(), size);
      const int w = size.width() - 1, h = size.height() - 1;
      EXPECT_TRUE(SameRgb(decoded.pixel(1, 1), kA, f.tolerance));
      EXPECT_TRUE(SameRgb(decoded.pixel(w - 1, 1), kB, f.tolerance));
      EXPECT_TRUE(SameRgb(decoded.pixel(1, h - 1), kC, f.tolerance));
      EXPECT_TRUE(SameRgb(decoded.pixel(w - 1, h - 1), kD, f.tolerance));
    }
  }
  EXPECT_TRUE(runtime_.LoadPicture("")->IsEmpty());
}

TEST_F(Pictures, ExifOrientationSixIsTurnedUpright) {
  // Stored 64 x 32; orientation 6 shows it turned a quarter clockwise, 32 x 64: the
  // stored top-left quadrant ends up top right, the stored bottom-left one top left.
  QBuffer stored;
  stored.open(QIODevice::WriteOnly);
  QImageWriter writer(&stored, "jpg");
  writer.setQuality(100);
  ASSERT_TRUE(writer.write(Quadrants(64, 32, kA, kB, kC, kD)));
  const QString path = dir_.filePath("turned.jpg");
  ASSERT_TRUE(WriteBytes(path, WithExifOrientation(stored.data(), 6)));

  const PictureRef picture = runtime_.LoadPicture(path.toStdString());
  EXPECT_EQ(Probed(picture), QSizeF(32 * 15, 64 * 15));
  for (const QSize size : {QSize(32, 64), QSize(16, 32)}) {
    SCOPED_TRACE(size.width());
    const QImage upright = AsQt(picture)->Decode(size);
    ASSERT_EQ(upright.size(), size);
    const int qx = size.width() / 4, qy = size.height() / 4;
    EXPECT_TRUE(SameRgb(upright.pixel(3 * qx, qy), kA, 40));
    EXPECT_TRUE(SameRgb(upright.pixel(3 * qx, 3 * qy), kB, 40));
    EXPECT_TRUE(SameRgb(upright.pixel(qx, qy), kC, 40));
    EXPECT_TRUE(SameRgb(upright.pixel(qx, 3 * qy), kD, 40));
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
  const QByteArray whole = ReadBytes(WriteImage(dir_, "whole.jpg", noise, "jpg"));
  ASSERT_TRUE(WriteBytes(dir_.filePath("truncated.jpg"), whole.left(whole.size() / 2)));
  for (const char* format : {"bmp", "gif", "ico"}) {
    const QString name = QString("truncated.") + format;
    const QByteArray bytes = ReadBytes(WriteImage(dir_, name, noise.scaled(120, 80), format));
    ASSERT_TRUE(WriteBytes(dir_.filePath(name), bytes.left(bytes.size() / 2)));
  }
  ASSERT_TRUE(WriteBytes(dir_.filePath("text.jpg"), "this is not a picture\n"));
  ASSERT_TRUE(WriteBytes(dir_.filePath("empty.bmp"), QByteArray()));
  ASSERT_TRUE(WriteBytes(dir_.filePath("huge.png"), PngHeaderOnly(100000, 100000)));
  ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.jpg"));

  struct Bad {
    const char* name;
    int error;
  };
  for (const Bad& bad : {Bad{"whole.jpg", 0}, Bad{"missing.jpg", kErrFileNotFound},
                         Bad{"text.jpg", kErrInvalidPicture}, Bad{"empty.bmp", kErrInvalidPicture},
                         Bad{"truncated.jpg", kErrInvalidPicture},
                         Bad{"truncated.bmp", kErrInvalidPicture},
                         Bad{"truncated.gif", kErrInvalidPicture},
                         Bad{"truncated.ico", kErrInvalidPicture},
                         // refused from the header alone: nothing of that size is allocated
                         Bad{"huge.png", kErrOutOfMemory},
                         Bad{"folder.jpg", kErrPathAccess}}) {
    SCOPED_TRACE(bad.name);
    const std::string path = dir_.filePath(bad.name).toStdString();
    EXPECT_EQ(ErrorOf([&] {
                const PictureRef picture = runtime_.LoadPicture(path);
                AsQt(picture)->Decode(QSize(120, 80));  // as Image1 shows it
                AsQt(picture)->Decode();                // as Save draws on it
              }),
              bad.error);
  }
}

}  // namespace
}  // namespace vantory::qttest
