// Where a picture is shown: as large as the client area allows less a 240-twip margin,
// keeping its proportions, centred on the view surface.
#pragma once

#include "core/geometry.h"

namespace vantory {

inline constexpr float kFitMargin = 240.0f;  // twips

// Where the picture lies before the first Open (empty, but pressed and moved over all the
// same), on a view surface of 11655 x 8295 twips.
inline constexpr TwipRect kInitialPictureRect{720, 840, 10215, 5655};

// The picture's natural size is rounded to whole twips (halves to even). Its ratio is
// compared with the client area's, a 32-bit float (11655 x 8295 gives 1.4050633): a
// picture at least as wide in proportion (a tie included) is bound by the width (client
// width less the margin), any other by the height; the other side follows the picture's
// proportions. The rectangle is centred on the view surface (halves of a twip kept).
// A client area no larger than the margin is error 380; checked arithmetic throughout.
TwipRect fitPicture(TwipSize naturalSize, TwipSize clientArea, TwipSize surfaceArea);

}  // namespace vantory
