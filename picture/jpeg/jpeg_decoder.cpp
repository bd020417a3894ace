#include "picture/jpeg/jpeg_decoder.h"

#include <QtMath>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "picture/jpeg/jpeg_decompressor.h"
#include "picture/picture_errors.h"
#include "picture/platform/platform.h"
#include "picture/side_thread.h"

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

// Decodes into `image` with `d` (set up, header read), a large picture read in one scan in
// two halves at once: `d` the upper half, a second decompressor of the same file the lower
// one, after passing over the upper half's data without making pixels of it. Both read
// their part of the data, so damage anywhere is seen; only the second reads to the end.
// Returns whether the picture is whole.
bool decodeInHalves(Decompressor& d, QIODevice& file, std::mutex& lock, const QString& name,
                    J_COLOR_SPACE out, unsigned scaleNum, QImage& image, const std::atomic<bool>* stop) {
  j_decompress_ptr cinfo = d.info();
  const JDIMENSION height = cinfo->output_height;
  const auto rows = [&image](Decompressor& from, JDIMENSION first, JDIMENSION last) {
    return from.decodeRows(image.bits(), image.bytesPerLine(), Rows::kDirect, nullptr, first, last);
  };
  // The split falls on a row of whole blocks, so that each half starts as a decode would.
  const JDIMENSION unit = static_cast<JDIMENSION>(cinfo->max_v_samp_factor * cinfo->min_DCT_scaled_size);
  const JDIMENSION split = unit == 0 ? 0 : height / 2 / unit * unit;
  const bool halves = height >= 1024 && split > 0 && !jpeg_has_multiple_scans(cinfo) &&
                      std::thread::hardware_concurrency() >= 2;
  if (!halves) return rows(d, 0, height) && d.intact();

  bool lowerWhole = false;
  std::exception_ptr lowerFailed;
  const auto lowerHalf = [&] {
    try {
      Decompressor second(file, lock, name, stop);
      second.readHeader();
      second.setUp(out, scaleNum);
      lowerWhole = rows(second, split, height) && second.intact();
    } catch (...) {
      lowerFailed = std::current_exception();
    }
  };
  SideThread lower(lowerHalf);                                    // joined however this half ends
  if (!lower.started()) return rows(d, 0, height) && d.intact();  // no second thread to be had
  bool upperWhole = false;
  try {
    rows(d, 0, split);
    upperWhole = cinfo->output_scanline == split && d.intact();
  } catch (...) {
    lower.join();
    throw;
  }
  lower.join();
  if (lowerFailed) std::rethrow_exception(lowerFailed);
  return upperWhole && lowerWhole;
}

}  // namespace

bool startsLikeJpeg(QIODevice& file) {
  const QByteArray start = file.peek(2);
  return start.size() == 2 && quint8(start[0]) == 0xFF && quint8(start[1]) == 0xD8;
}

Header readHeader(QIODevice& file, const QString& name) {
  std::mutex lock;
  Decompressor d(file, lock, name);
  d.readHeader();
  return headerOf(d);
}

QImage decode(QIODevice& file, const QString& name, QSize scaled,
              const std::function<void(const Header&)>& check, const std::atomic<bool>* stop, Split split) {
  std::mutex lock;
  Decompressor d(file, lock, name, stop);
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
  const bool whole = rows == Rows::kDirect && split == Split::kHalves
                         ? decodeInHalves(d, file, lock, name, out, scaleNum, image, stop)
                         : d.decodeRows(image.bits(), image.bytesPerLine(), rows, rowBuffer.data(), 0,
                                        cinfo->output_height) &&
                               d.intact();
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
