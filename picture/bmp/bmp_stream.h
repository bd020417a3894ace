// BMP pictures shown without decoding them whole: the rows are read in the order the file
// stores them (bottom up, or top down for a negative height) and reduced to the shown size
// as they come in, so that only a chunk of the file, a few rows and the result are held.
//
// The pixels are those of Qt 6.4's BMP reader followed by QImage::scaled(size,
// Qt::IgnoreAspectRatio, Qt::SmoothTransformation), which is what QImageReader gives for a
// scaled size: the same decoding of every bit depth, palette, bit mask and run-length
// code, the same conversions (an indexed picture to RGB32 and back, an alpha channel
// premultiplied and back) and the same smooth scaling (see row_scaler.h).
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace vantory::qt {

// The picture of the BMP file at `path` reduced to `size` (as stored), as QImageReader
// with that scaled size reads it, or a null image when this reader leaves the file to Qt's:
// a header Qt reads as an old one of another size, a size that grows both ways, a picture
// Qt scales with QPainter (an indexed or transparent one under a million pixels shrunk
// less than half), a run-length code that writes past the end of its row, or headers,
// masks or a palette that Qt's reader refuses (so that it tells the error, as before).
// Throws AppError 481 when the pixel data ends before the picture does, 7 when memory
// runs out.
QImage decodeBmpShown(const QString& path, QSize size);

// What decodeBmpShown holds at most besides the result for the BMP at `path`, in bytes,
// or -1 when its headers are not of a kind it reads. A picture of 4 megapixels or more
// stored row after row is made in two halves at once, on two threads.
qint64 bmpStreamBytes(const QString& path);

}  // namespace vantory::qt
