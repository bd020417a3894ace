// The picture library's one seam to the operating system: whatever it needs beyond Qt and
// the C++ standard library goes through here. Opening a file by the bytes of its name
// (never waiting on a named pipe or a device) and knowing it again later; replacing a file
// completely or not at all, through symbolic links to what they point to; advice on
// memory. Two sides implement it, chosen by the build: platform_linux.cpp, with POSIX and
// Linux calls, and platform_portable.cpp, with Qt and the standard library alone, for the
// systems the Linux side does not build on (VANTORY_PORTABLE).
#pragma once

#include <QFile>
#include <QImage>
#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantory::qt::platform {

// What tells a file's contents as they were when it was opened: the same file (device and
// inode where the system has them, else its time of creation) with the same size and time
// of last change. A file replaced under the same name, or written to since, has another
// identity.
struct FileIdentity {
  quint64 device = 0, inode = 0;
  qint64 createdNs = 0;
  qint64 size = -1;
  qint64 modifiedNs = 0;
  bool operator==(const FileIdentity&) const = default;
};

enum class OpenFailure { kNone, kMissing, kFolder, kNotRegular, kNoPermission, kOther };

// A file open for reading, or why it could not be opened.
struct ReadableFile {
  std::unique_ptr<QFile> file;  // null when it could not be opened
  FileIdentity identity;
  OpenFailure failure = OpenFailure::kNone;
  QString reason;  // the system's words, for kOther
};

// Opens the file whose name has the bytes `path` for reading: only a regular file; a named
// pipe, a device or a socket is refused at once, without waiting on it.
ReadableFile openForReading(const std::string& path);

// Asks the system to back a large image with huge pages, where it can: only advice. Call
// on a fresh image, before its pixels are written.
void preferHugePages(QImage& image);

// Gives the memory of the pages of `unit` bytes from `from` on, up to the end of `to`'s
// own page of 4 KB, back to the system; what is read there afterwards is zero. Returns
// where the memory given back begins (`to` when nothing was given back, as on a system
// where this side cannot).
const uchar* releaseMemory(const uchar* from, const uchar* to, std::size_t unit);

// A part of what is written, in memory.
struct WritePart {
  const uchar* data;
  qint64 size;
};

// A file replaced completely or not at all: the bytes go to a temporary file beside it,
// which is flushed to the disk and then renamed over it. A symbolic link is followed to
// the file it points to, as editors do; a link loop or a dangling link is refused, and
// nothing is replaced. An existing file keeps its permissions.
class ReplacingFile {
 public:
  enum class Failure {
    kNone,
    kUnresolvedLink,  // a link loop or a dangling link
    kOpen,            // no temporary file could be made (no folder, no permission)
    kWrite,           // a write or the flush failed: often a full disk
    kCommit,          // the rename into place failed
  };

  explicit ReplacingFile(std::string path);
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  // Removes the temporary file unless it was committed.
  ~ReplacingFile();

  bool open();
  // Writes every byte of `parts` in order, a few megabytes at a time; after each write,
  // tells `written` how many bytes the file holds so far.
  bool write(std::vector<WritePart> parts, const std::function<void(qint64)>& written);
  // Flushes the file to the disk and renames it into place.
  bool commit();

  Failure failure() const { return failure_; }
  // The system's words for the failure.
  const QString& reason() const { return reason_; }

 private:
  struct Handle;
  bool fail(Failure failure, QString reason);

  std::string path_;
  std::unique_ptr<Handle> handle_;
  Failure failure_ = Failure::kNone;
  QString reason_;
};

}  // namespace vantory::qt::platform
