// Positions and sizes on the view surface, in twips (1/1440 inch, 15 to a logical pixel),
// held as 32-bit floats: every rule of the arithmetic rounds to a float at fixed steps.
#pragma once

namespace vantory {

inline constexpr int kTwipsPerPixel = 15;

struct TwipPoint {
  float x = 0;
  float y = 0;
  bool operator==(const TwipPoint&) const = default;
};

struct TwipSize {
  float width = 0;
  float height = 0;
  bool operator==(const TwipSize&) const = default;
};

// Where the picture is shown on the view surface.
struct TwipRect {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  bool operator==(const TwipRect&) const = default;
};

// A segment between two placed points.
struct Segment {
  TwipPoint a;
  TwipPoint b;
  bool operator==(const Segment&) const = default;
};

}  // namespace vantory
