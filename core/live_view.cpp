#include "core/live_view.h"

#include <cmath>
#include <utility>

#include "core/annotations.h"

namespace vantory {
namespace {

bool noCoordinateIsZero(const Segment& s) { return s.a.x != 0 && s.b.x != 0 && s.a.y != 0 && s.b.y != 0; }

// The ticks across the ends of `preview` that moved.
void drawTicks(Painter& painter, const SnapPreview& preview, Ink ink) {
  const Segment& s = preview.pair;
  const double dx = double{s.b.x} - s.a.x, dy = double{s.b.y} - s.a.y;
  const double length = std::hypot(dx, dy);
  if (!(length > 0)) return;
  const double nx = -dy / length * kTickHalf, ny = dx / length * kTickHalf;
  for (const auto& [end, moved] : {std::pair{s.a, preview.aMoved}, std::pair{s.b, preview.bMoved}}) {
    if (!moved) continue;
    painter.line({static_cast<float>(end.x - nx), static_cast<float>(end.y - ny)},
                 {static_cast<float>(end.x + nx), static_cast<float>(end.y + ny)}, ink);
  }
}

}  // namespace

void drawLiveView(LiveSurface& surface, const MeasurementSession& session, TwipPoint pointer,
                  LabelPlacement& labels, const SnapPreview* preview) {
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
  if (!pending) preview = nullptr;
  const Segment band = preview != nullptr ? preview->pair : Segment{working.a, pointer};
  if (mode == Mode::kReference) {
    if (pending) {
      painter.line(band.a, band.b, Ink::kReference);
      if (preview != nullptr) drawTicks(painter, *preview, Ink::kReference);
    } else if (session.workingPairShown()) {
      painter.line(working.a, working.b, Ink::kReference);
    }
    return;
  }
  if (!pending && !session.workingPairShown()) return;
  surface.useSmallLabels();
  const Segment shown = pending ? band : working;
  drawLabelledSegment(painter, same, shown, session.lengthOf(shown), session.referenceUnit(),
                      Ink::kMeasurement, labels);
  if (preview != nullptr) drawTicks(painter, *preview, Ink::kMeasurement);
}

}  // namespace vantory
