// The core's text files on Qt: a file written whole through QSaveFile.
#pragma once

#include "core/ports.h"

namespace vantory::qt {

class QtTextFiles : public TextFiles {
 public:
  void writeFile(const std::string& path, const std::string& bytes) override;
};

}  // namespace vantory::qt
