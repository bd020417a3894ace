#include "picture/bmp/bmp_stream.h"

#include <QFile>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <thread>
#include <vector>

#include "picture/bmp/bmp_layout.h"
#include "picture/bmp/row_scaler.h"
#include "picture/picture_errors.h"
#include "picture/side_thread.h"

namespace vantory::qt {
namespace {

using bmp::Layout;

// Why a decode stopped before the end of the picture.
enum class Outcome { kDone, kEndedEarly, kLeftToQt };

// Whether QImage::scaled reduces a picture of this format with the smooth scaler: always
// for RGB32; for the others (converted to RGB32 or premultiplied ARGB32 first) only when
// a side shrinks to less than half or the picture has a million pixels or more, since
// below that Qt draws the picture with a bilinear QPainter instead.
bool qtScalesSmoothly(QImage::Format format, QSize source, QSize target) {
  if (format == QImage::Format_RGB32) return true;
  return target.height() * 2 < source.height() || target.width() * 2 < source.width() ||
         source.width() * source.height() >= (1 << 20);
}

// Turns stored rows into 32-bit pixels for the scaler: through the palette, or the bit
// fields as Qt's reader computes them; an ARGB32 row premultiplied by Qt itself, as
// QImage::smoothScaled converts the picture before scaling it.
class RowFeeder {
 public:
  RowFeeder(const Layout& layout, RowScaler& scaler)
      : layout_(layout), scaler_(scaler), pixels_(static_cast<size_t>(layout.size.width())) {}

  // A stored row of `layout.bits` a pixel.
  void stored(const uchar* row) {
    const int width = layout_.size.width();
    if (layout_.plainBgr()) {
      scaler_.addBgrRow(row, layout_.bits / 8);
      return;
    }
    QRgb* out = pixels_.data();
    switch (layout_.bits) {
      case 1:
        for (int x = 0; x < width; ++x) out[x] = layout_.colours[(row[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case 4:
        for (int x = 0; x < width; ++x) out[x] = layout_.colours[(row[x >> 1] >> (x & 1 ? 0 : 4)) & 0xf];
        break;
      case 8:
        for (int x = 0; x < width; ++x) out[x] = layout_.colours[row[x]];
        break;
      default: {
        const int bytes = layout_.bits / 8;
        const bool alpha = layout_.format == QImage::Format_ARGB32;
        const auto channel = [this](quint32 pixel, int c) {
          return static_cast<int>(((pixel & layout_.masks[c]) >> layout_.shifts[c]) * layout_.scales[c]);
        };
        for (int x = 0; x < width; ++x, row += bytes) {
          quint32 pixel = row[0] | quint32{row[1]} << 8;
          if (bytes > 2) pixel |= quint32{row[2]} << 16;
          if (bytes > 3) pixel |= quint32{row[3]} << 24;
          out[x] = qRgba(channel(pixel, 0), channel(pixel, 1), channel(pixel, 2),
                         alpha ? channel(pixel, 3) : 0xff);
        }
      }
    }
    pixels();
  }

  // A row of indices, one a byte (a run-length coded row).
  void indexed(const uchar* row) {
    for (int x = 0; x < layout_.size.width(); ++x) pixels_[x] = layout_.colours[row[x]];
    pixels();
  }

 private:
  void pixels() {
    if (layout_.format != QImage::Format_ARGB32) {
      scaler_.addRow(pixels_.data());
      return;
    }
    const QImage row(reinterpret_cast<const uchar*>(pixels_.data()), layout_.size.width(), 1,
                     QImage::Format_ARGB32);
    const QImage premultiplied = row.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (premultiplied.isNull()) throw std::bad_alloc();
    scaler_.addRow(reinterpret_cast<const QRgb*>(premultiplied.constBits()));
  }

  const Layout& layout_;
  RowScaler& scaler_;
  std::vector<QRgb> pixels_;
};

Outcome readRows(const Layout& layout, bmp::ChunkReader& reader, RowFeeder& feeder) {
  for (int y = 0; y < layout.size.height(); ++y) {
    const uchar* row = reader.take(layout.rowBytes);
    if (row == nullptr) return Outcome::kEndedEarly;
    feeder.stored(row);
  }
  return Outcome::kDone;
}

// Whether a picture of rows stored one after another is made in two parts at once, on two
// threads: one of 4 megapixels or more (shown at more than one row).
bool inTwoParts(const Layout& layout) {
  return !layout.runLengths() && qint64{layout.size.width()} * layout.size.height() >= (qint64{1} << 22);
}

// Result rows [from, to) of the picture in `path`, made from the rows of the file they
// cover, read with a file of their own; the other rows of the result are left unset.
QImage scaledPart(const QString& path, const Layout& layout, QSize size, int from, int to) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
    fail(ErrorCode::kInvalidPicture, damaged(path));
  RowScaler scaler(layout.size, size, layout.format == QImage::Format_ARGB32, layout.bottomUp);
  scaler.onlyResultRows(from, to);
  const int height = layout.size.height();
  const int firstStored = layout.bottomUp ? height - 1 - scaler.lastSourceRow() : scaler.firstSourceRow();
  bmp::ChunkReader reader(file);
  if (!reader.seek(layout.dataStart + firstStored * layout.rowBytes))
    fail(ErrorCode::kInvalidPicture, damaged(path));
  RowFeeder feeder(layout, scaler);
  while (!scaler.complete()) {
    const uchar* row = reader.take(layout.rowBytes);
    if (row == nullptr) fail(ErrorCode::kInvalidPicture, damaged(path));
    feeder.stored(row);
  }
  return scaler.takeResult();
}

// The picture made in two parts at once: the upper half of the result on a second thread,
// the lower half on this one, then put together (the parts' sums are those of one pass:
// every result row is made whole by one of them). A file that ends before its rows do is
// damaged, as the reading in one pass finds. Without a second thread (one processor, or
// none to be had), the upper half is made after the lower.
QImage scaledInTwoParts(const QString& path, QFile& file, const Layout& layout, QSize size) {
  if (file.size() < layout.dataStart + layout.rowBytes * layout.size.height()) {
    fail(ErrorCode::kInvalidPicture, damaged(path));
  }
  const int half = size.height() / 2;
  QImage upper;
  std::exception_ptr upperFailed;
  const auto makeUpper = [&] {
    try {
      upper = scaledPart(path, layout, size, 0, half);
    } catch (...) {
      upperFailed = std::current_exception();
    }
  };
  std::optional<SideThread> second;
  if (std::thread::hardware_concurrency() >= 2) second.emplace(makeUpper);
  QImage lower;
  std::exception_ptr lowerFailed;
  try {
    lower = scaledPart(path, layout, size, half, size.height());
  } catch (...) {
    lowerFailed = std::current_exception();
  }
  if (second && second->started()) {
    second->join();
  } else {
    makeUpper();
  }
  if (lowerFailed) std::rethrow_exception(lowerFailed);
  if (upperFailed) std::rethrow_exception(upperFailed);
  if (upper.isNull() || lower.isNull()) throw std::bad_alloc();
  for (int y = 0; y < half; ++y) std::memcpy(lower.scanLine(y), upper.constScanLine(y), upper.bytesPerLine());
  return lower;
}

// Run-length coded rows, decoded as Qt's reader decodes them, in the order they are
// coded: the first coded row is the one stored first. A run is cut at the end of the
// first coded row, as Qt cuts it (and reads the bytes of the shortened run only); on any
// other row Qt lets a run that passes the row's padding write into the row before it in
// memory: such files are left to Qt. Pixels no code reaches are index 0. The code must
// reach its end marker, or the last pixel of the last row, before the file ends.
Outcome readRunLengths(const Layout& layout, bmp::ChunkReader& reader, RowFeeder& feeder) {
  const int width = layout.size.width(), height = layout.size.height();
  const int padded = (width + 3) / 4 * 4;  // an Indexed8 row's bytes
  const bool four = layout.compression == bmp::kRle4;
  std::vector<uchar> row(static_cast<size_t>(padded), 0);
  int x = 0, y = 0;
  int emitted = 0;  // rows handed on
  const auto emitUpTo = [&](int rows) {
    for (; emitted < rows && emitted < height; ++emitted) {
      feeder.indexed(row.data());
      std::fill(row.begin(), row.end(), 0);
    }
  };
  // The length of a run at x, cut as Qt cuts it; false when Qt would write past the row.
  const auto fits = [&](int& count) {
    if (y == 0) {
      count = std::min(count, width - x);
      return true;
    }
    return x + count <= padded;
  };
  uchar b = 0;
  while (y < height) {
    if (!reader.byte(b)) break;
    if (b != 0) {  // a run of one index, or of two alternating nibbles
      int count = b;
      if (!fits(count)) return Outcome::kLeftToQt;
      uchar value = 0;
      if (!reader.byte(value)) return Outcome::kEndedEarly;
      for (int i = 0; i < count; ++i) row[x + i] = four ? (i & 1 ? value & 0x0f : value >> 4) : value;
      x += count;
      continue;
    }
    if (!reader.byte(b)) break;
    if (b == 1) {  // the end of the picture
      emitUpTo(height);
      return Outcome::kDone;
    }
    if (b == 0) {  // the end of a row
      emitUpTo(y + 1);
      x = 0;
      ++y;
    } else if (b == 2) {  // a jump right, and on by rows (up in a bottom-up picture)
      uchar right = 0, up = 0;
      if (!reader.byte(right) || !reader.byte(up)) return Outcome::kEndedEarly;
      x += right;
      const int to = std::min(y + up, height - 1);
      if (x >= width) x = width - 1;
      emitUpTo(to);
      y = to;
    } else {  // absolute: b indices as they are
      int count = b;
      if (!fits(count)) return Outcome::kLeftToQt;
      const int bytes = four ? (count + 1) / 2 : count;
      const uchar* data = reader.take(bytes);
      if (data == nullptr) return Outcome::kEndedEarly;
      for (int i = 0; i < count; ++i)
        row[x + i] = four ? (i & 1 ? data[i / 2] & 0x0f : data[i / 2] >> 4) : data[i];
      // Data is padded to 16 bits; Qt pads by the shortened count.
      if ((four ? (((count & 3) + 1) & 2) == 2 : (count & 1) == 1)) reader.byte(b);
      x += count;
    }
  }
  // Out of data: whole when the rows are done or the last row is full.
  if (y < height - 1 || (y == height - 1 && x < width)) return Outcome::kEndedEarly;
  emitUpTo(height);
  return Outcome::kDone;
}

}  // namespace

QImage decodeBmpShown(const QString& path, QSize size) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return QImage();
  const std::optional<Layout> layout = bmp::readLayout(file);
  if (!layout || !RowScaler::takes(layout->size, size) ||
      !qtScalesSmoothly(layout->format, layout->size, size)) {
    return QImage();
  }
  QImage scaled;
  try {
    if (inTwoParts(*layout) && size.height() >= 2) {
      scaled = scaledInTwoParts(path, file, *layout, size);
    } else {
      bmp::ChunkReader reader(file);
      if (!reader.seek(layout->dataStart)) fail(ErrorCode::kInvalidPicture, damaged(path));
      RowScaler scaler(layout->size, size, layout->format == QImage::Format_ARGB32, layout->bottomUp);
      RowFeeder feeder(*layout, scaler);
      const Outcome outcome =
          layout->runLengths() ? readRunLengths(*layout, reader, feeder) : readRows(*layout, reader, feeder);
      if (outcome == Outcome::kLeftToQt) return QImage();
      if (outcome == Outcome::kEndedEarly || !scaler.complete())
        fail(ErrorCode::kInvalidPicture, damaged(path));
      scaled = scaler.takeResult();
    }
  } catch (const std::bad_alloc&) {
    fail(ErrorCode::kOutOfMemory, noMemory(path));
  }
  if (scaled.isNull()) fail(ErrorCode::kOutOfMemory, noMemory(path));
  // As QImage::transformed hands back a picture it scaled smoothly: in its own format.
  if (layout->format != QImage::Format_RGB32) scaled = scaled.convertToFormat(layout->format);
  if (scaled.isNull()) fail(ErrorCode::kOutOfMemory, noMemory(path));
  return scaled;
}

qint64 bmpStreamBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  const std::optional<Layout> layout = bmp::readLayout(file);
  if (!layout) return -1;
  // The chunk, a row of 32-bit pixels and its premultiplied copy, and row sums no wider;
  // twice over for a picture made in two parts at once (whose second part's result is
  // one more of the shown size, left out here as the result is).
  const qint64 row = qint64{layout->size.width()} * 4;
  const qint64 one = std::max<qint64>(qint64{1} << 20, layout->rowBytes) + 4 * row;
  return inTwoParts(*layout) ? 2 * one : one;
}

}  // namespace vantory::qt
