// Pictures on Qt: a picture is opened by reading its file's header only (its upright
// natural size, with the EXIF orientation applied); it is decoded when a control needs
// its pixels, at the size the control shows it (for JPEG the decoder scales in the DCT
// domain, which is many times faster than a full decode).
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>

#include "platform/controls.h"

namespace vantory::qt {

inline constexpr int kTwipsPerPixel = 15;  // 96 dots per inch

// Twips <-> logical pixels.
inline double ToPixels(float twips) { return double{twips} / kTwipsPerPixel; }
inline float ToTwips(double pixels) { return static_cast<float>(pixels * kTwipsPerPixel); }

// The largest decoded picture accepted, in bytes of 32-bit pixels.
inline constexpr qint64 kMaxDecodedBytes = qint64{1024} * 1024 * 1024;

class QtPicture : public Picture {
 public:
  // The empty picture.
  static std::shared_ptr<const QtPicture> Empty();
  // Reads the header of the file at `path`. Raises the runtime's error for a missing or
  // unreadable file, a file that is not a picture, a picture of zero size, or one too
  // large to decode in memory.
  static std::shared_ptr<const QtPicture> Open(const QString& path);
  // A picture made from pixels already in memory (a canvas's persistent image).
  static std::shared_ptr<const QtPicture> FromImage(const QImage& image);

  bool IsEmpty() const override { return size_.isEmpty(); }
  // The upright natural size in pixels.
  QSize PixelSize() const { return size_; }
  const QString& Path() const { return path_; }

  // The pixels at `target` size (the natural size when `target` is empty), upright, as
  // RGB32 or premultiplied ARGB32. Raises the runtime's error when the file cannot be
  // decoded completely (truncated or corrupted data included). The last decode at a
  // reduced size is kept, so showing the same picture again at the same size is free.
  QImage Decode(QSize target = QSize()) const;

 private:
  QtPicture() = default;
  QString path_;
  QSize size_;
  QImage pixels_;                // for a picture made from pixels
  mutable QImage last_scaled_;   // the last decode at a reduced size
};

// The picture behind a PictureRef of this toolkit (nullptr for none or a foreign one).
const QtPicture* AsQt(const PictureRef& picture);

// Writes the pixels of `picture` to `path` as a Windows bitmap, whatever the path's
// extension, through a temporary file renamed into place: a failed write leaves no
// partial file and never harms an existing one. Raises the runtime's error on failure.
void WriteBitmap(const QtPicture& picture, const QString& path);

// A packed 0x00BBGGRR colour as a QColor.
QColor ToQColor(Colour colour);

}  // namespace vantory::qt
