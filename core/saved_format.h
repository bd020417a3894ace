// The format of a saved picture, told by the name it is saved under.
#pragma once

#include <string_view>

namespace vantory {

enum class SavedFormat { kBitmap, kPng };

// PNG for a name ending in ".png", in any case ("x.png", "x.PNG"); a Windows bitmap for
// every other name, with or without an extension. Only the file's own name counts, not
// the folders above it.
SavedFormat savedFormatFor(std::string_view path);

}  // namespace vantory
