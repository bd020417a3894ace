#include "core/annotations.h"

#include <algorithm>

#include "core/exact_math.h"

namespace vantory {

double CoordinateMap::x(float v) const {
  if (identity_) return v;
  return checkedDivide(checked((double{v} - shown_.left) * picture_.width), shown_.width);
}

double CoordinateMap::y(float v) const {
  if (identity_) return v;
  return checkedDivide(checked((double{v} - shown_.top) * picture_.height), shown_.height);
}

float CoordinateMap::annotationScale() const {
  if (identity_ || !(shown_.width > 0 && shown_.height > 0)) return 1;
  const double ratio =
      std::min(double{picture_.width} / shown_.width, double{picture_.height} / shown_.height);
  return ratio > 1 ? toSingle(ratio) : 1.0f;
}

void drawLabelledSegment(Painter& painter, const CoordinateMap& map, const Segment& segment, float value,
                         std::string_view unit, Ink ink, LabelPlacement& labels) {
  const double x1 = map.x(segment.a.x);
  const double y1 = map.y(segment.a.y);
  const double x2 = map.x(segment.b.x);
  const double y2 = map.y(segment.b.y);
  // The midpoint from the mapped values before they are rounded to floats.
  const TwipPoint midpoint{toSingle(checked((x1 + x2) / 2.0)), toSingle(checked((y1 + y2) / 2.0))};
  const TwipPoint from{toSingle(x1), toSingle(y1)};
  const TwipPoint to{toSingle(x2), toSingle(y2)};
  const TwipPoint at = labels.place({from, to, midpoint, painter.labelSize(value, unit), value, unit, ink});
  painter.label(at, value, unit, ink);  // the label first: the line runs over its text
  painter.line(from, to, ink);
}

void drawAnnotations(Painter& painter, const CoordinateMap& map, const Annotations& annotations,
                     LabelPlacement& labels) {
  painter.setAnnotationScale(map.annotationScale());
  if (annotations.reference != nullptr) {
    drawLabelledSegment(painter, map, *annotations.reference, annotations.referenceLength,
                        annotations.referenceUnit, Ink::kReference, labels);
  }
  for (const Measurement& m : annotations.measurements) {
    drawLabelledSegment(painter, map, m.segment, m.length, m.unit, Ink::kMeasurement, labels);
  }
}

void drawAnnotations(Painter& painter, const CoordinateMap& map, const Annotations& annotations) {
  LabelPlacement labels;
  drawAnnotations(painter, map, annotations, labels);
}

SavedAnnotations::SavedAnnotations(const MeasurementSession& session)
    : reference_(session.referenceCommitted() ? std::optional(session.reference()) : std::nullopt),
      referenceLength_(session.referenceLength()),
      measurements_(session.measurements()),
      referenceUnit_(session.referenceUnit()) {}

}  // namespace vantory
