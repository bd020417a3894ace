// Files crafted for the tests of bad files and low memory: each announces a small or
// plausible picture and needs far more memory to decode than its size on disk suggests,
// or is whole but of a kind that is costly to read.
#pragma once

#include <QByteArray>
#include <QImage>

namespace vantory::qttest {

// A zlib stream of `count` zero bytes, made without holding them.
QByteArray zeroZlib(qint64 count);
// A whole, valid PNG of zeros (black, or transparent black) of `depth` bits a channel,
// PNG colour type `colour`, interlaced or not.
QByteArray zeroPng(int width, int height, int depth, int colour, bool interlaced);
// An icon whose directory announces `width` x `height` and whose one entry holds `png`.
QByteArray iconHolding(const QByteArray& png, int width, int height);
// A run-length compressed 8-bit bitmap of `width` x `height` whose data is only the
// end-of-bitmap code.
QByteArray rleBitmap(int width, int height);
// A TIFF of `width` x `height` 8-bit RGB zeros in one zip-compressed strip.
QByteArray zipTiff(int width, int height);
// `image` as a JPEG of quality 90, baseline or progressive.
QByteArray jpegOf(const QImage& image, bool progressive);
// `jpeg` with the size in its start-of-frame marker (baseline or progressive) replaced.
QByteArray withFrameSize(QByteArray jpeg, int width, int height);
// A WebP of 64 x 48, lossy or with alpha, whose header says `width` x `height`.
QByteArray webpWithSize(bool alpha, int width, int height);
// Smooth colours with some noise, as in a photo.
QImage noise(int width, int height, quint32 seed);

}  // namespace vantory::qttest
