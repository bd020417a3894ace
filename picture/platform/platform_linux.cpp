// The Linux side of the seam: file descriptors opened by the bytes of a name, fstat for
// what a file is, writev and sync_file_range for writing, madvise for memory.
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "picture/platform/platform.h"

namespace vantory::qt::platform {
namespace {

QString systemWords(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

FileIdentity identityOf(const struct stat& st) {
  return {static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino), 0,
          static_cast<qint64>(st.st_size), qint64{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
}

}  // namespace

ReadableFile openForReading(const std::string& path) {
  ReadableFile result;
  // Non-blocking, so that opening a named pipe cannot wait for a writer; only a regular
  // file is read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    const int error = errno;
    result.failure = error == ENOENT || error == ENOTDIR ? OpenFailure::kMissing
                     : error == EACCES                   ? OpenFailure::kNoPermission
                                                         : OpenFailure::kOther;
    result.reason = systemWords(error);
    return result;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    result.failure = S_ISDIR(st.st_mode) ? OpenFailure::kFolder : OpenFailure::kNotRegular;
    ::close(fd);
    return result;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  result.file = std::make_unique<QFile>();
  if (!result.file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    result.failure = OpenFailure::kOther;
    result.reason = result.file->errorString();
    result.file.reset();
    return result;
  }
  result.identity = identityOf(st);
  return result;
}

void preferHugePages(QImage& image) {
#if defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  if (image.isNull() || image.sizeInBytes() < qsizetype(8 * kHuge)) return;
  // The whole 2 MB pages inside the image's memory.
  const auto begin = reinterpret_cast<std::uintptr_t>(image.bits());
  const std::uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t last = (begin + static_cast<std::uintptr_t>(image.sizeInBytes())) & ~(kHuge - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)image;
#endif
}

const uchar* releaseMemory(const uchar* from, const uchar* to, std::size_t unit) {
  const auto begin = (reinterpret_cast<std::uintptr_t>(from) + unit - 1) & ~(std::uintptr_t{unit} - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(to) & ~std::uintptr_t{4095};
  if (end <= begin || ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED) != 0) return to;
  return reinterpret_cast<const uchar*>(begin);
}

// ------------------------------------------------------------------ replacing a file

struct ReplacingFile::Handle {
  std::string target;     // the file replaced, links resolved
  std::string temporary;  // beside it
  int fd = -1;
  bool committed = false;
};

ReplacingFile::ReplacingFile(std::string path) : path_(std::move(path)) {}

ReplacingFile::~ReplacingFile() {
  if (!handle_) return;
  if (handle_->fd >= 0) ::close(handle_->fd);
  if (!handle_->committed && !handle_->temporary.empty()) ::unlink(handle_->temporary.c_str());
}

bool ReplacingFile::fail(Failure failure, QString reason) {
  failure_ = failure;
  reason_ = std::move(reason);
  return false;
}

bool ReplacingFile::open() {
  handle_ = std::make_unique<Handle>();
  handle_->target = path_;
  struct stat st {};
  bool exists = ::lstat(path_.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    // Through every link to the file at the end of the chain, which must exist.
    char* resolved = ::realpath(path_.c_str(), nullptr);
    if (resolved == nullptr) return fail(Failure::kUnresolvedLink, systemWords(errno));
    handle_->target = resolved;
    std::free(resolved);
    exists = ::stat(handle_->target.c_str(), &st) == 0;
  }
  if (exists && S_ISDIR(st.st_mode)) return fail(Failure::kOpen, systemWords(EISDIR));
  if (exists && ::access(handle_->target.c_str(), W_OK) != 0) return fail(Failure::kOpen, systemWords(errno));
  // A name of its own beside the target: the target's name and six random letters.
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = handle_->target + '.';
    for (int i = 0; i < 6; ++i) name += kLetters[QRandomGenerator::global()->bounded(62)];
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return fail(Failure::kOpen, systemWords(errno));
    handle_->fd = fd;
    handle_->temporary = std::move(name);
    if (exists) ::fchmod(fd, st.st_mode & 07777);
    return true;
  }
  return fail(Failure::kOpen, systemWords(EEXIST));
}

bool ReplacingFile::write(std::vector<WritePart> parts, const std::function<void(qint64)>& written) {
  constexpr std::size_t kBatch = std::size_t{4} << 20;
  std::vector<iovec> vectors;
  vectors.reserve(parts.size());
  for (const WritePart& part : parts)
    vectors.push_back({const_cast<uchar*>(part.data), static_cast<std::size_t>(part.size)});
  qint64 offset = 0;
  for (std::size_t first = 0; first < vectors.size();) {
    // As many parts as make up about kBatch bytes, at least one.
    int count = 0;
    for (std::size_t bytes = 0;
         first + count < vectors.size() && count < IOV_MAX && (count == 0 || bytes < kBatch); ++count) {
      bytes += vectors[first + count].iov_len;
    }
    const ssize_t done = ::writev(handle_->fd, vectors.data() + first, count);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return fail(Failure::kWrite, systemWords(done < 0 ? errno : ENOSPC));
    // The kernel starts writing to the disk what it has, so that the flush before the
    // rename has less left to do: a hint only.
    ::sync_file_range(handle_->fd, offset, done, SYNC_FILE_RANGE_WRITE);
    offset += done;
    for (std::size_t left = static_cast<std::size_t>(done); left > 0;) {
      iovec& part = vectors[first];
      const std::size_t taken = std::min(left, part.iov_len);
      part.iov_base = static_cast<char*>(part.iov_base) + taken;
      part.iov_len -= taken;
      left -= taken;
      if (part.iov_len == 0) ++first;
    }
    while (first < vectors.size() && vectors[first].iov_len == 0) ++first;
    written(offset);
  }
  return true;
}

bool ReplacingFile::commit() {
  if (::fsync(handle_->fd) != 0) return fail(Failure::kWrite, systemWords(errno));
  const int closed = ::close(handle_->fd);
  handle_->fd = -1;
  if (closed != 0) return fail(Failure::kWrite, systemWords(errno));
  if (::rename(handle_->temporary.c_str(), handle_->target.c_str()) != 0)
    return fail(Failure::kCommit, systemWords(errno));
  handle_->committed = true;
  return true;
}

}  // namespace vantory::qt::platform
