#include "platform/qt/qt_pictures.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSaveFile>
#include <QTransform>
#include <algorithm>

#if defined(Q_OS_LINUX)
#include <fcntl.h>
#endif

#include "platform/qt/qt_decode_cost.h"
#include "platform/qt/qt_errors.h"
#include "platform/qt/qt_jpeg.h"
#include "platform/runtime_error.h"

namespace vantory::qt {
namespace {

void PrepareReader(QImageReader& reader) {
  reader.setAutoTransform(true);  // EXIF orientation, the same wherever a picture is read
  reader.setDecideFormatFromContent(true);
  reader.setAllocationLimit(static_cast<int>(kMaxDecodedBytes / (1024 * 1024)));
}

bool Rotated(QImageIOHandler::Transformations transformation) {
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

QString MegaBytes(qint64 bytes) { return QString::number((bytes + (1 << 20) - 1) >> 20); }

// A little-endian number of `bytes` bytes at `at`.
quint32 Le(const QByteArray& data, qsizetype at, int bytes) {
  quint32 value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<quint8>(data.at(at + i));
  return value;
}

// Whether the file stops before the end of the data its header announces. Qt's BMP and
// GIF readers make up what is missing (black rows, a partial frame) without a word.
bool CutShort(const QString& path, const QByteArray& format) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  if (format == "bmp") {
    const QByteArray header = file.read(34);
    if (header.size() < 34 || Le(header, 14, 4) < 40) return false;  // no Windows header
    const quint32 compression = Le(header, 30, 4);
    if (compression != 0 && compression != 3) return false;  // no fixed size to check
    const qint64 width = static_cast<qint32>(Le(header, 18, 4));
    const qint64 height = static_cast<qint32>(Le(header, 22, 4));
    const qint64 row = (width * Le(header, 28, 2) + 31) / 32 * 4;
    return file.size() < qint64{Le(header, 10, 4)} + row * qAbs(height);
  }
  if (format == "gif") {
    // Walk the blocks up to the end of the first image's data.
    const QByteArray d = file.readAll();
    const auto table = [&d](qsizetype flags_at) {
      const int flags = static_cast<quint8>(d.at(flags_at));
      return flags & 0x80 ? 3 * (2 << (flags & 7)) : 0;
    };
    const auto skip_blocks = [&d](qsizetype& at) {
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
        if (!skip_blocks(at)) return true;
      } else if (block == ',') {
        if (at + 11 > d.size()) return true;
        at += 10 + table(at + 9) + 1;
        return !skip_blocks(at) || at > d.size();
      } else {
        return false;  // the trailer, or something the reader may judge itself
      }
    }
    return true;
  }
  return false;
}

// Passes the bitmap on to the save file and, on Linux, has the kernel start writing each
// few megabytes to the disk while the rest is still being encoded. QSaveFile::commit
// flushes the whole file to the disk before it renames it into place (so that a crash
// can never leave a half-written file under the user's name); started early, that
// flush overlaps the encoding instead of following it. Nothing else changes: errors
// still surface through the save file, and commit still waits for the disk.
class WriteBehind : public QIODevice {
 public:
  explicit WriteBehind(QSaveFile& file) : file_(file) {
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
  }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override {
    // A write the disk cuts short reports no error, only fewer bytes: the rest is
    // written again, and that write fails with the reason (a full disk, a file size
    // limit, an I/O error).
    qint64 done = 0;
    while (done < size) {
      const qint64 written = file_.write(data + done, size - done);
      if (written <= 0) {
        setErrorString(file_.error() != QFileDevice::NoError ? file_.errorString()
                                                             : QString("写入的字节数不足"));
        return -1;
      }
      done += written;
    }
    pending_ += done;
    if (pending_ >= kChunk) StartWriting();
    return done;
  }

 private:
  static constexpr qint64 kChunk = qint64{2} << 20;

  void StartWriting() {
#if defined(Q_OS_LINUX)
    // Only a hint: whatever goes wrong here, commit's flush reports.
    if (file_.flush()) {
      ::sync_file_range(file_.handle(), started_, pending_, SYNC_FILE_RANGE_WRITE);
    }
#endif
    started_ += pending_;
    pending_ = 0;
  }

  QSaveFile& file_;
  qint64 started_ = 0;  // bytes already handed to the kernel for writing
  qint64 pending_ = 0;  // bytes written since
};

}  // namespace

QColor ToQColor(Colour colour) {
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

std::shared_ptr<const QtPicture> QtPicture::Empty() {
  static const std::shared_ptr<const QtPicture> empty(new QtPicture());
  return empty;
}

std::shared_ptr<const QtPicture> QtPicture::FromImage(const QImage& image) {
  std::shared_ptr<QtPicture> picture(new QtPicture());
  picture->pixels_ = image;
  picture->size_ = image.size();
  return picture;
}

const QtPicture* AsQt(const PictureRef& picture) {
  return dynamic_cast<const QtPicture*>(picture.get());
}

namespace {

// The JPEG format under either of its names.
bool IsJpegFormat(const QByteArray& format) { return format == "jpeg" || format == "jpg"; }

// Checks the file at `path` and reads its header: only a regular file is opened (a named
// pipe or a device would block the reader, or never end); the picture must be one the
// readers know, whole as far as its header tells, and decodable in memory, for display
// and for Save alike. Raises the runtime's error otherwise.
FileHeader ReadFileHeader(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) Fail(kErrFileNotFound, QString("找不到文件“%1”").arg(path));
  if (info.isDir()) Fail(kErrPathAccess, QString("“%1”是文件夹，不是图片文件").arg(path));
  if (!info.isFile()) {
    Fail(kErrPathAccess, QString("“%1”不是普通文件（可能是管道、设备或套接字），不能作为图片打开").arg(path));
  }
  if (!info.isReadable()) Fail(kErrPathAccess, QString("没有权限读取“%1”").arg(path));

  QImageReader reader(path);
  PrepareReader(reader);
  if (!reader.canRead()) {
    Fail(kErrInvalidPicture,
         QString("“%1”不是可以打开的图片文件（%2）").arg(path, reader.errorString()));
  }
  FileHeader header;
  header.format = reader.format();
  header.transformation = reader.transformation();
  header.jpeg = IsJpegFormat(header.format) && jpeg::IsJpeg(path);
  jpeg::Header jpeg_header;
  if (header.jpeg) {
    jpeg_header = jpeg::ReadHeader(path);
    header.stored = jpeg_header.size;
  } else {
    header.stored = reader.size();  // from the header, before any decoding
    if (!header.stored.isValid()) {
      // A format that tells its size only by decoding: decode once to learn it (within
      // the reader's allocation limit).
      const QImage whole = reader.read();
      if (whole.isNull()) {
        Fail(kErrInvalidPicture, QString("无法读取图片“%1”（%2）").arg(path, reader.errorString()));
      }
      header.stored = whole.size();
      header.transformation = QImageIOHandler::TransformationNone;  // already applied
    }
  }
  const QSize& size = header.stored;
  if (size.isEmpty()) Fail(kErrInvalidPicture, QString("图片“%1”的宽或高为零").arg(path));
  const QString described = QString("图片“%1”（%2 x %3 像素）").arg(path).arg(size.width()).arg(size.height());
  if (qint64{size.width()} * size.height() * 4 > kMaxDecodedBytes) {
    Fail(kErrOutOfMemory, QString("%1太大，无法在内存中打开").arg(described));
  }
  header.cost = EstimateDecodeCost(path, header.format, size, Rotated(header.transformation),
                                   header.jpeg ? &jpeg_header : nullptr);
  if (header.cost.Peak() > kMaxDecodedBytes) {
    Fail(kErrOutOfMemory, QString("%1解码时需要约 %2 MB 内存，超过了 %3 MB 的上限，无法打开")
                              .arg(described, MegaBytes(header.cost.Peak()), MegaBytes(kMaxDecodedBytes)));
  }
  if (CutShort(path, header.format)) Fail(kErrInvalidPicture, Damaged(path));
  return header;
}

// Turns a decoded picture upright as QImageReader does for its EXIF orientation.
QImage Upright(QImage image, QImageIOHandler::Transformations transformation) {
  if (transformation == QImageIOHandler::TransformationNone) return image;
  if (transformation == QImageIOHandler::TransformationRotate270) {
    return image.transformed(QTransform().rotate(270));
  }
  image = std::move(image).mirrored(transformation.testFlag(QImageIOHandler::TransformationMirror),
                                    transformation.testFlag(QImageIOHandler::TransformationFlip));
  if (Rotated(transformation)) image = image.transformed(QTransform().rotate(90));
  return image;
}

// Whether `bytes` could be had at this moment. Qt's readers answer a failed allocation
// only with "cannot read": asked again for what the decode needed, the allocator tells
// the lack of memory from damaged data.
bool CanAllocate(qint64 bytes) {
  const qint64 side = std::max<qint64>(1, bytes / 4 / 16384 + 1);
  const QImage probe(16384, static_cast<int>(std::min<qint64>(side, 1 << 20)), QImage::Format_ARGB32);
  return !probe.isNull();
}

// Fails with the out-of-memory report when `image` is null after a conversion, a scaling
// or a copy.
void Allocated(const QImage& image, const QString& path) {
  if (image.isNull()) Fail(kErrOutOfMemory, NoMemory(path));
}

}  // namespace

std::shared_ptr<const QtPicture> QtPicture::Open(const QString& path) {
  const FileHeader header = ReadFileHeader(path);
  QSize size = header.stored;
  if (Rotated(header.transformation)) size.transpose();
  std::shared_ptr<QtPicture> picture(new QtPicture());
  picture->path_ = path;
  picture->size_ = size;
  return picture;
}

QImage QtPicture::Decode(QSize target) const {
  if (!target.isEmpty() && target == size_) target = QSize();
  const QString& path = path_;
  if (!pixels_.isNull()) {
    if (target.isEmpty()) return pixels_;
    QImage scaled = pixels_.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull()) Fail(kErrOutOfMemory, "内存不够，无法缩放图像");
    return scaled;
  }
  if (path.isEmpty()) return QImage();
  if (!target.isEmpty() && last_scaled_.size() == target) return last_scaled_;

  // The file as it is now, checked again: it may have changed since it was opened.
  const FileHeader header = ReadFileHeader(path);
  // The scaled size applies to the picture as stored, before it is turned upright.
  QSize stored = target;
  if (Rotated(header.transformation)) stored.transpose();

  QImage image;
  if (header.jpeg) {
    image = Upright(jpeg::Decode(path, stored), header.transformation);
    Allocated(image, path);
  } else {
    QImageReader reader(path);
    PrepareReader(reader);
    if (!target.isEmpty()) {
      reader.setScaledSize(stored);
      reader.setQuality(75);  // smooth scaling after the decoder's own reduction
    }
    image = reader.read();
    if (image.isNull()) {
      if (reader.error() == QImageReader::FileNotFoundError) {
        Fail(kErrFileNotFound, QString("找不到文件“%1”").arg(path));
      }
      if (!CanAllocate(header.cost.Peak())) Fail(kErrOutOfMemory, NoMemory(path));
      Fail(kErrInvalidPicture, QString("无法读取图片“%1”（%2）").arg(path, reader.errorString()));
    }
  }
  const QSize wanted = target.isEmpty() ? size_ : target;
  if (image.size() != wanted) {
    image = image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    Allocated(image, path);
  }
  const QImage::Format format =
      image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
  if (image.format() != format) {
    image.convertTo(format);
    Allocated(image, path);
  }
  if (!target.isEmpty()) last_scaled_ = image;
  return image;
}

namespace {

void PutLe(char* at, quint32 value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Encodes an RGB32 image as a 24-bit Windows bitmap: the file header, the 40-byte info
// header, then the rows bottom-up as blue, green, red, each padded to 4 bytes. Written a
// few hundred rows at a time; this is several times faster than Qt's general writer,
// which matters for the 70 MB of a 24-megapixel photo.
constexpr int kHeaders = 14 + 40;

qint64 BitmapRowBytes(qint64 width) { return (width * 3 + 3) / 4 * 4; }

// Whether a 24-bit bitmap of `size` fits in the format's 32-bit file size.
bool FitsBitmap(QSize size) {
  return kHeaders + BitmapRowBytes(size.width()) * size.height() <= 0xFFFFFFFFLL;
}

bool EncodeBitmap(const QImage& image, QIODevice& out) {
  const qint64 width = image.width();
  const qint64 height = image.height();
  const qint64 row_bytes = BitmapRowBytes(width);
  const qint64 data_bytes = row_bytes * height;

  char header[kHeaders] = {};
  header[0] = 'B';
  header[1] = 'M';
  PutLe(header + 2, static_cast<quint32>(kHeaders + data_bytes), 4);
  PutLe(header + 10, kHeaders, 4);
  PutLe(header + 14, 40, 4);
  PutLe(header + 18, static_cast<quint32>(width), 4);
  PutLe(header + 22, static_cast<quint32>(height), 4);  // positive: rows bottom-up
  PutLe(header + 26, 1, 2);                             // planes
  PutLe(header + 28, 24, 2);                            // bits per pixel
  PutLe(header + 34, static_cast<quint32>(data_bytes), 4);
  const int dpm_x = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() : 3780;
  const int dpm_y = image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() : 3780;
  PutLe(header + 38, static_cast<quint32>(dpm_x), 4);
  PutLe(header + 42, static_cast<quint32>(dpm_y), 4);
  if (out.write(header, kHeaders) != kHeaders) return false;

  const qint64 rows_per_block = std::max<qint64>(1, (qint64{1} << 20) / row_bytes);
  QByteArray block(static_cast<qsizetype>(rows_per_block * row_bytes), '\0');
  for (qint64 y = height - 1; y >= 0;) {
    char* at = block.data();
    qint64 rows = 0;
    for (; rows < rows_per_block && y >= 0; ++rows, --y) {
      const auto* pixel = reinterpret_cast<const QRgb*>(image.constScanLine(static_cast<int>(y)));
      char* row = at + rows * row_bytes;
      for (qint64 x = 0; x < width; ++x) {
        row[3 * x] = static_cast<char>(qBlue(pixel[x]));
        row[3 * x + 1] = static_cast<char>(qGreen(pixel[x]));
        row[3 * x + 2] = static_cast<char>(qRed(pixel[x]));
      }
    }
    const qint64 bytes = rows * row_bytes;
    if (out.write(block.constData(), bytes) != bytes) return false;
  }
  return true;
}

}  // namespace

void WriteBitmap(const QtPicture& picture, const QString& path) {
  QImage image = picture.Decode();
  if (image.isNull()) Fail(kErrInvalidPicture, "没有可以保存的图像");
  if (image.format() != QImage::Format_RGB32) {
    image.convertTo(QImage::Format_RGB32);
    if (image.isNull()) Fail(kErrOutOfMemory, QString("内存不够，无法保存“%1”").arg(path));
  }
  if (!FitsBitmap(image.size())) {
    Fail(kErrPathAccess, QString("无法写入“%1”（图片太大，超出了位图格式的范围）").arg(path));
  }

  const auto write_failed = [&path](const QString& why) {
    return QString("无法写入“%1”（磁盘已满或写入失败：%2）").arg(path, why);
  };
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    Fail(kErrPathAccess, QString("无法写入“%1”（%2）").arg(path, file.errorString()));
  }
  WriteBehind device(file);
  if (!EncodeBitmap(image, device)) {
    const QString why = device.errorString();
    file.cancelWriting();
    Fail(kErrPathAccess, write_failed(why));
  }
  if (!file.commit()) {
    // The last bytes and the flush to the disk are written here, then the file is renamed
    // into place.
    const bool writing = file.error() == QFileDevice::WriteError || file.error() == QFileDevice::ResourceError;
    Fail(kErrPathAccess, writing ? write_failed(file.errorString())
                                 : QString("无法写入“%1”（%2）").arg(path, file.errorString()));
  }
}

}  // namespace vantory::qt
