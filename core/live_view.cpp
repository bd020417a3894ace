#include "core/live_view.h"

#include "core/annotations.h"

namespace vantory {
namespace {

bool noCoordinateIsZero(const Segment& s) { return s.a.x != 0 && s.b.x != 0 && s.a.y != 0 && s.b.y != 0; }

}  // namespace

void drawLiveView(LiveSurface& surface, const MeasurementSession& session, TwipPoint pointer,
                  LabelPlacement& labels) {
  Painter& painter = surface.newFrame();
  const Mode mode = session.mode();
  if (mode == Mode::kIdle) return;
  labels.restart();

  const CoordinateMap same = CoordinateMap::identity();
  const Segment& reference = session.reference();
  const Annotations committed{noCoordinateIsZero(reference) ? &reference : nullptr, session.referenceLength(),
                              session.measurements(), session.referenceUnit()};
  drawAnnotations(painter, same, committed, labels);

  const Segment& working = session.workingPair();
  const bool pending = session.secondPointPending();
  if (mode == Mode::kReference) {
    if (pending) {
      painter.line(working.a, pointer, Ink::kReference);
    } else if (session.workingPairShown()) {
      painter.line(working.a, working.b, Ink::kReference);
    }
    return;
  }
  if (!pending && !session.workingPairShown()) return;
  surface.useSmallLabels();
  const Segment shown = pending ? Segment{working.a, pointer} : working;
  drawLabelledSegment(painter, same, shown, session.lengthOf(shown), session.referenceUnit(),
                      Ink::kMeasurement, labels);
}

}  // namespace vantory
