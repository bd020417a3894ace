// The portable side of the seam, on Qt and the C++ standard library alone, for the systems
// the Linux side does not build on (Windows, macOS): QFileInfo for what a file is and
// knowing it again, QFile for reading, QSaveFile for replacing. What it gives up against
// the Linux side: memory given back while a picture is written, huge pages, and a file
// checked and opened in one step (a regular file replaced by a named pipe between the
// check and the open could make the open wait). A name is text on those systems; a name
// of bytes that are not text (on Linux) is refused rather than taken for another.
#include <QDateTime>
#include <QFileInfo>
#include <QSaveFile>

#include "core/texts.h"
#include "picture/platform/platform.h"

namespace vantory::qt::platform {
namespace {

// The name whose bytes are `path`, when it has a text that gives those bytes back.
bool nameOf(const std::string& path, QString& name) {
  name = QFile::decodeName(QByteArray::fromStdString(path));
  return QFile::encodeName(name).toStdString() == path;
}

qint64 nanoseconds(const QDateTime& time) { return time.isValid() ? time.toMSecsSinceEpoch() * 1000000 : 0; }

// Without an inode, a file is known again by its size and its times of last change and of
// creation (where the system keeps one): a file renamed over it was made later.
FileIdentity identityOf(const QFileInfo& info) {
  return {0, 0, nanoseconds(info.birthTime()), info.size(), nanoseconds(info.lastModified())};
}

}  // namespace

ReadableFile openForReading(const std::string& path) {
  ReadableFile result;
  QString name;
  if (!nameOf(path, name)) {
    result.failure = OpenFailure::kOther;
    result.reason = texts::kNameNotText;
    return result;
  }
  const QFileInfo info(name);
  if (name.isEmpty() || !info.exists()) {
    result.failure = OpenFailure::kMissing;
  } else if (info.isDir()) {
    result.failure = OpenFailure::kFolder;
  } else if (!info.isFile()) {
    result.failure = OpenFailure::kNotRegular;
  } else if (!info.isReadable()) {
    result.failure = OpenFailure::kNoPermission;
  }
  if (result.failure != OpenFailure::kNone) return result;
  result.file = std::make_unique<QFile>(name);
  if (!result.file->open(QIODevice::ReadOnly)) {
    result.failure = OpenFailure::kOther;
    result.reason = result.file->errorString();
    result.file.reset();
    return result;
  }
  result.identity = identityOf(info);
  return result;
}

void preferHugePages(QImage&) {}

const uchar* releaseMemory(const uchar*, const uchar* to, std::size_t) { return to; }

struct ReplacingFile::Handle {
  QSaveFile file;
};

ReplacingFile::ReplacingFile(std::string path) : path_(std::move(path)) {}

ReplacingFile::~ReplacingFile() {
  if (handle_ && handle_->file.isOpen()) handle_->file.cancelWriting();
}

bool ReplacingFile::fail(Failure failure, QString reason) {
  failure_ = failure;
  reason_ = std::move(reason);
  return false;
}

bool ReplacingFile::open() {
  QString name;
  if (!nameOf(path_, name)) return fail(Failure::kOpen, texts::kNameNotText);
  const QFileInfo info(name);
  if (info.isSymLink()) {
    // Through every link to the file at the end of the chain, which must exist (a loop
    // ends nowhere).
    if (!info.exists()) return fail(Failure::kUnresolvedLink, info.symLinkTarget());
    name = info.canonicalFilePath();
  }
  handle_ = std::make_unique<Handle>();
  handle_->file.setFileName(name);
  if (!handle_->file.open(QIODevice::WriteOnly)) return fail(Failure::kOpen, handle_->file.errorString());
  return true;
}

bool ReplacingFile::write(std::vector<WritePart> parts, const std::function<void(qint64)>& written) {
  qint64 offset = 0;
  for (const WritePart& part : parts) {
    if (handle_->file.write(reinterpret_cast<const char*>(part.data), part.size) != part.size)
      return fail(Failure::kWrite, handle_->file.errorString());
    offset += part.size;
    written(offset);
  }
  return true;
}

bool ReplacingFile::commit() {
  if (handle_->file.commit()) return true;
  const QFileDevice::FileError error = handle_->file.error();
  return fail(error == QFileDevice::WriteError || error == QFileDevice::ResourceError ? Failure::kWrite
                                                                                      : Failure::kCommit,
              handle_->file.errorString());
}

}  // namespace vantory::qt::platform
