// What the window says about the session besides the view: its title, the mode with the
// next step, the picture's file name and size in pixels, and the scale once a reference
// is fixed; after a pair placed with Ctrl held, how its ends snapped.
#pragma once

#include <string>

#include "core/geometry.h"
#include "core/ports.h"
#include "core/session.h"

namespace vantory {

// The picture shown: its path ("" before the first Open), its natural size in twips and
// where it is shown on the view.
struct ShownPicture {
  const std::string& path;
  TwipSize naturalSize;
  TwipRect shown;
};

SessionStatus describeSession(const MeasurementSession& session, const ShownPicture& picture);

// The real length of one of the picture's own pixels (shown with the reference's unit):
// the reference's real length over
// its length in the picture's pixels, (distance in view twips x natural width / shown
// width / 15), in doubles. 0 when no reference is fixed or no picture is open.
double lengthPerPixel(const MeasurementSession& session, const ShownPicture& picture);

}  // namespace vantory
