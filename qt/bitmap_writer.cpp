#include "qt/bitmap_writer.h"

#include <QSaveFile>
#include <algorithm>

#if defined(Q_OS_LINUX)
#include <fcntl.h>
#endif

#include "qt/picture_errors.h"

namespace vantory::qt {
namespace {

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
    if (pending_ >= kChunk) startWriting();
    return done;
  }

 private:
  static constexpr qint64 kChunk = qint64{2} << 20;

  void startWriting() {
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

void putLe(char* at, quint32 value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Encodes an RGB32 image as a 24-bit Windows bitmap: the file header, the 40-byte info
// header, then the rows bottom-up as blue, green, red, each padded to 4 bytes. Written a
// few hundred rows at a time; this is several times faster than Qt's general writer,
// which matters for the 70 MB of a 24-megapixel photo.
constexpr int kHeaders = 14 + 40;

qint64 bitmapRowBytes(qint64 width) { return (width * 3 + 3) / 4 * 4; }

// Whether a 24-bit bitmap of `size` fits in the format's 32-bit file size.
bool fitsBitmap(QSize size) {
  return kHeaders + bitmapRowBytes(size.width()) * size.height() <= 0xFFFFFFFFLL;
}

bool encodeBitmap(const QImage& image, QIODevice& out) {
  const qint64 width = image.width();
  const qint64 height = image.height();
  const qint64 row_bytes = bitmapRowBytes(width);
  const qint64 data_bytes = row_bytes * height;

  char header[kHeaders] = {};
  header[0] = 'B';
  header[1] = 'M';
  putLe(header + 2, static_cast<quint32>(kHeaders + data_bytes), 4);
  putLe(header + 10, kHeaders, 4);
  putLe(header + 14, 40, 4);
  putLe(header + 18, static_cast<quint32>(width), 4);
  putLe(header + 22, static_cast<quint32>(height), 4);  // positive: rows bottom-up
  putLe(header + 26, 1, 2);                             // planes
  putLe(header + 28, 24, 2);                            // bits per pixel
  putLe(header + 34, static_cast<quint32>(data_bytes), 4);
  const int dpm_x = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() : 3780;
  const int dpm_y = image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() : 3780;
  putLe(header + 38, static_cast<quint32>(dpm_x), 4);
  putLe(header + 42, static_cast<quint32>(dpm_y), 4);
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

void writeBitmap(QImage image, const QString& path) {
  if (image.isNull()) fail(ErrorCode::kInvalidPicture, "没有可以保存的图像");
  if (image.format() != QImage::Format_RGB32) {
    image.convertTo(QImage::Format_RGB32);
    if (image.isNull()) fail(ErrorCode::kOutOfMemory, QString("内存不够，无法保存“%1”").arg(path));
  }
  if (!fitsBitmap(image.size())) {
    fail(ErrorCode::kPathAccess, QString("无法写入“%1”（图片太大，超出了位图格式的范围）").arg(path));
  }

  const auto write_failed = [&path](const QString& why) {
    return QString("无法写入“%1”（磁盘已满或写入失败：%2）").arg(path, why);
  };
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    fail(ErrorCode::kPathAccess, QString("无法写入“%1”（%2）").arg(path, file.errorString()));
  }
  WriteBehind device(file);
  if (!encodeBitmap(image, device)) {
    const QString why = device.errorString();
    file.cancelWriting();
    fail(ErrorCode::kPathAccess, write_failed(why));
  }
  if (!file.commit()) {
    // The last bytes and the flush to the disk are written here, then the file is renamed
    // into place.
    const bool writing = file.error() == QFileDevice::WriteError || file.error() == QFileDevice::ResourceError;
    fail(ErrorCode::kPathAccess, writing ? write_failed(file.errorString())
                                 : QString("无法写入“%1”（%2）").arg(path, file.errorString()));
  }
}

}  // namespace vantory::qt
