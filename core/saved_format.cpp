#include "core/saved_format.h"

#include <cctype>

namespace vantory {

SavedFormat savedFormatFor(std::string_view path) {
  constexpr std::string_view kPngEnding = ".png";
  const std::string_view name = path.substr(path.find_last_of('/') + 1);
  if (name.size() < kPngEnding.size()) return SavedFormat::kBitmap;
  const std::string_view ending = name.substr(name.size() - kPngEnding.size());
  for (std::size_t i = 0; i < ending.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(ending[i])) != kPngEnding[i]) return SavedFormat::kBitmap;
  }
  return SavedFormat::kPng;
}

}  // namespace vantory
