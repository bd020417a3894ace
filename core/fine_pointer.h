// Fine placement: while Shift is held, the point being placed follows the pointer at an
// eighth of its pace, from where the pointer was when Shift went down, so that a point can
// be put on a picture's own pixel however small the view shows it. Released, the point is
// the pointer again.
#pragma once

namespace vantory {

// A position on the view in logical pixels, fractional where the platform reports
// fractions.
struct PixelPoint {
  double x = 0;
  double y = 0;
  bool operator==(const PixelPoint&) const = default;
};

class FinePointer {
 public:
  static constexpr double kSlowdown = 8;

  // The pointer at `pointer`, with Shift held or not: where the point is. The first time
  // it is seen held, the place of the slowed point starts from the pointer's last place
  // before (or from here, when there is none).
  PixelPoint track(PixelPoint pointer, bool held);
  // Shift pressed or released without a move: the point stays where it was until the
  // pointer moves, then follows it slowed (or not).
  void setHeld(bool held);

  bool held() const { return held_; }
  // Where the point is now.
  PixelPoint point() const { return point_; }

 private:
  PixelPoint slowed(PixelPoint pointer) const;
  bool held_ = false;
  bool seen_ = false;
  PixelPoint anchor_;   // the pointer's place when Shift went down
  PixelPoint pointer_;  // the pointer's last place
  PixelPoint point_;
};

}  // namespace vantory
