// The limits every decode keeps.
#pragma once

#include <QtGlobal>

namespace vantory::qt {

// The most memory a decode may take at its peak: 1 GiB, a picture of 16384 x 16384 32-bit
// pixels.
inline constexpr qint64 kMaxDecodedBytes = qint64{1024} * 1024 * 1024;

}  // namespace vantory::qt
