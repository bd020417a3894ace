#include "picture/bitmap_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "picture/byte_order.h"
#include "picture/file_names.h"
#include "picture/file_writing.h"
#include "picture/picture_errors.h"
#include "picture/platform/platform.h"

namespace vantory::qt {
namespace {

constexpr int kHeaders = 14 + 40;  // the file header and the 40-byte info header

qint64 rowBytes(qint64 width) { return (width * 3 + 3) / 4 * 4; }

}  // namespace

BitmapRows::BitmapRows(QImage image) {
  if (image.isNull()) fail(ErrorCode::kInvalidPicture, texts::kNothingToWrite);
  if (image.format() != QImage::Format_RGB32) {
    image.convertTo(QImage::Format_RGB32);
    if (image.isNull()) fail(ErrorCode::kOutOfMemory, texts::kNoMemoryToSave);
  }
  width_ = image.width();
  height_ = image.height();
  if (image.dotsPerMeterX() > 0) dotsPerMeterX_ = image.dotsPerMeterX();
  if (image.dotsPerMeterY() > 0) dotsPerMeterY_ = image.dotsPerMeterY();
  // Each row's blue, green and red bytes at the start of its own scan line: three bytes
  // written for every four read, so nothing is overwritten before it is read.
  for (int y = 0; y < height_; ++y) {
    uchar* line = image.scanLine(y);
    const auto* pixels = reinterpret_cast<const QRgb*>(line);
    for (qint64 x = 0; x < width_; ++x) {
      const QRgb p = pixels[x];
      line[3 * x] = static_cast<uchar>(qBlue(p));
      line[3 * x + 1] = static_cast<uchar>(qGreen(p));
      line[3 * x + 2] = static_cast<uchar>(qRed(p));
    }
    std::memset(line + 3 * qint64{width_}, 0,
                static_cast<std::size_t>(rowBytes(width_) - 3 * qint64{width_}));
  }
  rows_ = std::move(image);
}

void BitmapRows::writeTo(const std::string& path) && {
  const qint64 row = rowBytes(width_);
  const qint64 data = row * height_;
  if (kHeaders + data > 0xFFFFFFFFLL)
    fail(ErrorCode::kPathAccess, QString(texts::kBitmapTooLarge).arg(shownName(path)));
  char header[kHeaders] = {};
  header[0] = 'B';
  header[1] = 'M';
  writeLe(header + 2, static_cast<quint32>(kHeaders + data), 4);
  writeLe(header + 10, kHeaders, 4);
  writeLe(header + 14, 40, 4);
  writeLe(header + 18, static_cast<quint32>(width_), 4);
  writeLe(header + 22, static_cast<quint32>(height_), 4);  // positive: rows bottom-up
  writeLe(header + 26, 1, 2);                              // planes
  writeLe(header + 28, 24, 2);                             // bits per pixel
  writeLe(header + 34, static_cast<quint32>(data), 4);
  writeLe(header + 38, static_cast<quint32>(dotsPerMeterX_), 4);
  writeLe(header + 42, static_cast<quint32>(dotsPerMeterY_), 4);

  uchar* const memory = rows_.bits();  // the rows' own memory: nothing else shares it
  const qint64 stride = rows_.bytesPerLine();
  std::vector<platform::WritePart> parts;
  parts.reserve(static_cast<std::size_t>(height_) + 1);
  parts.push_back({reinterpret_cast<const uchar*>(header), kHeaders});
  for (int y = height_ - 1; y >= 0; --y) parts.push_back({memory + y * stride, row});

  // Rows are written from the last one up, which in memory is from the end back; the
  // memory behind the write goes back to the system in whole 2 MB pages (the size large
  // pictures are held in), and the part of the last page before the rows is kept.
  const uchar* keptUpTo = memory + rows_.sizeInBytes();
  const auto written = [&](qint64 bytes) {
    const qint64 rowsDone = std::max<qint64>(0, bytes - kHeaders) / row;
    if (rowsDone == 0) return;
    const uchar* from = memory + (height_ - rowsDone) * stride;
    if (from < keptUpTo)
      keptUpTo = platform::releaseMemory(from, keptUpTo, rowsDone == height_ ? 4096 : std::size_t{2} << 20);
  };
  writeFileCompletely(path, std::move(parts), written);
}

}  // namespace vantory::qt
