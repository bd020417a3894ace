#include "picture/large_images.h"

#include <cstdint>

#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#endif

namespace vantory::qt {

void preferHugePages(QImage& image) {
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  if (image.isNull() || image.sizeInBytes() < qsizetype(8 * kHuge)) return;
  // The whole 2 MB pages inside the image's memory.
  const auto begin = reinterpret_cast<std::uintptr_t>(image.bits());
  const std::uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t last = (begin + static_cast<std::uintptr_t>(image.sizeInBytes())) & ~(kHuge - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)image;
#endif
}

}  // namespace vantory::qt
