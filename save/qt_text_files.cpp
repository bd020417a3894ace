#include "save/qt_text_files.h"

#include <QSaveFile>
#include <QString>

#include "core/texts.h"
#include "picture/picture_errors.h"

namespace vantory::qt {

void QtTextFiles::writeFile(const std::string& path, const std::string& bytes) {
  const QString name = QString::fromStdString(path);
  QSaveFile file(name);
  // Unbuffered: a buffered QSaveFile loses the error of a write cut short at its flush (a
  // full disk, a file-size limit) and commits the truncated file as if it were whole.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    fail(ErrorCode::kPathAccess, QString(texts::kWriteFailed).arg(name, file.errorString()));
  }
  // A write cut short is continued; the one after it tells why, when it fails.
  for (qint64 done = 0, size = static_cast<qint64>(bytes.size()); done < size;) {
    const qint64 written = file.write(bytes.data() + done, size - done);
    if (written <= 0) {
      const QString why = file.errorString();
      file.cancelWriting();  // the temporary file goes with `file`
      fail(ErrorCode::kPathAccess, QString(texts::kDiskFull).arg(name, why));
    }
    done += written;
  }
  if (!file.commit()) {
    // The flush to the disk happens here, then the file is renamed into place.
    const bool writing =
        file.error() == QFileDevice::WriteError || file.error() == QFileDevice::ResourceError;
    fail(ErrorCode::kPathAccess,
         QString(writing ? texts::kDiskFull : texts::kWriteFailed).arg(name, file.errorString()));
  }
}

}  // namespace vantory::qt
