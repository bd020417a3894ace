#include "core/annotations.h"

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

void drawLabelledSegment(Painter& painter, const CoordinateMap& map, const Segment& segment, float value,
                         std::string_view unit, Ink ink) {
  const double x1 = map.x(segment.a.x);
  const double y1 = map.y(segment.a.y);
  const double x2 = map.x(segment.b.x);
  const double y2 = map.y(segment.b.y);
  // The midpoint from the mapped values before they are rounded to floats.
  const TwipPoint midpoint{toSingle(checked((x1 + x2) / 2.0)), toSingle(checked((y1 + y2) / 2.0))};
  const TwipPoint from{toSingle(x1), toSingle(y1)};
  const TwipPoint to{toSingle(x2), toSingle(y2)};
  painter.label(midpoint, value, unit, ink);  // the label first: the line runs over its text
  painter.line(from, to, ink);
}

void drawAnnotations(Painter& painter, const CoordinateMap& map, const Annotations& annotations) {
  if (annotations.reference != nullptr) {
    drawLabelledSegment(painter, map, *annotations.reference, annotations.referenceLength,
                        annotations.referenceUnit, Ink::kReference);
  }
  for (const Measurement& m : annotations.measurements) {
    drawLabelledSegment(painter, map, m.segment, m.length, m.unit, Ink::kMeasurement);
  }
}

SavedAnnotations::SavedAnnotations(const MeasurementSession& session)
    : reference_(session.referenceCommitted() ? std::optional(session.reference()) : std::nullopt),
      referenceLength_(session.referenceLength()),
      measurements_(session.measurements()),
      referenceUnit_(session.referenceUnit()) {}

}  // namespace vantory
