#include "picture/bmp/bmp_stream.h"

#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include "picture/bmp/bmp_layout.h"
#include "picture/bmp/row_scaler.h"
#include "picture/picture_errors.h"
#include "picture/side_thread.h"

namespace vantory::qt {
namespace {

using bmp::Layout;

// Result rows [from, to) of the picture, made from the rows of the file they cover; the
// other rows of the result are left unset.
QImage scaledPart(QIODevice& file, std::mutex& lock, const QString& name, const Layout& layout, QSize size,
                  int from, int to) {
  RowScaler scaler(layout.size, size, layout.bottomUp);
  scaler.onlyResultRows(from, to);
  const int height = layout.size.height();
  const int firstStored = layout.bottomUp ? height - 1 - scaler.lastSourceRow() : scaler.firstSourceRow();
  bmp::ChunkReader reader(file, lock, layout.dataStart + firstStored * layout.rowBytes);
  while (!scaler.complete()) {
    const uchar* row = reader.take(layout.rowBytes);
    if (row == nullptr) fail(ErrorCode::kInvalidPicture, damaged(name));
    scaler.addRow(row, layout.bytesPerPixel);
  }
  return scaler.takeResult();
}

// Whether the picture is made in two parts at once: from 4 megapixels, shown at more than
// one row, with a second processor to do it on.
bool inTwoParts(const Layout& layout, QSize size) {
  return qint64{layout.size.width()} * layout.size.height() >= (qint64{1} << 22) && size.height() >= 2 &&
         std::thread::hardware_concurrency() >= 2;
}

// The picture made in two parts at once: the upper half of the result on a second thread,
// the lower half on this one, each reading its own rows of the one file, then put together
// (every result row is made whole by one of them, with the sums of one pass). Without a
// second thread to be had, the upper half is made after the lower.
QImage scaledInTwoParts(QIODevice& file, const QString& name, const Layout& layout, QSize size) {
  std::mutex lock;
  const int half = size.height() / 2;
  QImage upper;
  std::exception_ptr upperFailed;
  const auto makeUpper = [&] {
    try {
      upper = scaledPart(file, lock, name, layout, size, 0, half);
    } catch (...) {
      upperFailed = std::current_exception();
    }
  };
  SideThread second(makeUpper);
  QImage lower;
  std::exception_ptr lowerFailed;
  try {
    lower = scaledPart(file, lock, name, layout, size, half, size.height());
  } catch (...) {
    lowerFailed = std::current_exception();
  }
  if (second.started()) {
    second.join();
  } else {
    makeUpper();
  }
  if (lowerFailed) std::rethrow_exception(lowerFailed);
  if (upperFailed) std::rethrow_exception(upperFailed);
  for (int y = 0; y < half; ++y) std::memcpy(lower.scanLine(y), upper.constScanLine(y), upper.bytesPerLine());
  return lower;
}

}  // namespace

QImage decodeBmpShown(QIODevice& file, const QString& name, QSize size) {
  const std::optional<Layout> layout = bmp::readLayout(file);
  if (!layout || !RowScaler::takes(layout->size, size)) return QImage();
  // A file that ends before its rows do is damaged.
  if (file.size() < layout->dataStart + layout->rowBytes * layout->size.height())
    fail(ErrorCode::kInvalidPicture, damaged(name));
  QImage scaled;
  try {
    if (inTwoParts(*layout, size)) {
      scaled = scaledInTwoParts(file, name, *layout, size);
    } else {
      std::mutex lock;
      scaled = scaledPart(file, lock, name, *layout, size, 0, size.height());
    }
  } catch (const std::bad_alloc&) {
    fail(ErrorCode::kOutOfMemory, noMemory(name));
  }
  if (scaled.isNull()) fail(ErrorCode::kOutOfMemory, noMemory(name));
  return scaled;
}

}  // namespace vantory::qt
