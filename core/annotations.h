// What is drawn, and in which order, on screen and in a saved picture: each segment's
// label at its midpoint, then its line over it; the reference first, then the
// measurements in the order of their commits. One path serves both, through a map from
// view twips to the twips of what is drawn on.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/geometry.h"
#include "core/label_placement.h"
#include "core/ports.h"
#include "core/session.h"

namespace vantory {

// From view twips to the twips of the drawing: the identity on screen; for a saved picture,
// the shown rectangle onto the picture at its natural size (its left and top edges to 0,
// its right and bottom edges to the picture's width and height), each coordinate as
// (v - left) x pictureWidth / width in doubles, subtract, multiply, divide.
class CoordinateMap {
 public:
  static CoordinateMap identity() { return CoordinateMap(); }
  static CoordinateMap onto(TwipRect shown, TwipSize picture) { return CoordinateMap(shown, picture); }
  double x(float v) const;
  double y(float v) const;
  // How much larger than on screen labels and lines are drawn: the picture's size over
  // the size it was shown at (the smaller of the two sides' ratios) when the picture is
  // larger than shown; 1 on screen and for a picture shown at its own size or enlarged.
  float annotationScale() const;

 private:
  CoordinateMap() = default;
  CoordinateMap(TwipRect shown, TwipSize picture) : identity_(false), shown_(shown), picture_(picture) {}
  bool identity_ = true;
  TwipRect shown_;
  TwipSize picture_;
};

// One segment: its label (`value` and its `unit`) at the midpoint of the mapped points,
// moved where `labels` finds room when it would cover a label placed before, then the line
// between the points.
void drawLabelledSegment(Painter& painter, const CoordinateMap& map, const Segment& segment, float value,
                         std::string_view unit, Ink ink, LabelPlacement& labels);

// The committed annotations to draw: the reference (none when null) with its length and
// unit, and the measurements.
struct Annotations {
  const Segment* reference = nullptr;
  float referenceLength = 0;
  std::span<const Measurement> measurements;
  std::string_view referenceUnit;
};

// The reference in red labelled with its length, then every measurement in green
// labelled with its own, in commit order, each length with its unit, at the map's
// annotation scale. The labels are placed by `labels` after those it placed since its
// restart; the second form places them afresh.
void drawAnnotations(Painter& painter, const CoordinateMap& map, const Annotations& annotations,
                     LabelPlacement& labels);
void drawAnnotations(Painter& painter, const CoordinateMap& map, const Annotations& annotations);

// The annotations of a saved picture, copied out of the session so that they can be
// drawn later or elsewhere: the reference once one has been committed, and every
// measurement.
class SavedAnnotations {
 public:
  explicit SavedAnnotations(const MeasurementSession& session);
  Annotations view() const {
    return {reference_ ? &*reference_ : nullptr, referenceLength_, measurements_, referenceUnit_};
  }

 private:
  std::optional<Segment> reference_;
  float referenceLength_;
  std::vector<Measurement> measurements_;
  std::string referenceUnit_;
};

}  // namespace vantory
