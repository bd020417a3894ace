// JPEG pictures are decoded with libjpeg directly; they must come out exactly as Qt's
// own reader gives them (at quality 75, with the scaled size of the stored picture and
// the EXIF orientation applied), at the natural size and at display sizes, for every
// kind of JPEG: baseline and progressive, 4:2:0 and 4:4:4, grey, CMYK, turned.
#include <QBuffer>
#include <QImageReader>
#include <atomic>
#include <cstdio>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "picture/jpeg/jpeg_decoder.h"
#include "tests/qt/qt_support.h"
#include "tests/support/pictures.h"

namespace vantory::qttest {
namespace {

QImage photoLike(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  quint32 seed = 99;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245u + 12345u;
      image.setPixel(x, y,
                     qRgb((x * 3 + int(seed >> 29)) & 0xFF, (y * 2 + x / 4) & 0xFF,
                          (255 - x + y + int(seed >> 27)) & 0xFF));
    }
  }
  return image;
}

enum class Kind { k420, k444, kGrey, kCmyk };

// Encodes `image` with libjpeg: the chroma subsampling, grey or CMYK, and the
// progressive mode are chosen here rather than left to Qt's writer.
QByteArray encode(const QImage& image, Kind kind, bool progressive) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(image.width());
  cinfo.image_height = JDIMENSION(image.height());
  cinfo.input_components = kind == Kind::kGrey ? 1 : kind == Kind::kCmyk ? 4 : 3;
  cinfo.in_color_space = kind == Kind::kGrey ? JCS_GRAYSCALE : kind == Kind::kCmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 88, TRUE);
  if (kind == Kind::kCmyk) jpeg_set_colorspace(&cinfo, JCS_YCCK);
  if (kind == Kind::k444) {
    for (int i = 0; i < 3; ++i) cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
  }
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(size_t(image.width()) * 4);
  while (cinfo.next_scanline < cinfo.image_height) {
    const auto* pixel = reinterpret_cast<const QRgb*>(image.constScanLine(int(cinfo.next_scanline)));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = pixel[x];
      if (kind == Kind::kGrey) {
        row[size_t(x)] = JSAMPLE(qGray(p));
      } else if (kind == Kind::kCmyk) {
        JSAMPLE* at = &row[size_t(x) * 4];
        at[0] = JSAMPLE(qRed(p));
        at[1] = JSAMPLE(qGreen(p));
        at[2] = JSAMPLE(qBlue(p));
        at[3] = JSAMPLE(200 + x % 56);
      } else {
        JSAMPLE* at = &row[size_t(x) * 3];
        at[0] = JSAMPLE(qRed(p));
        at[1] = JSAMPLE(qGreen(p));
        at[2] = JSAMPLE(qBlue(p));
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
  std::free(buffer);
  return bytes;
}

// What Qt's reader gives for `path` at `target` (the upright size; empty: natural), as
// the program read JPEG pictures before: quality 75 and the scaled size of the stored
// picture, then scaled to the exact size and made RGB32.
QImage throughQt(const QString& path, QSize target, QSize natural) {
  QImageReader reader(path);
  reader.setAutoTransform(true);
  if (!target.isEmpty()) {
    QSize stored = target;
    if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90)) stored.transpose();
    reader.setScaledSize(stored);
    reader.setQuality(75);
  }
  QImage image = reader.read();
  const QSize wanted = target.isEmpty() ? natural : target;
  if (image.size() != wanted) image = image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return image.convertToFormat(QImage::Format_RGB32);
}

int differing(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return -1;
  int count = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
  }
  return count;
}

TEST(JpegPixels, TheSameAsQtsReaderAtEverySizeForEveryKind) {
  QTemporaryDir dir;
  const QImage photo = photoLike(301, 203);  // edges of partial blocks on both sides
  struct Case {
    const char* name;
    Kind kind;
    bool progressive;
    int orientation;  // EXIF; 0 for none
  };
  const Case cases[] = {{"baseline 4:2:0", Kind::k420, false, 0},
                        {"baseline 4:4:4", Kind::k444, false, 0},
                        {"progressive 4:2:0", Kind::k420, true, 0},
                        {"progressive 4:4:4", Kind::k444, true, 0},
                        {"grey", Kind::kGrey, false, 0},
                        {"progressive grey", Kind::kGrey, true, 0},
                        {"CMYK", Kind::kCmyk, false, 0},
                        {"turned 6", Kind::k420, false, 6},
                        {"turned 8", Kind::k420, true, 8},
                        {"mirrored and turned 5", Kind::k444, false, 5},
                        {"turned 3", Kind::k420, false, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QByteArray bytes = encode(photo, c.kind, c.progressive);
    if (c.orientation != 0) bytes = withExifOrientation(bytes, c.orientation);
    const QString path = dir.filePath("photo.jpg");
    ASSERT_TRUE(writeBytes(path, bytes));
    const QSize natural = testing_support::probedSize(path);
    const QSize turned = c.orientation >= 5 ? QSize(203, 301) : QSize(301, 203);
    ASSERT_EQ(natural, turned);
    // The natural size, the DCT reductions to 1/2 .. 1/8 with and without smoothing to an
    // odd size, and an enlargement.
    for (const QSize size :
         {QSize(), natural / 2, natural / 4, natural / 8,
          QSize(natural.width() * 5 / 7, natural.height() * 5 / 7), QSize(97, 61), natural * 2}) {
      SCOPED_TRACE(::testing::PrintToString(size.width()) + " x " + ::testing::PrintToString(size.height()));
      const QImage ours = testing_support::decoded(path, size);
      const QImage qts = throughQt(path, size, natural);
      EXPECT_EQ(ours.format(), QImage::Format_RGB32);
      EXPECT_EQ(differing(ours, qts), 0);
      EXPECT_EQ(ours.dotsPerMeterX(), qts.dotsPerMeterX());
    }
  }
}

// The number of the error `step` ends with (0 for none).
template <typename Step>
int errorOf(Step&& step) {
  try {
    step();
  } catch (const AppError& error) {
    return error.number();
  }
  return 0;
}

// A picture of a thousand rows or more, read in one scan, is decoded in two halves at once:
// the pixels are those of Qt's reader, and damage or a cut in either half is found.
TEST(JpegPixels, LargePicturesDecodedInTwoHalvesAreTheSame) {
  QTemporaryDir dir;
  const QImage photo = photoLike(1203, 1107);  // odd block rows at the split and the end
  const QString path = dir.filePath("large.jpg");
  for (const Kind kind : {Kind::k420, Kind::k444, Kind::kGrey}) {
    SCOPED_TRACE(int(kind));
    const QByteArray bytes = encode(photo, kind, false);
    ASSERT_TRUE(writeBytes(path, bytes));
    const QImage ours = testing_support::decoded(path);
    EXPECT_EQ(differing(ours, throughQt(path, QSize(), photo.size())), 0);
    // A stray end-of-image marker a third and two thirds of the way through the data: in
    // the upper half, then in the lower one. And the file cut short.
    for (const double at : {0.3, 0.7}) {
      QByteArray damaged = bytes;
      damaged[qsizetype(bytes.size() * at)] = char(0xFF);
      damaged[qsizetype(bytes.size() * at) + 1] = char(0xD9);
      ASSERT_TRUE(writeBytes(path, damaged));
      EXPECT_EQ(errorOf([&] { testing_support::decoded(path); }), number(ErrorCode::kInvalidPicture)) << at;
    }
    ASSERT_TRUE(writeBytes(path, bytes.left(bytes.size() - 500)));
    EXPECT_EQ(errorOf([&] { testing_support::decoded(path); }), number(ErrorCode::kInvalidPicture));
  }
}

// A decode asked to stop on the way (another picture was opened since it started) throws
// DecodeStopped instead of finishing a picture nobody wants: here the file asks once the
// decoder has read its first chunk.
TEST(JpegPixels, ADecodeAskedToStopStopsOnTheWay) {
  std::atomic<bool> stop = false;
  struct Stopping : QBuffer {
    std::atomic<bool>* stop = nullptr;
    qint64 readData(char* data, qint64 size) override {
      *stop = true;
      return QBuffer::readData(data, size);
    }
  } file;
  file.setData(encode(photoLike(1200, 800), Kind::k420, false));
  file.stop = &stop;
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_THROW(qt::jpeg::decode(
                   file, "photo.jpg", QSize(), [](const qt::jpeg::Header&) {}, &stop),
               qt::DecodeStopped);
}

}  // namespace
}  // namespace vantory::qttest
