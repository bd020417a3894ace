#include "picture/bmp/bmp_layout.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "picture/byte_order.h"

namespace vantory::qt::bmp {
namespace {

constexpr int kFileHeader = 14;
constexpr int kOldHeader = 12;  // OS/2 1.x and Windows 2.x
constexpr int kWindowsHeader = 40;
constexpr int kOs2Header = 64;  // OS/2 2.x: read as far as the Windows fields
constexpr int kV4Header = 108;
constexpr int kV5Header = 124;

qint32 i32(const QByteArray& d, int at) { return static_cast<qint32>(readLe(d, at, 4)); }
qint16 i16(const QByteArray& d, int at) { return static_cast<qint16>(readLe(d, at, 2)); }

}  // namespace

std::optional<Layout> readLayout(QIODevice& file) {
  if (!file.seek(0)) return std::nullopt;
  const QByteArray head = file.read(kFileHeader + kV5Header);
  if (head.size() < kFileHeader + 4 || !head.startsWith("BM")) return std::nullopt;
  const qint32 offset = i32(head, 10);
  const qint32 headerSize = i32(head, 14);
  // What Qt reads of the info header: all of a Windows one, the Windows part of an OS/2
  // 2.x one, 12 bytes of an old one. Other sizes Qt reads as old headers: left to Qt.
  const int read = headerSize == kOs2Header ? kWindowsHeader : headerSize;
  if (headerSize != kOldHeader && headerSize != kWindowsHeader && headerSize != kOs2Header &&
      headerSize != kV4Header && headerSize != kV5Header) {
    return std::nullopt;
  }
  if (head.size() < kFileHeader + read) return std::nullopt;

  qint64 width = 0, height = 0;
  int planes = 0, bits = 0, compression = 0;
  quint32 alphaMask = 0;
  if (headerSize == kOldHeader) {
    width = i16(head, 18);
    height = i16(head, 20);
    planes = i16(head, 22);
    bits = i16(head, 24);
  } else {
    width = i32(head, 18);
    height = i32(head, 22);
    planes = i16(head, 26);
    bits = i16(head, 28);
    compression = i32(head, 30);
    if (headerSize >= kV4Header) alphaMask = readLe(head, 54 + 12, 4);
  }
  // Rows of plain blue, green, red, as Qt reads them into RGB32: 24 bits, or 32 bits
  // uncoded whose alpha mask (in a v4 or v5 header) is not Qt's mark of an alpha channel.
  if (planes != 1 || compression != 0 || (bits != 24 && bits != 32) ||
      (bits == 32 && alphaMask == 0xff000000))
    return std::nullopt;
  if (height == INT_MIN || width <= 0 || height == 0 || width * std::abs(height) > qint64{16384} * 16384) {
    return std::nullopt;
  }
  // Qt's reader refuses a file that ends with its headers.
  if (file.size() <= kFileHeader + read) return std::nullopt;

  Layout layout;
  layout.size = QSize(static_cast<int>(width), static_cast<int>(std::abs(height)));
  layout.bottomUp = height > 0;
  layout.bytesPerPixel = bits / 8;
  layout.rowBytes = (width * bits + 31) / 32 * 4;
  // The rows start at the header's offset, unless that points back into the headers.
  const qint64 headersEnd = kFileHeader + headerSize;
  layout.dataStart = offset > headersEnd ? offset : headersEnd;
  return layout;
}

ChunkReader::ChunkReader(QIODevice& file, std::mutex& lock, qint64 at, qint64 chunk)
    : file_(file), lock_(lock), at_(at), buffer_(static_cast<size_t>(chunk)) {}

// Makes `count` bytes available from begin_, reading as much as the buffer holds.
bool ChunkReader::fill(qint64 count) {
  if (end_ - begin_ >= count) return true;
  const qint64 kept = end_ - begin_;
  if (kept > 0 && begin_ > 0)
    std::memmove(buffer_.data(), buffer_.data() + begin_, static_cast<size_t>(kept));
  begin_ = 0;
  end_ = kept;
  if (count > static_cast<qint64>(buffer_.size())) buffer_.resize(static_cast<size_t>(count));
  const std::lock_guard hold(lock_);
  if (!file_.seek(at_)) return false;
  while (end_ < count) {
    const qint64 got = file_.read(reinterpret_cast<char*>(buffer_.data()) + end_,
                                  static_cast<qint64>(buffer_.size()) - end_);
    if (got <= 0) return false;
    end_ += got;
    at_ += got;
  }
  return true;
}

const uchar* ChunkReader::take(qint64 count) {
  if (!fill(count)) return nullptr;
  const uchar* at = buffer_.data() + begin_;
  begin_ += count;
  return at;
}

}  // namespace vantory::qt::bmp
