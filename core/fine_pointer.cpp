#include "core/fine_pointer.h"

namespace vantory {

PixelPoint FinePointer::slowed(PixelPoint pointer) const {
  // p = a + (m - a) / 8, in doubles.
  return {anchor_.x + (pointer.x - anchor_.x) / kSlowdown, anchor_.y + (pointer.y - anchor_.y) / kSlowdown};
}

void FinePointer::setHeld(bool held) {
  if (held == held_) return;
  held_ = held;
  if (held) {
    anchor_ = seen_ ? pointer_ : PixelPoint{};
    point_ = anchor_;
  } else {
    point_ = pointer_;
  }
}

PixelPoint FinePointer::track(PixelPoint pointer, bool held) {
  if (held && !held_) {
    held_ = true;
    anchor_ = seen_ ? pointer_ : pointer;
  } else if (!held) {
    held_ = false;
  }
  pointer_ = pointer;
  seen_ = true;
  point_ = held_ ? slowed(pointer) : pointer;
  return point_;
}

}  // namespace vantory
