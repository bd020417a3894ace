#include "picture/whole_file.h"

#include "picture/file_names.h"
#include "picture/picture_errors.h"

namespace vantory::qt {

void writeWholeFile(const std::string& path, std::vector<platform::WritePart> parts,
                    const std::function<void(qint64)>& written) {
  platform::ReplacingFile file(path);
  if (file.open() && file.write(std::move(parts), written) && file.commit()) return;
  using Failure = platform::ReplacingFile::Failure;
  const char* text = file.failure() == Failure::kWrite            ? texts::kDiskFull
                     : file.failure() == Failure::kUnresolvedLink ? texts::kUnresolvedLink
                                                                  : texts::kWriteFailed;
  fail(ErrorCode::kPathAccess, QString(text).arg(shownName(path), file.reason()));
}

}  // namespace vantory::qt
