#include "picture/picture_files.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTransform>
#include <algorithm>

#include "picture/bmp/bmp_stream.h"
#include "picture/decode_cost.h"
#include "picture/jpeg/jpeg_decoder.h"
#include "picture/picture_errors.h"

namespace vantory::qt {
namespace {

void prepareReader(QImageReader& reader) {
  reader.setAutoTransform(true);  // EXIF orientation, the same wherever a picture is read
  reader.setDecideFormatFromContent(true);
  reader.setAllocationLimit(static_cast<int>(kMaxDecodedBytes / (1024 * 1024)));
}

bool rotated(QImageIOHandler::Transformations transformation) {
  return transformation.testFlag(QImageIOHandler::TransformationRotate90);
}

// What Open, and every decode after it, learn from the file before decoding anything.
struct FileHeader {
  QByteArray format;
  QSize stored;  // as stored, before the EXIF orientation
  QImageIOHandler::Transformations transformation = QImageIOHandler::TransformationNone;
  bool jpeg = false;
  DecodeCost cost;
};

QString megaBytes(qint64 bytes) { return QString::number((bytes + (1 << 20) - 1) >> 20); }

// A little-endian number of `bytes` bytes at `at`.
quint32 le(const QByteArray& data, qsizetype at, int bytes) {
  quint32 value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<quint8>(data.at(at + i));
  return value;
}

// Whether the file stops before the end of the data its header announces. Qt's BMP and
// GIF readers make up what is missing (black rows, a partial frame) without a word.
bool cutShort(const QString& path, const QByteArray& format) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  if (format == "bmp") {
    const QByteArray header = file.read(34);
    if (header.size() < 34 || le(header, 14, 4) < 40) return false;  // no Windows header
    const quint32 compression = le(header, 30, 4);
    if (compression != 0 && compression != 3) return false;  // no fixed size to check
    const qint64 width = static_cast<qint32>(le(header, 18, 4));
    const qint64 height = static_cast<qint32>(le(header, 22, 4));
    const qint64 row = (width * le(header, 28, 2) + 31) / 32 * 4;
    return file.size() < qint64{le(header, 10, 4)} + row * qAbs(height);
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

// The JPEG format under either of its names.
bool isJpegFormat(const QByteArray& format) { return format == "jpeg" || format == "jpg"; }

// Checks the file at `path` and reads its header: only a regular file is opened (a named
// pipe or a device would block the reader, or never end); the picture must be one the
// readers know, whole as far as its header tells, and decodable in memory, for display
// and for Save alike. Raises the runtime's error otherwise.
FileHeader readFileHeader(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) fail(ErrorCode::kFileNotFound, QString("找不到文件“%1”").arg(path));
  if (info.isDir()) fail(ErrorCode::kPathAccess, QString("“%1”是文件夹，不是图片文件").arg(path));
  if (!info.isFile()) {
    fail(ErrorCode::kPathAccess,
         QString("“%1”不是普通文件（可能是管道、设备或套接字），不能作为图片打开").arg(path));
  }
  if (!info.isReadable()) fail(ErrorCode::kPathAccess, QString("没有权限读取“%1”").arg(path));

  QImageReader reader(path);
  prepareReader(reader);
  if (!reader.canRead()) {
    fail(ErrorCode::kInvalidPicture,
         QString("“%1”不是可以打开的图片文件（%2）").arg(path, reader.errorString()));
  }
  FileHeader header;
  header.format = reader.format();
  header.transformation = reader.transformation();
  header.jpeg = isJpegFormat(header.format) && jpeg::isJpeg(path);
  jpeg::Header jpegHeader;
  if (header.jpeg) {
    jpegHeader = jpeg::readHeader(path);
    header.stored = jpegHeader.size;
  } else {
    header.stored = reader.size();  // from the header, before any decoding
    // Qt's BMP reader tells a top-down picture's height as stored: negative.
    if (header.format == "bmp" && header.stored.width() > 0 && header.stored.height() < 0) {
      header.stored.setHeight(-header.stored.height());
    }
    if (!header.stored.isValid()) {
      // A format that tells its size only by decoding: decode once to learn it (within
      // the reader's allocation limit).
      const QImage whole = reader.read();
      if (whole.isNull()) {
        fail(ErrorCode::kInvalidPicture, QString("无法读取图片“%1”（%2）").arg(path, reader.errorString()));
      }
      header.stored = whole.size();
      header.transformation = QImageIOHandler::TransformationNone;  // already applied
    }
  }
  const QSize& size = header.stored;
  if (size.isEmpty()) fail(ErrorCode::kInvalidPicture, QString("图片“%1”的宽或高为零").arg(path));
  const QString described =
      QString("图片“%1”（%2 x %3 像素）").arg(path).arg(size.width()).arg(size.height());
  if (qint64{size.width()} * size.height() * 4 > kMaxDecodedBytes) {
    fail(ErrorCode::kOutOfMemory, QString("%1太大，无法在内存中打开").arg(described));
  }
  header.cost = estimateDecodeCost(path, header.format, size, rotated(header.transformation),
                                   header.jpeg ? &jpegHeader : nullptr);
  if (header.cost.peak() > kMaxDecodedBytes) {
    fail(ErrorCode::kOutOfMemory,
         QString("%1解码时需要约 %2 MB 内存，超过了 %3 MB 的上限，无法打开")
             .arg(described, megaBytes(header.cost.peak()), megaBytes(kMaxDecodedBytes)));
  }
  if (cutShort(path, header.format)) fail(ErrorCode::kInvalidPicture, damaged(path));
  return header;
}

// Turns a decoded picture upright as QImageReader does for its EXIF orientation.
QImage upright(QImage image, QImageIOHandler::Transformations transformation) {
  if (transformation == QImageIOHandler::TransformationNone) return image;
  if (transformation == QImageIOHandler::TransformationRotate270) {
    return image.transformed(QTransform().rotate(270));
  }
  image = std::move(image).mirrored(transformation.testFlag(QImageIOHandler::TransformationMirror),
                                    transformation.testFlag(QImageIOHandler::TransformationFlip));
  if (rotated(transformation)) image = image.transformed(QTransform().rotate(90));
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
void allocated(const QImage& image, const QString& path) {
  if (image.isNull()) fail(ErrorCode::kOutOfMemory, noMemory(path));
}

}  // namespace

QSize probePicture(const QString& path) {
  const FileHeader header = readFileHeader(path);
  QSize size = header.stored;
  if (rotated(header.transformation)) size.transpose();
  return size;
}

QImage decodePicture(const QString& path, QSize target) {
  // The file as it is now, checked again: it may have changed since it was opened.
  const FileHeader header = readFileHeader(path);
  QSize natural = header.stored;
  if (rotated(header.transformation)) natural.transpose();
  if (target == natural) target = QSize();
  // The scaled size applies to the picture as stored, before it is turned upright.
  QSize stored = target;
  if (rotated(header.transformation)) stored.transpose();

  QImage image;
  if (header.jpeg) {
    image = upright(jpeg::decode(path, stored), header.transformation);
    allocated(image, path);
  } else if (header.format == "bmp" && !target.isEmpty()) {
    // Reduced to the shown size row by row as it is read, unless the streamed reader
    // leaves the file to Qt's (a null image).
    image = decodeBmpShown(path, stored);
  }
  if (!header.jpeg && image.isNull()) {
    QImageReader reader(path);
    prepareReader(reader);
    if (!target.isEmpty()) {
      reader.setScaledSize(stored);
      reader.setQuality(75);  // smooth scaling after the decoder's own reduction
    }
    image = reader.read();
    if (image.isNull()) {
      if (reader.error() == QImageReader::FileNotFoundError) {
        fail(ErrorCode::kFileNotFound, QString("找不到文件“%1”").arg(path));
      }
      if (!canAllocate(header.cost.peak())) fail(ErrorCode::kOutOfMemory, noMemory(path));
      fail(ErrorCode::kInvalidPicture, QString("无法读取图片“%1”（%2）").arg(path, reader.errorString()));
    }
  }
  const QSize wanted = target.isEmpty() ? natural : target;
  if (image.size() != wanted) {
    image = image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    allocated(image, path);
  }
  const QImage::Format format =
      image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
  if (image.format() != format) {
    image.convertTo(format);
    allocated(image, path);
  }
  return image;
}

}  // namespace vantory::qt
