// The live view, drawn afresh at every pointer move over the picture: the picture comes
// back, then (in reference or measure mode) the committed annotations, then the working
// pair: finished, or as a rubber band from its first point to the pointer.
#pragma once

#include "core/geometry.h"
#include "core/label_placement.h"
#include "core/ports.h"
#include "core/session.h"

namespace vantory {

// Where the pair being placed would go if its second point were placed at the pointer now:
// its ends as they would snap, and which of them moved. Each end that moved is marked by a
// short tick across the line.
struct SnapPreview {
  Segment pair;
  bool aMoved = false;
  bool bMoved = false;
};

// Half the length of a tick, twips: 3 pixels of the view on either side of the line.
inline constexpr float kTickHalf = 45;

// Draws the view for the pointer at view point `pointer`. The reference is shown while
// none of its coordinates is 0 (before its first commit they all are). In reference mode
// the working pair is a bare red line; in measure mode a green one labelled with its
// length against the reference, and from the first such label on, every label of the
// view is drawn at 8 points. A length beyond the float range is labelled 溢出.
// The labels are placed by `labels` anew for each frame, the working pair's last (it
// keeps what it placed for the frames that follow, see LabelPlacement). With `preview`,
// the pair whose second point is pending is drawn as it would snap, with its ticks.
void drawLiveView(LiveSurface& surface, const MeasurementSession& session, TwipPoint pointer,
                  LabelPlacement& labels, const SnapPreview* preview = nullptr);

}  // namespace vantory
