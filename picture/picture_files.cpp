#include "picture/picture_files.h"

#include <QImageReader>
#include <QTransform>
#include <algorithm>
#include <memory>

#include "picture/bmp/bmp_stream.h"
#include "picture/byte_order.h"
#include "picture/file_names.h"
#include "picture/jpeg/jpeg_decoder.h"
#include "picture/picture_errors.h"

namespace vantory::qt {
namespace {

void prepareReader(QImageReader& reader) {
  reader.setAutoTransform(true);  // EXIF orientation, the same wherever a picture is read
  reader.setDecideFormatFromContent(true);
  QImageReader::setAllocationLimit(static_cast<int>(kMaxDecodedBytes / (1024 * 1024)));
}

// The JPEG format under either of its names, in a file that starts like one: decoded by
// the program's own decoder.
bool decodedAsJpeg(const QByteArray& format, QIODevice& file) {
  return (format == "jpeg" || format == "jpg") && file.seek(0) && jpeg::startsLikeJpeg(file);
}

// The file whose name has the bytes `path`, open for reading, and its identity; the
// runtime's error when it cannot be opened.
std::unique_ptr<QFile> openFile(const std::string& path, platform::FileIdentity& identity) {
  platform::ReadableFile opened = platform::openForReading(path);
  const QString name = shownName(path);
  switch (opened.failure) {
    case platform::OpenFailure::kNone: break;
    case platform::OpenFailure::kMissing:
      fail(ErrorCode::kFileNotFound, QString(texts::kFileMissing).arg(name));
    case platform::OpenFailure::kFolder:
      fail(ErrorCode::kPathAccess, QString(texts::kFileIsFolder).arg(name));
    case platform::OpenFailure::kNotRegular:
      fail(ErrorCode::kPathAccess, QString(texts::kFileNotRegular).arg(name));
    case platform::OpenFailure::kNoPermission:
      fail(ErrorCode::kPathAccess, QString(texts::kFileNotPermitted).arg(name));
    case platform::OpenFailure::kOther:
      fail(ErrorCode::kPathAccess, QString(texts::kFileUnreadable).arg(name, opened.reason));
  }
  identity = opened.identity;
  return std::move(opened.file);
}

// Refuses a picture of zero size, or one whose decode needs more than the limit at its
// peak, naming its size and what it needs.
void checkCost(const QString& name, QSize stored, const DecodeCost& cost) {
  if (stored.isEmpty()) fail(ErrorCode::kInvalidPicture, QString(texts::kPictureEmpty).arg(name));
  const QString described =
      QString(texts::kPictureWithSize).arg(name).arg(stored.width()).arg(stored.height());
  if (qint64{stored.width()} * stored.height() * 4 > kMaxDecodedBytes)
    fail(ErrorCode::kOutOfMemory, QString(texts::kPictureTooLarge).arg(described));
  if (cost.peak() > kMaxDecodedBytes) {
    const auto megaBytes = [](qint64 bytes) { return QString::number((bytes + (1 << 20) - 1) >> 20); };
    fail(ErrorCode::kOutOfMemory, QString(texts::kPictureNeedsTooMuch)
                                      .arg(described, megaBytes(cost.peak()), megaBytes(kMaxDecodedBytes)));
  }
}

// The size a Qt reader reads the picture at, from the header. Qt's BMP reader tells a
// top-down picture's height as stored: negative.
QSize headerSize(const QImageReader& reader) {
  QSize size = reader.size();
  if (reader.format() == "bmp" && size.width() > 0 && size.height() < 0) size.setHeight(-size.height());
  return size;
}

// Whether the run-length codes of a bitmap, from `at` in `d`, end before the picture of
// `width` x `height` does: they must reach their end marker, the end of the last row, or
// its last pixel.
bool runLengthsCutShort(const QByteArray& d, qsizetype at, qint64 width, qint64 height, bool fourBits) {
  const auto byte = [&d](qsizetype i) { return static_cast<quint8>(d.at(i)); };
  qint64 x = 0, y = 0;
  while (at + 2 <= d.size()) {
    const int count = byte(at), code = byte(at + 1);
    at += 2;
    if (count != 0) {  // a run
      x += count;
    } else if (code == 0) {  // the end of a row
      x = 0;
      if (++y >= height) return false;
    } else if (code == 1) {  // the end of the picture
      return false;
    } else if (code == 2) {  // a jump right and on by rows
      if (at + 2 > d.size()) return true;
      x += byte(at);
      y += byte(at + 1);
      at += 2;
      if (y >= height) return false;
    } else {  // `code` indices as they are, padded to 16 bits
      at += ((fourBits ? (code + 1) / 2 : code) + 1) / 2 * 2;
      if (at > d.size()) return true;
      x += code;
    }
  }
  return y < height - 1 || x < width;
}

// Whether the file stops before the end of the data its header announces. Qt's BMP and
// GIF readers make up what is missing (black rows, a partial frame) without a word.
bool cutShort(QIODevice& file, const QByteArray& format) {
  if (!file.seek(0)) return false;
  if (format == "bmp") {
    const QByteArray header = file.read(34);
    if (header.size() < 34 || readLe(header, 14, 4) < 40) return false;  // no Windows header
    const quint32 compression = readLe(header, 30, 4);
    if (compression == 1 || compression == 2) {
      const QByteArray codes = file.readAll();
      const qint64 offset = readLe(header, 10, 4);
      const qint64 height = qAbs(static_cast<qint32>(readLe(header, 22, 4)));
      return runLengthsCutShort(header + codes, offset, static_cast<qint32>(readLe(header, 18, 4)), height,
                                compression == 2);
    }
    if (compression != 0 && compression != 3) return false;  // no fixed size to check
    const qint64 width = static_cast<qint32>(readLe(header, 18, 4));
    const qint64 height = static_cast<qint32>(readLe(header, 22, 4));
    const qint64 row = (width * readLe(header, 28, 2) + 31) / 32 * 4;
    return file.size() < qint64{readLe(header, 10, 4)} + row * qAbs(height);
  }
  if (format == "gif") {
    // Walk the blocks up to the end of the first image's data.
    const QByteArray d = file.readAll();
    const auto table = [&d](qsizetype flagsAt) {
      const int flags = static_cast<quint8>(d.at(flagsAt));
      return flags & 0x80 ? 3 * (2 << (flags & 7)) : 0;
    };
    const auto skipBlocks = [&d](qsizetype& at) {
      while (at < d.size()) {
        const int length = static_cast<quint8>(d.at(at));
        at += 1 + length;
        if (length == 0) return true;
      }
      return false;
    };
    if (d.size() < 13) return true;
    qsizetype at = 13 + table(10);
    while (at < d.size()) {
      const char block = d.at(at);
      if (block == '!') {
        at += 2;
        if (!skipBlocks(at)) return true;
      } else if (block == ',') {
        if (at + 11 > d.size()) return true;
        at += 10 + table(at + 9) + 1;
        return !skipBlocks(at) || at > d.size();
      } else {
        return false;  // the trailer, or something the reader may judge itself
      }
    }
    return true;
  }
  return false;
}

// Reads what an Open learns from the header of the open `file`: the picture must be one
// the readers know, whole as far as its header tells, and decodable in memory, for
// display and for Save alike.
OpenedPicture readHeader(QFile& file, const QString& name) {
  OpenedPicture picture;
  QImageReader reader(&file);
  prepareReader(reader);
  if (!reader.canRead())
    fail(ErrorCode::kInvalidPicture, QString(texts::kNotAPicture).arg(name, reader.errorString()));
  picture.format = reader.format();
  picture.transformation = reader.transformation();
  if (decodedAsJpeg(picture.format, file)) {
    const jpeg::Header header = jpeg::readHeader(file, name);
    picture.stored = header.size;
    picture.cost = jpegDecodeCost(header, picture.turned());
  } else {
    picture.stored = headerSize(reader);
    const QImage::Format decoded = reader.imageFormat();
    if (!picture.stored.isValid()) {
      // A format that tells its size only by decoding: decode once to learn it (within
      // the reader's allocation limit).
      const QImage whole = reader.read();
      if (whole.isNull())
        fail(ErrorCode::kInvalidPicture, QString(texts::kPictureUnreadable).arg(name, reader.errorString()));
      picture.stored = whole.size();
      picture.transformation = QImageIOHandler::TransformationNone;  // already applied
    }
    picture.cost = readerDecodeCost(file, picture.format, picture.stored, decoded, picture.turned());
  }
  checkCost(name, picture.stored, picture.cost);
  if (cutShort(file, picture.format)) fail(ErrorCode::kInvalidPicture, damaged(name));
  return picture;
}

// Turns a decoded picture upright as QImageReader does for its EXIF orientation.
QImage upright(QImage image, QImageIOHandler::Transformations transformation) {
  if (transformation == QImageIOHandler::TransformationNone) return image;
  if (transformation == QImageIOHandler::TransformationRotate270) {
    return image.transformed(QTransform().rotate(270));
  }
  image = std::move(image).mirrored(transformation.testFlag(QImageIOHandler::TransformationMirror),
                                    transformation.testFlag(QImageIOHandler::TransformationFlip));
  if (transformation.testFlag(QImageIOHandler::TransformationRotate90))
    image = image.transformed(QTransform().rotate(90));
  return image;
}

// Whether `bytes` could be had at this moment. Qt's readers answer a failed allocation
// only with "cannot read": asked again for what the decode needed, the allocator tells
// the lack of memory from damaged data.
bool canAllocate(qint64 bytes) {
  const qint64 side = std::max<qint64>(1, bytes / 4 / 16384 + 1);
  const QImage probe(16384, static_cast<int>(std::min<qint64>(side, 1 << 20)), QImage::Format_ARGB32);
  return !probe.isNull();
}

// Fails with the out-of-memory report when `image` is null after a conversion, a scaling
// or a copy.
void allocated(const QImage& image, const QString& name) {
  if (image.isNull()) fail(ErrorCode::kOutOfMemory, noMemory(name));
}

// The file of `picture`, open, once it is known to be the file that was opened.
std::unique_ptr<QFile> openUnchanged(const OpenedPicture& picture) {
  platform::FileIdentity identity;
  std::unique_ptr<QFile> file = openFile(picture.path, identity);
  if (!(identity == picture.identity))
    fail(ErrorCode::kPathAccess, QString(texts::kPictureChanged).arg(shownName(picture.path)));
  return file;
}

// A picture decoded by one of Qt's readers from `file`, at `scaled` (as stored; empty for
// its natural size), after its cost is checked on the header it is read from.
QImage readByQt(QFile& file, const QString& name, const OpenedPicture& picture, QSize scaled) {
  DecodeCost cost = picture.cost;
  {
    QImageReader header(&file);
    prepareReader(header);
    const QSize stored = headerSize(header);
    if (stored.isValid()) {
      cost = readerDecodeCost(file, header.format(), stored, header.imageFormat(), picture.turned());
      checkCost(name, stored, cost);
    }
  }
  file.seek(0);
  QImageReader reader(&file);
  prepareReader(reader);
  if (!scaled.isEmpty()) {
    reader.setScaledSize(scaled);
    reader.setQuality(75);  // smooth scaling after the decoder's own reduction
  }
  QImage image = reader.read();
  if (image.isNull()) {
    if (!canAllocate(cost.peak())) fail(ErrorCode::kOutOfMemory, noMemory(name));
    fail(ErrorCode::kInvalidPicture, QString(texts::kPictureUnreadable).arg(name, reader.errorString()));
  }
  return image;
}

}  // namespace

OpenedPicture probePicture(const std::string& path) {
  platform::FileIdentity identity;
  const std::unique_ptr<QFile> file = openFile(path, identity);
  OpenedPicture picture = readHeader(*file, shownName(path));
  picture.path = path;
  picture.identity = identity;
  return picture;
}

void checkUnchanged(const OpenedPicture& picture) { openUnchanged(picture); }

QImage decodePicture(const OpenedPicture& picture, QSize target, const std::atomic<bool>* stop) {
  if (stop != nullptr && stop->load()) throw DecodeStopped();
  const QString name = shownName(picture.path);
  const std::unique_ptr<QFile> file = openUnchanged(picture);
  const QSize natural = picture.upright();
  if (target == natural) target = QSize();
  // The scaled size applies to the picture as stored, before it is turned upright.
  const QSize stored = picture.turned() ? target.transposed() : target;

  QImage image;
  if (decodedAsJpeg(picture.format, *file)) {
    const auto check = [&](const jpeg::Header& header) {
      checkCost(name, header.size, jpegDecodeCost(header, picture.turned()));
    };
    image = upright(jpeg::decode(*file, name, stored, check, stop), picture.transformation);
    allocated(image, name);
  } else {
    // A bitmap is reduced to the shown size row by row as it is read, unless the streamed
    // reader leaves the file to Qt's (a null image).
    if (picture.format == "bmp" && !target.isEmpty()) image = decodeBmpShown(*file, name, stored);
    if (image.isNull()) {
      file->seek(0);
      image = readByQt(*file, name, picture, stored);
    }
  }
  const QSize wanted = target.isEmpty() ? natural : target;
  if (image.size() != wanted) {
    image = image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    allocated(image, name);
  }
  const QImage::Format format =
      image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
  if (image.format() != format) {
    image.convertTo(format);
    allocated(image, name);
  }
  return image;
}

}  // namespace vantory::qt
