#include "platform/controls.h"

namespace vantory {

Colour QBColor(int index) {
  // The 16 colours of the classic palette, packed 0x00BBGGRR.
  static constexpr Colour kPalette[16] = {
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  if (index < 0 || index > 15) return 0;
  return kPalette[index];
}

}  // namespace vantory
