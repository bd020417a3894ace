#include "core/label_placement.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace vantory {
namespace {

// A box covering more cells than this across makes the grid coarser.
constexpr double kMaxCellsAcross = 16;

std::int64_t cellIndex(double coordinate, double cellSize) {
  const double index = std::floor(coordinate / cellSize);
  constexpr double kLimit = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int64_t>(std::clamp(index, -kLimit, kLimit));
}

std::uint64_t cellKey(std::int64_t x, std::int64_t y) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) | static_cast<std::uint32_t>(y);
}

bool hasArea(const LabelBox& box) { return box.width > 0 && box.height > 0; }

// A box at (x, y) as the label will be drawn there: at float twips.
LabelBox boxAt(double x, double y, double width, double height) {
  return {static_cast<float>(x), static_cast<float>(y), width, height};
}

}  // namespace

bool LabelPlacement::Placed::isFor(const LabelRequest& other) const {
  return request.from == other.from && request.to == other.to && request.midpoint == other.midpoint &&
         request.size == other.size && request.value == other.value && unit == other.unit &&
         request.ink == other.ink;
}

template <typename Visit>
void LabelPlacement::forEachCell(const LabelBox& box, Visit&& visit) const {
  const std::int64_t x0 = cellIndex(box.left, cellSize_), x1 = cellIndex(box.left + box.width, cellSize_);
  const std::int64_t y0 = cellIndex(box.top, cellSize_), y1 = cellIndex(box.top + box.height, cellSize_);
  for (std::int64_t x = x0; x <= x1; ++x) {
    for (std::int64_t y = y0; y <= y1; ++y) visit(cellKey(x, y));
  }
}

bool LabelPlacement::isFree(const LabelBox& box, const LabelRequest& request) const {
  bool free = true;
  forEachCell(box, [&](std::uint64_t key) {
    if (!free) return;
    const auto cell = cells_.find(key);
    if (cell == cells_.end()) return;
    for (const std::uint32_t index : cell->second) {
      const Placed& other = placed_[index];
      if (!other.box.overlaps(box)) continue;
      // The same segment drawn again with the same label lies on its twin.
      if (!(other.box == box && other.isFor(request))) {
        free = false;
        return;
      }
    }
  });
  return free;
}

void LabelPlacement::rebuildGrid() {
  cells_.clear();
  for (std::uint32_t index = 0; index < placed_.size(); ++index) {
    if (!hasArea(placed_[index].box)) continue;
    forEachCell(placed_[index].box, [&](std::uint64_t key) { cells_[key].push_back(index); });
  }
}

void LabelPlacement::add(const LabelRequest& request, const LabelBox& box) {
  const auto index = static_cast<std::uint32_t>(placed_.size());
  placed_.push_back({request, std::string(request.unit), box});
  placed_.back().request.unit = {};  // the copy is what counts
  ++count_;
  if (!hasArea(box)) return;
  forEachCell(box, [&](std::uint64_t key) { cells_[key].push_back(index); });
}

void LabelPlacement::removeLast() {
  const Placed& last = placed_.back();
  if (hasArea(last.box)) {
    forEachCell(last.box, [&](std::uint64_t key) {
      const auto cell = cells_.find(key);
      cell->second.pop_back();  // the last box placed is the last entry of each of its cells
      if (cell->second.empty()) cells_.erase(cell);
    });
  }
  placed_.pop_back();
}

TwipPoint LabelPlacement::place(const LabelRequest& request) {
  if (count_ < placed_.size()) {
    const Placed& before = placed_[count_];
    if (before.isFor(request)) {
      ++count_;
      return {static_cast<float>(before.box.left), static_cast<float>(before.box.top)};
    }
    while (placed_.size() > count_) removeLast();
  }

  const double width = request.size.width, height = request.size.height;
  const double midX = request.midpoint.x, midY = request.midpoint.y;
  const LabelBox atMidpoint{midX, midY, width, height};
  if (!(width > 0 && height > 0 && std::isfinite(width) && std::isfinite(height) && std::isfinite(midX) &&
        std::isfinite(midY))) {
    // A label without area covers nothing.
    add(request, {midX, midY, 0, 0});
    return request.midpoint;
  }
  if (cellSize_ == 0 || std::max(width, height) > kMaxCellsAcross * cellSize_) {
    // Cells about the size of a label: a coarser grid for labels far larger.
    cellSize_ = std::max(width, height);
    rebuildGrid();
  }

  // The normal of the segment, pointing down (right for an upright segment), whichever
  // way the segment was drawn.
  double nx = -(double{request.to.y} - request.from.y);
  double ny = double{request.to.x} - request.from.x;
  const double length = std::hypot(nx, ny);
  if (length > 0 && std::isfinite(length)) {
    nx /= length;
    ny /= length;
  } else {
    nx = 0;
    ny = 1;
  }
  if (ny < 0 || (ny == 0 && nx < 0)) {
    nx = -nx;
    ny = -ny;
  }
  // One step moves the box by its own extent across the normal's main direction.
  double step = std::numeric_limits<double>::infinity();
  if (nx != 0) step = std::min(step, width / std::abs(nx));
  if (ny != 0) step = std::min(step, height / std::abs(ny));

  const std::array<std::array<double, 2>, 4> corners{{{0, 0}, {-width, 0}, {0, -height}, {-width, -height}}};
  for (int k = 0; k <= kMaxSteps; ++k) {
    for (const int side : {1, -1}) {
      if (k == 0 && side < 0) continue;
      const double anchorX = midX + side * k * step * nx, anchorY = midY + side * k * step * ny;
      for (const auto& [cx, cy] : corners) {
        const LabelBox box =
            k == 0 && cx == 0 && cy == 0 ? atMidpoint : boxAt(anchorX + cx, anchorY + cy, width, height);
        if (isFree(box, request)) {
          add(request, box);
          return {static_cast<float>(box.left), static_cast<float>(box.top)};
        }
      }
    }
  }
  add(request, atMidpoint);
  return request.midpoint;
}

}  // namespace vantory
