// Where labels go so that none covers another. Labels are placed one after the other, in
// the order they are drawn: a label goes with its top-left corner at its segment's
// midpoint, unless that box overlaps a label placed before it; then it takes the first
// free place of this order:
//   1. its other three corners at the midpoint: top-right, bottom-left, bottom-right;
//   2. the same four boxes moved out along the segment's normal by one step, on one side
//      and then on the other, then by two steps, and so on. A step moves the box by its
//      own extent across the normal's main direction: its height for a level segment,
//      its width for an upright one.
// Boxes overlap when they share area; touching edges do not. The same segment drawn again
// with the same label (a measurement kept twice, the working pair just kept) may lie on
// its twin. The screen and a saved picture place their labels by this one rule, each
// with the label sizes of its own font and scale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/geometry.h"
#include "core/ports.h"

namespace vantory {

// A label's box: its top-left corner and its size, in the twips of what it is drawn on.
struct LabelBox {
  double left = 0, top = 0, width = 0, height = 0;
  bool overlaps(const LabelBox& other) const {
    return left < other.left + other.width && other.left < left + width && top < other.top + other.height &&
           other.top < top + height;
  }
  bool operator==(const LabelBox&) const = default;
};

// What decides where a label goes.
struct LabelRequest {
  TwipPoint from, to;  // its segment, mapped
  TwipPoint midpoint;  // the segment's midpoint, as the drawing computes it
  TwipSize size;
  float value = 0;
  std::string_view unit;
  Ink ink = Ink::kMeasurement;
};

class LabelPlacement {
 public:
  // Starts a new round of placements: the labels placed from now on are checked against
  // each other only. What the last round placed is kept: while the same labels come
  // again in the same order they take the same places at no cost (the committed labels
  // of the live view, the same at every move), and only the labels from the first one
  // that differs are placed anew.
  void restart() { count_ = 0; }

  // The top-left corner of the next label.
  TwipPoint place(const LabelRequest& request);

  // How far out along the normal the search goes before it gives up and leaves the label
  // at its midpoint, covering what it must: more steps than any number of labels can fill.
  static constexpr int kMaxSteps = 4096;

 private:
  struct Placed {
    LabelRequest request;  // without its unit: that is kept in `unit`
    std::string unit;
    LabelBox box;
    bool isFor(const LabelRequest& other) const;
  };
  bool isFree(const LabelBox& box, const LabelRequest& request) const;
  void add(const LabelRequest& request, const LabelBox& box);
  void removeLast();
  void rebuildGrid();
  // The grid cells a box covers, through `visit(key)`.
  template <typename Visit>
  void forEachCell(const LabelBox& box, Visit&& visit) const;

  std::vector<Placed> placed_;  // this round's (up to count_), then the last round's rest
  std::size_t count_ = 0;
  // The placed boxes by the grid cells they cover; a cell's entries are in placing order.
  std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> cells_;
  double cellSize_ = 0;  // from the first label with an area
};

}  // namespace vantory
