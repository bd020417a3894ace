#include "picture/jpeg/jpeg_decoder.h"

#include <QtMath>
#include <vector>

#include "picture/jpeg/jpeg_decompressor.h"
#include "picture/picture_errors.h"
#include "picture/platform/platform.h"

namespace vantory::qt::jpeg {
namespace {

Header headerOf(Decompressor& d) {
  j_decompress_ptr cinfo = d.info();
  Header header;
  header.size = QSize(static_cast<int>(cinfo->image_width), static_cast<int>(cinfo->image_height));
  header.components = cinfo->num_components;
  header.coefficientBytes = d.coefficientBytes();
  return header;
}

}  // namespace

bool startsLikeJpeg(QIODevice& file) {
  const QByteArray start = file.peek(2);
  return start.size() == 2 && quint8(start[0]) == 0xFF && quint8(start[1]) == 0xD8;
}

Header readHeader(QIODevice& file, const QString& name) {
  Decompressor d(file, name);
  d.readHeader();
  return headerOf(d);
}

QImage decode(QIODevice& file, const QString& name, QSize scaled,
              const std::function<void(const Header&)>& check, const std::atomic<bool>* stop) {
  Decompressor d(file, name, stop);
  d.readHeader();
  check(headerOf(d));
  j_decompress_ptr cinfo = d.info();

  J_COLOR_SPACE out = JCS_EXT_BGRX;
  QImage::Format format = QImage::Format_RGB32;
  Rows rows = Rows::kDirect;
  switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
      // Grey stays grey, as Qt's plugin keeps it, until after the smooth scaling, which
      // treats grey pixels apart.
      out = JCS_GRAYSCALE;
      format = QImage::Format_Grayscale8;
      break;
    case JCS_YCbCr:
    case JCS_RGB: break;
    case JCS_CMYK:
    case JCS_YCCK:
      out = JCS_CMYK;
      rows = Rows::kCmyk;
      break;
    default:
      if (cinfo->num_components != 3) {
        fail(ErrorCode::kInvalidPicture,
             QString(texts::kPictureUnreadable).arg(name, texts::kUnsupportedColours));
      }
      out = cinfo->jpeg_color_space;
      rows = Rows::kRgb;
  }

  // The DCT reduction Qt's plugin picks for a scaled size: the smallest M/8 that does not
  // go below the wanted size.
  unsigned scaleNum = 8;
  if (!scaled.isEmpty() && cinfo->image_width != 0 && cinfo->image_height != 0) {
    const double f =
        qMin(double(cinfo->image_width) / scaled.width(), double(cinfo->image_height) / scaled.height());
    scaleNum = static_cast<unsigned>(qBound(1, qCeil(8 / f), 8));
  }
  d.setUp(out, scaleNum);

  const QSize size(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height));
  QImage image(size, format);
  if (image.isNull()) fail(ErrorCode::kOutOfMemory, noMemory(name));
  platform::preferHugePages(image);
  std::vector<JSAMPLE> rowBuffer;
  if (rows != Rows::kDirect) {
    rowBuffer.resize(size_t{cinfo->output_width} * static_cast<size_t>(cinfo->output_components));
  }
  // Every row delivered, the end-of-image marker reached in the file itself, no damage.
  const bool whole = d.decodeRows(image.bits(), image.bytesPerLine(), rows, rowBuffer.data()) && d.intact();
  if (!whole) fail(ErrorCode::kInvalidPicture, damaged(name));

  if (cinfo->density_unit == 1) {
    image.setDotsPerMeterX(int(100. * cinfo->X_density / 2.54));
    image.setDotsPerMeterY(int(100. * cinfo->Y_density / 2.54));
  } else if (cinfo->density_unit == 2) {
    image.setDotsPerMeterX(int(100. * cinfo->X_density));
    image.setDotsPerMeterY(int(100. * cinfo->Y_density));
  }
  if (scaled.isValid() && scaled != size) {
    image = image.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (image.isNull()) fail(ErrorCode::kOutOfMemory, noMemory(name));
  }
  return image;
}

}  // namespace vantory::qt::jpeg
