#include "picture/bmp/bmp_layout.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace vantory::qt::bmp {
namespace {

constexpr int kFileHeader = 14;
constexpr int kOldHeader = 12;  // OS/2 1.x and Windows 2.x
constexpr int kWindowsHeader = 40;
constexpr int kOs2Header = 64;  // OS/2 2.x: read as far as the Windows fields
constexpr int kV4Header = 108;
constexpr int kV5Header = 124;

quint32 u32(const QByteArray& d, int at) {
  quint32 value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<quint8>(d.at(at + i));
  return value;
}
qint32 i32(const QByteArray& d, int at) { return static_cast<qint32>(u32(d, at)); }
qint16 i16(const QByteArray& d, int at) {
  return static_cast<qint16>(static_cast<quint8>(d.at(at)) | static_cast<quint8>(d.at(at + 1)) << 8);
}

// The number of zero bits below a mask's lowest set bit (0 for an empty mask).
int lowZeros(quint32 mask) {
  int zeros = 0;
  for (; mask != 0 && (mask & 1) == 0; mask >>= 1) ++zeros;
  return zeros;
}

// A bit field's shift and scale as Qt's reader sets them; false when Qt refuses the mask
// (all 32 bits set).
bool bitField(quint32 mask, int& shift, int& scale) {
  shift = lowZeros(mask);
  const quint32 levels = (mask >> shift) + 1;
  if (levels == 0) return false;
  scale = static_cast<int>(256 / levels);
  return true;
}

}  // namespace

std::optional<Layout> readLayout(QFile& file) {
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
  int planes = 0, bits = 0, compression = kRgb;
  qint32 coloursUsed = 0;
  quint32 alphaMask = 0;
  Layout layout;
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
    coloursUsed = i32(head, 46);
    if (headerSize >= kV4Header) {
      for (int c = 0; c < 4; ++c) layout.masks[c] = u32(head, 54 + 4 * c);
      alphaMask = layout.masks[3];
    }
  }
  // The header checks of Qt's reader.
  if ((bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) || planes != 1) {
    return std::nullopt;
  }
  if (!(compression == kRgb || (bits == 4 && compression == kRle4) || (bits == 8 && compression == kRle8) ||
        ((bits == 16 || bits == 32) && compression == kBitFields))) {
    return std::nullopt;
  }
  if (height == INT_MIN || width <= 0 || height == 0 || width * std::abs(height) > qint64{16384} * 16384) {
    return std::nullopt;
  }
  // Qt's reader refuses a file that ends with its headers.
  if (file.size() <= kFileHeader + read) return std::nullopt;

  layout.size = QSize(static_cast<int>(width), static_cast<int>(std::abs(height)));
  layout.bottomUp = height > 0;
  layout.bits = bits;
  layout.compression = compression;
  layout.rowBytes = (width * bits + 31) / 32 * 4;
  qint64 at = kFileHeader + headerSize;  // the palette or the masks
  const bool bitFields = compression == kBitFields;
  if (bitFields && headerSize < kV4Header) {
    if (!file.seek(at)) return std::nullopt;
    const QByteArray masks = file.read(12);
    if (masks.size() != 12) return std::nullopt;
    for (int c = 0; c < 3; ++c) layout.masks[c] = u32(masks, 4 * c);
    at += 12;
  }
  const bool alpha =
      (bitFields || (compression == kRgb && bits == 32 && alphaMask == 0xff000000)) && alphaMask != 0;
  if (bits >= 16)
    layout.format = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
  else
    layout.format = bits == 1 ? QImage::Format_Mono : QImage::Format_Indexed8;

  if (bits <= 8) {
    const qint64 count = coloursUsed != 0 ? coloursUsed : 1 << bits;
    if (count < 1 || count > 256) return std::nullopt;
    const int entry = headerSize == kOldHeader ? 3 : 4;
    // Qt's reader refuses a palette that is cut off or ends the file.
    if (file.size() <= at + count * entry || !file.seek(at)) return std::nullopt;
    const QByteArray palette = file.read(count * entry);
    if (palette.size() != count * entry) return std::nullopt;
    // An indexed picture turns RGB32 through its palette; an index past the palette is
    // opaque black; a 1-bit picture uses two colours, white the second of a one-colour
    // palette. (Qt also swaps the two colours of a dark-first 1-bit palette with the
    // bits: the same colours.)
    layout.colours.fill(0xff000000);
    const int used = bits == 1 ? static_cast<int>(std::min<qint64>(count, 2)) : static_cast<int>(count);
    for (int i = 0; i < used; ++i) {
      const auto* p = reinterpret_cast<const uchar*>(palette.constData()) + i * entry;
      layout.colours[i] = qRgb(p[2], p[1], p[0]);
    }
    if (bits == 1 && count == 1) layout.colours[1] = 0xffffffff;
    at += count * entry;
  } else if (bitFields) {
    for (int c = 0; c < 4; ++c) {
      if (!bitField(layout.masks[c], layout.shifts[c], layout.scales[c])) return std::nullopt;
    }
  } else if (bits == 24 || bits == 32) {
    layout.masks = {0x00ff0000, 0x0000ff00, 0x000000ff, alphaMask};
    layout.shifts = {16, 8, 0, 0};
    layout.scales = {1, 1, 1, 0};
    if (alpha && !bitField(alphaMask, layout.shifts[3], layout.scales[3])) return std::nullopt;
  } else {  // 16 bits, 5-5-5
    layout.masks = {0x7c00, 0x03e0, 0x001f, 0};
    layout.shifts = {7, 2, 0, 0};
    layout.scales = {1, 1, 8, 0};
  }
  // The data starts at the header's offset, unless that points back into the headers.
  layout.dataStart = offset >= 0 && offset > at ? offset : at;
  return layout;
}

ChunkReader::ChunkReader(QFile& file, qint64 chunk) : file_(file), buffer_(static_cast<size_t>(chunk)) {}

bool ChunkReader::seek(qint64 at) {
  begin_ = end_ = 0;
  return file_.seek(at);
}

// Makes `count` bytes available from begin_, reading as much as the buffer holds.
bool ChunkReader::fill(qint64 count) {
  if (end_ - begin_ >= count) return true;
  const qint64 kept = end_ - begin_;
  if (kept > 0 && begin_ > 0)
    std::memmove(buffer_.data(), buffer_.data() + begin_, static_cast<size_t>(kept));
  begin_ = 0;
  end_ = kept;
  if (count > capacity()) buffer_.resize(static_cast<size_t>(count));
  while (end_ < count) {
    const qint64 got = file_.read(reinterpret_cast<char*>(buffer_.data()) + end_, capacity() - end_);
    if (got <= 0) return false;
    end_ += got;
  }
  return true;
}

const uchar* ChunkReader::take(qint64 count) {
  if (!fill(count)) return nullptr;
  const uchar* at = buffer_.data() + begin_;
  begin_ += count;
  return at;
}

bool ChunkReader::byte(uchar& value) {
  const uchar* at = take(1);
  if (at == nullptr) return false;
  value = *at;
  return true;
}

}  // namespace vantory::qt::bmp
