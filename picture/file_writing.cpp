#include "picture/file_writing.h"

#include "picture/file_names.h"
#include "picture/picture_errors.h"

namespace vantory::qt {

void writeFileCompletely(const std::string& path, std::vector<platform::WritePart> parts,
                         const std::function<void(qint64)>& written) {
  platform::ReplacingFile file(path);
  if (!file.open() ||
      !file.write(
          std::move(parts), written ? written : [](qint64) {}) ||
      !file.commit()) {
    using Failure = platform::ReplacingFile::Failure;
    const char* text = file.failure() == Failure::kWrite            ? texts::kDiskFull
                       : file.failure() == Failure::kUnresolvedLink ? texts::kUnresolvedLink
                                                                    : texts::kWriteFailed;
    fail(ErrorCode::kPathAccess, QString(text).arg(shownName(path), file.reason()));
  }
}

}  // namespace vantory::qt
