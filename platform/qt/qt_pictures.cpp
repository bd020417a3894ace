#include "platform/qt/qt_pictures.h"

#include <QColor>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QStringList>
#include <mutex>

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

void WriteBitmap(const QtPicture& picture, const QString& path) {
  QImage image = picture.Decode();
  if (image.isNull()) Fail(kErrInvalidPicture, "没有可以保存的图像");
  if (image.format() != QImage::Format_RGB32) image.convertTo(QImage::Format_RGB32);

  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    Fail(kErrPathAccess, QString("无法写入“%1”（%2）").arg(path, file.errorString()));
  }
  QImageWriter writer(&file, "bmp");
  if (!writer.write(image)) {
    file.cancelWriting();
    Fail(kErrPathAccess, QString("无法写入“%1”（%2）").arg(path, writer.errorString()));
  }
  if (!file.commit()) {
    Fail(kErrPathAccess, QString("无法写入“%1”（%2）").arg(path, file.errorString()));
  }
}

}  // namespace vantory::qt
