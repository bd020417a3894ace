// What the streamed BMP reader takes from a file's headers, read as Qt 6.4's BMP reader
// reads them, and the chunked reading of the rows.
#pragma once

#include <QIODevice>
#include <QSize>
#include <mutex>
#include <optional>
#include <vector>

namespace vantory::qt::bmp {

// A picture of rows of blue, green, red bytes: 24-bit, or 32-bit without alpha.
struct Layout {
  QSize size;             // upright: the height made positive
  bool bottomUp = true;   // rows stored last first (a positive height)
  int bytesPerPixel = 3;  // 3, or 4 with the fourth byte unused
  qint64 dataStart = 0;   // where the rows start
  qint64 rowBytes = 0;    // a stored row, padded to 4 bytes
};

// The layout of the BMP in `file`, or nothing when it is not of those kinds (indexed,
// run-length coded, bit fields, alpha), or its headers are of a kind Qt's reader reads
// otherwise or refuses: those are left to Qt's reader.
std::optional<Layout> readLayout(QIODevice& file);

// Reads a file from `at` in large chunks and hands out its bytes without copying them
// again. Readers on several threads can share one file, each with a place of its own,
// through one lock held for each chunk.
class ChunkReader {
 public:
  ChunkReader(QIODevice& file, std::mutex& lock, qint64 at, qint64 chunk = qint64{1} << 20);
  // The next `count` bytes, or nullptr when the file ends before them.
  const uchar* take(qint64 count);

 private:
  bool fill(qint64 count);

  QIODevice& file_;
  std::mutex& lock_;
  qint64 at_;  // the place in the file of the buffer's end
  std::vector<uchar> buffer_;
  qint64 begin_ = 0, end_ = 0;
};

}  // namespace vantory::qt::bmp
