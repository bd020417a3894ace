#include "picture/file_writing.h"

#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include <limits.h>
#if defined(Q_OS_LINUX)
#include <fcntl.h>
#endif

#include "picture/picture_errors.h"

namespace vantory::qt {
namespace {

// Writes every byte of `parts` to `fd`, a few megabytes at a time, as many as the system
// takes; a write the disk cuts short is continued, and one that fails says why. After
// each write `written` is told how many bytes are in the file so far. On Linux the
// kernel is asked each time to start writing to the disk what it has, so that the flush
// before the rename has less left to do.
bool writeAll(int fd, std::vector<iovec>& parts, const std::function<void(qint64)>& written, QString& why) {
  constexpr std::size_t kBatch = std::size_t{4} << 20;
  qint64 offset = 0;
  for (std::size_t first = 0; first < parts.size();) {
    // As many parts as make up about kBatch bytes, at least one.
    int count = 0;
    for (std::size_t bytes = 0;
         first + count < parts.size() && count < IOV_MAX && (count == 0 || bytes < kBatch); ++count) {
      bytes += parts[first + count].iov_len;
    }
    const ssize_t done = ::writev(fd, parts.data() + first, count);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      why = done < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QString("写入的字节数不足");
      return false;
    }
#if defined(Q_OS_LINUX)
    ::sync_file_range(fd, offset, done, SYNC_FILE_RANGE_WRITE);  // a hint only
#endif
    offset += done;
    for (std::size_t left = static_cast<std::size_t>(done); left > 0;) {
      iovec& part = parts[first];
      const std::size_t taken = std::min(left, part.iov_len);
      part.iov_base = static_cast<char*>(part.iov_base) + taken;
      part.iov_len -= taken;
      left -= taken;
      if (part.iov_len == 0) ++first;
    }
    while (first < parts.size() && parts[first].iov_len == 0) ++first;
    written(offset);
  }
  return true;
}

}  // namespace

void writeFileAtomically(const QString& path, std::vector<iovec>& parts,
                         const std::function<void(qint64)>& written) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    fail(ErrorCode::kPathAccess, QString("无法写入“%1”（%2）").arg(path, file.errorString()));
  }
  const auto writeFailed = [&path](const QString& why) {
    return QString("无法写入“%1”（磁盘已满或写入失败：%2）").arg(path, why);
  };
  QString why;
  if (!writeAll(
          file.handle(), parts, written ? written : [](qint64) {}, why)) {
    file.cancelWriting();  // the temporary file goes with `file`
    fail(ErrorCode::kPathAccess, writeFailed(why));
  }
  if (!file.commit()) {
    // The flush to the disk happens here, then the file is renamed into place.
    const bool writing =
        file.error() == QFileDevice::WriteError || file.error() == QFileDevice::ResourceError;
    fail(ErrorCode::kPathAccess, writing ? writeFailed(file.errorString())
                                         : QString("无法写入“%1”（%2）").arg(path, file.errorString()));
  }
}

}  // namespace vantory::qt
