#include "platform/qt/qt_pictures.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <mutex>

#if defined(Q_OS_LINUX)
#include <fcntl.h>
#endif

#include "platform/runtime_error.h"

namespace vantory::qt {
namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }

[[noreturn]] void Fail(int number, const QString& detail) {
  throw RuntimeError(number, StandardDescription(number) + "：" + Utf8(detail));
}

// Warnings that the decoders print while reading (libjpeg reports a truncated file
// only this way, and still hands back a half-grey picture). Collected while a decode
// runs on the GUI thread.
QStringList* g_decoder_warnings = nullptr;
QtMessageHandler g_previous_handler = nullptr;

void CollectWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (g_decoder_warnings != nullptr && type == QtWarningMsg) {
    g_decoder_warnings->append(message);
    return;
  }
  if (g_previous_handler != nullptr) g_previous_handler(type, context, message);
}

class WarningCollector {
 public:
  WarningCollector() {
    g_decoder_warnings = &warnings_;
    g_previous_handler = qInstallMessageHandler(CollectWarnings);
  }
  ~WarningCollector() {
    qInstallMessageHandler(g_previous_handler);
    g_decoder_warnings = nullptr;
  }
  // A warning that means the picture's data is incomplete or damaged.
  bool DataDamaged() const {
    for (const QString& w : warnings_) {
      // Stray bytes between markers are common in camera files and harm no pixel.
      if (w.contains("extraneous bytes", Qt::CaseInsensitive)) continue;
      if (w.contains("Premature end", Qt::CaseInsensitive) ||
          w.contains("Corrupt", Qt::CaseInsensitive) ||
          w.contains("truncat", Qt::CaseInsensitive)) {
        return true;
      }
    }
    return false;
  }

 private:
  QStringList warnings_;
};

void PrepareReader(QImageReader& reader) {
  reader.setAutoTransform(true);  // EXIF orientation, the same wherever a picture is read
  reader.setDecideFormatFromContent(true);
  reader.setAllocationLimit(static_cast<int>(kMaxDecodedBytes / (1024 * 1024)));
}

bool Rotated(QImageIOHandler::Transformations transformation) {
  return transformation.testFlag(QImageIOHandler::TransformationRotate90);
}

QString TooLarge(const QSize& size) {
  return QString("图片 %1 x %2 像素太大，无法在内存中打开").arg(size.width()).arg(size.height());
}

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
    const qint64 written = file_.write(data, size);
    if (written < 0) {
      setErrorString(file_.errorString());
      return -1;
    }
    pending_ += written;
    if (pending_ >= kChunk) StartWriting();
    return written;
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

std::shared_ptr<const QtPicture> QtPicture::Open(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) Fail(kErrFileNotFound, QString("找不到文件“%1”").arg(path));
  if (info.isDir()) Fail(kErrPathAccess, QString("“%1”是文件夹，不是图片文件").arg(path));
  if (!info.isReadable()) Fail(kErrPathAccess, QString("没有权限读取“%1”").arg(path));

  QImageReader reader(path);
  PrepareReader(reader);
  if (!reader.canRead()) {
    Fail(kErrInvalidPicture,
         QString("“%1”不是可以打开的图片文件（%2）").arg(path, reader.errorString()));
  }
  QSize size = reader.size();  // from the header, before any decoding
  if (!size.isValid()) {
    // A format that tells its size only by decoding: decode once to learn it.
    const QImage whole = reader.read();
    if (whole.isNull()) {
      Fail(kErrInvalidPicture, QString("无法读取图片“%1”（%2）").arg(path, reader.errorString()));
    }
    size = whole.size();
  } else if (Rotated(reader.transformation())) {
    size.transpose();
  }
  if (size.isEmpty()) Fail(kErrInvalidPicture, QString("图片“%1”的宽或高为零").arg(path));
  if (qint64{size.width()} * size.height() * 4 > kMaxDecodedBytes) {
    Fail(kErrOutOfMemory, TooLarge(size));
  }
  if (CutShort(path, reader.format())) {
    Fail(kErrInvalidPicture, QString("图片“%1”的数据不完整或已损坏").arg(path));
  }

  std::shared_ptr<QtPicture> picture(new QtPicture());
  picture->path_ = path;
  picture->size_ = size;
  return picture;
}

QImage QtPicture::Decode(QSize target) const {
  if (!target.isEmpty() && target == size_) target = QSize();
  if (!pixels_.isNull()) {
    return target.isEmpty() ? pixels_
                            : pixels_.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  if (path_.isEmpty()) return QImage();
  if (!target.isEmpty() && last_scaled_.size() == target) return last_scaled_;

  QImage image;
  {
    WarningCollector warnings;
    QImageReader reader(path_);
    PrepareReader(reader);
    if (!target.isEmpty()) {
      // The scaled size applies to the picture as stored, before it is turned upright.
      QSize stored = target;
      if (Rotated(reader.transformation())) stored.transpose();
      reader.setScaledSize(stored);
      reader.setQuality(75);  // smooth scaling after the decoder's own reduction
    }
    image = reader.read();
    if (image.isNull()) {
      const QString why = reader.error() == QImageReader::FileNotFoundError
                              ? QString("找不到文件“%1”").arg(path_)
                              : QString("无法读取图片“%1”（%2）").arg(path_, reader.errorString());
      Fail(reader.error() == QImageReader::FileNotFoundError ? kErrFileNotFound : kErrInvalidPicture,
           why);
    }
    if (warnings.DataDamaged()) {
      Fail(kErrInvalidPicture, QString("图片“%1”的数据不完整或已损坏").arg(path_));
    }
  }
  const QSize wanted = target.isEmpty() ? size_ : target;
  if (image.size() != wanted) {
    image = image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  const QImage::Format format =
      image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
  if (image.format() != format) image.convertTo(format);
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
bool EncodeBitmap(const QImage& image, QIODevice& out) {
  const qint64 width = image.width();
  const qint64 height = image.height();
  const qint64 row_bytes = (width * 3 + 3) / 4 * 4;
  const qint64 data_bytes = row_bytes * height;
  constexpr int kHeaders = 14 + 40;
  if (kHeaders + data_bytes > 0xFFFFFFFFLL) return false;  // beyond what the format holds

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
  if (image.format() != QImage::Format_RGB32) image.convertTo(QImage::Format_RGB32);

  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    Fail(kErrPathAccess, QString("无法写入“%1”（%2）").arg(path, file.errorString()));
  }
  WriteBehind device(file);
  if (!EncodeBitmap(image, device)) {
    const QString why = file.error() != QFileDevice::NoError ? file.errorString()
                                                             : QString("图片太大，超出了位图格式的范围");
    file.cancelWriting();
    Fail(kErrPathAccess, QString("无法写入“%1”（%2）").arg(path, why));
  }
  if (!file.commit()) {
    Fail(kErrPathAccess, QString("无法写入“%1”（%2）").arg(path, file.errorString()));
  }
}

}  // namespace vantory::qt
