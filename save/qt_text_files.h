// The core's text files on Qt: written whole, as Save writes a picture (writeFileCompletely).
#pragma once

#include "core/ports.h"

namespace vantory::qt {

class QtTextFiles : public TextFiles {
 public:
  void writeFile(const std::string& path, const std::string& bytes) override;
};

}  // namespace vantory::qt
