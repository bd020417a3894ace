// The ends of a pair placed with Ctrl held snap to the picture's edges. An end is mapped
// from view twips to the picture's own pixels as Save maps the annotations onto the
// picture (CoordinateMap), snapped there along the line through the pair's two ends
// (snapToEdge), and the place found is mapped back to view twips. From then on it is an
// ordinary point.
#pragma once

#include <string>

#include "core/edge_snap.h"
#include "core/geometry.h"

namespace vantory {

// How far an end may move, in pixels of the view on either side of where it was placed.
inline constexpr double kSnapReach = 3;
// The widest band, in pixels of the view, that counts as one thin line rather than two
// edges; at least kSnapThinLineMin of the picture's own pixels.
inline constexpr double kSnapThinLine = 1.5;
inline constexpr double kSnapThinLineMin = 2;

// What became of one end of a pair.
struct EndSnap {
  bool asked = false;                   // it was placed asking to snap (Ctrl held)
  Snap::Kind kind = Snap::Kind::kNone;  // what it moved to; kNone: it stayed where it was placed
  double shift = 0;                     // how far it moved, the picture's pixels, towards the other end > 0
  bool operator==(const EndSnap&) const = default;
};

// What became of the two ends of a pair.
struct PairSnap {
  EndSnap a, b;
  bool pixelsUnreadable = false;  // the picture's own pixels could not be read: no end moved
  bool asked() const { return a.asked || b.asked; }
  bool operator==(const PairSnap&) const = default;
};

// Where the picture is: its place on the view and its natural size, both in twips.
struct PicturePlace {
  TwipRect shown;
  TwipSize natural;
};

// Moves the ends of `pair` (view twips) that ask to snap (`snapA`, `snapB`) to the nearest
// edge or thin line of `pixels` (the picture at its natural size) within reach, both
// searched along the line through the pair's two ends as placed. The reach and the thin
// line's width are the view's pixels turned into the picture's by the picture's scale on
// the view. An end where nothing stands out stays exactly where it was placed, as does
// every end of a picture not shown.
PairSnap snapPair(const BrightnessSource& pixels, const PicturePlace& place, Segment& pair, bool snapA,
                  bool snapB);

// The status line's words for `outcome`: which ends moved and by how many of the picture's
// pixels, or that none found an edge ("" when no end asked to snap).
std::string describeSnap(const PairSnap& outcome);

}  // namespace vantory
