// Picture files. An Open reads the file's header only (probePicture): its format, its size
// as stored and upright (the EXIF orientation applied), and what decoding it will cost,
// with what identifies the file as it was. Every later decode of the picture starts from
// that value (decodePicture): it reads the same file, refuses one changed since, and
// checks the cost again on the header it decodes itself. A picture is decoded at the size
// it is shown at (a JPEG by its own decoder at a reduced scale, many times faster than in
// full; a bitmap reduced row by row as it is read), and at its natural size for the loupe
// and for Save.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <atomic>
#include <string>

#include "picture/decode_cost.h"
#include "picture/platform/platform.h"

namespace vantory::qt {

// What an Open learned of a picture file.
struct OpenedPicture {
  std::string path;  // the bytes of the file's name
  platform::FileIdentity identity;
  QByteArray format;  // the reader's name for it: "jpeg", "bmp", "png" ...
  QSize stored;       // as stored, before the EXIF orientation
  QImageIOHandler::Transformations transformation = QImageIOHandler::TransformationNone;
  DecodeCost cost;

  bool turned() const { return transformation.testFlag(QImageIOHandler::TransformationRotate90); }
  // The natural size, upright.
  QSize upright() const { return turned() ? stored.transposed() : stored; }
};

// Thrown by a decode that was asked to stop.
struct DecodeStopped {};

// The picture in the file whose name has the bytes `path`, from its header. Only a regular
// file is opened, once. Throws AppError for a missing or unreadable file, a file that is
// not a picture, one cut short or damaged as far as its header tells, a picture of zero
// size, or one whose decode would take more than 1 GiB at its peak.
OpenedPicture probePicture(const std::string& path);

// The pixels of `picture` at `size` (its natural size when empty), upright, as RGB32 or
// premultiplied ARGB32, read from its file, opened once. Throws AppError as probePicture
// does, when the file is no longer the one opened (replaced or written to since), when
// the data cannot be decoded completely, or when memory runs out; DecodeStopped when
// `stop` is set on the way (a JPEG stops within a row; another picture before its decode
// starts).
QImage decodePicture(const OpenedPicture& picture, QSize size = QSize(),
                     const std::atomic<bool>* stop = nullptr);

// Whether the file of `picture` is still the one opened: throws AppError as decodePicture
// does when it is not. Opens the file once.
void checkUnchanged(const OpenedPicture& picture);

}  // namespace vantory::qt
