// Pictures written as 24-bit Windows bitmaps, through a temporary file renamed into place.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace vantory::qt {

// A picture laid out as the rows of a 24-bit Windows bitmap (blue, green, red, each row
// padded to four bytes), in the memory the picture had: no second copy is made. Laid out
// ahead, the picture is then written as fast as the disk takes it.
class BitmapRows {
 public:
  // Lays out `image` (RGB32; any other format is converted first). Throws AppError 7 when
  // memory runs out.
  explicit BitmapRows(QImage image);
  QSize size() const { return {width_, height_}; }
  // Row y's pixels, blue, green and red bytes each, top row 0.
  const uchar* row(int y) const { return rows_.constScanLine(y); }
  int dotsPerMeterX() const { return dotsPerMeterX_; }
  int dotsPerMeterY() const { return dotsPerMeterY_; }

  // Writes the bitmap to `path`, whatever the path's extension: the bytes go to a
  // temporary file beside it, flushed to the disk and then renamed over the path, so a
  // failed write leaves no partial file and never harms an existing one. Throws AppError:
  // 75 naming the path and the reason (a full disk or a failed write said as such).
  // The rows are written once: the memory of those written is given back to the system
  // as the write goes on, for the file's pages in the system's cache to take, so that a
  // large picture does not need its own size twice over while it is written.
  void writeTo(const QString& path) &&;

 private:
  QImage rows_;  // row y of the picture at scan line y, as bitmap bytes
  int width_ = 0, height_ = 0;
  int dotsPerMeterX_ = 3780, dotsPerMeterY_ = 3780;
};

// Lays out `image` and writes it to `path` (see BitmapRows).
inline void writeBitmap(QImage image, const QString& path) { BitmapRows(std::move(image)).writeTo(path); }

}  // namespace vantory::qt
