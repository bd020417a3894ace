// Snapping an end of a segment to the picture: along the line through the segment's two
// ends, the end moves to the nearest place where the picture's brightness changes fastest
// (an edge), or to the centre of a narrow dark or light band crossing the line (a thin
// line: a ruler's tick, a scale bar's end mark), found in the picture's own pixels to a
// fraction of a pixel. Where no change stands out from the picture's noise, nothing is
// found and the end stays where it was placed.
#pragma once

#include <cstdint>
#include <vector>

namespace vantory {

// The brightness of a picture at its own pixels.
class BrightnessSource {
 public:
  virtual ~BrightnessSource() = default;
  virtual int width() const = 0;
  virtual int height() const = 0;
  // The brightness of pixel (x, y), 0 (black) to 255 (white); 0 <= x < width(),
  // 0 <= y < height().
  virtual double brightness(int x, int y) const = 0;
};

// An 8-bit grey picture held in memory, row after row.
class GreyPicture : public BrightnessSource {
 public:
  GreyPicture(int width, int height, std::vector<std::uint8_t> pixels)
      : width_(width), height_(height), pixels_(std::move(pixels)) {}
  int width() const override { return width_; }
  int height() const override { return height_; }
  double brightness(int x, int y) const override {
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
  }

 private:
  int width_;
  int height_;
  std::vector<std::uint8_t> pixels_;
};

// A point on the picture in its own pixels: (0, 0) is the picture's top-left corner, pixel
// (i, j) covers [i, i + 1) x [j, j + 1), its centre at (i + 0.5, j + 0.5).
struct PicturePoint {
  double x = 0;
  double y = 0;
};

struct SnapSearch {
  PicturePoint end;    // where the end was placed
  PicturePoint other;  // the segment's other end: the line runs through both
  double reach = 0;    // how far the end may move, picture pixels on either side
  // The width, in picture pixels, up to which a band between two opposite changes counts
  // as one thin line rather than two edges.
  double thinLineWidth = 2;
};

struct Snap {
  enum class Kind { kNone, kEdge, kThinLine };
  Kind kind = Kind::kNone;
  PicturePoint at;      // the end snapped, or where it was placed when nothing was found
  double shift = 0;     // how far it moved along the line, picture pixels (signed)
  double contrast = 0;  // the change in brightness found there
};

// The end of `search` snapped to the nearest edge or thin line within its reach, or left
// where it is (Kind::kNone) when none stands out from the noise there. The line through
// the two ends must have a length; a degenerate search finds nothing.
Snap snapToEdge(const BrightnessSource& picture, const SnapSearch& search);

}  // namespace vantory
