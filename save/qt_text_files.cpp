#include "save/qt_text_files.h"

#include "picture/file_writing.h"

namespace vantory::qt {

void QtTextFiles::writeFile(const std::string& path, const std::string& bytes) {
  writeFileCompletely(path,
                      {{reinterpret_cast<const uchar*>(bytes.data()), static_cast<qint64>(bytes.size())}});
}

}  // namespace vantory::qt
