#include "core/end_snap.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/annotations.h"
#include "core/exact_math.h"
#include "core/texts.h"

namespace vantory {
namespace {

// Between view twips and the picture's own pixels: to the picture exactly as Save maps
// the annotations (twips of the picture, divided by 15), and back by the inverse.
class PictureMapping {
 public:
  explicit PictureMapping(const PicturePlace& place)
      : place_(place), map_(CoordinateMap::onto(place.shown, place.natural)) {}
  PicturePoint toPicture(TwipPoint p) const {
    return {map_.x(p.x) / kTwipsPerPixel, map_.y(p.y) / kTwipsPerPixel};
  }
  // A place on the picture back on the view, kept on the picture.
  TwipPoint toView(PicturePoint p) const {
    const double width = place_.natural.width / kTwipsPerPixel,
                 height = place_.natural.height / kTwipsPerPixel;
    const double x = std::clamp(p.x, 0.0, width) * kTwipsPerPixel * place_.shown.width / place_.natural.width;
    const double y =
        std::clamp(p.y, 0.0, height) * kTwipsPerPixel * place_.shown.height / place_.natural.height;
    return {toSingle(place_.shown.left + x), toSingle(place_.shown.top + y)};
  }
  // The picture's pixels to one pixel of the view.
  double scale() const { return double{place_.natural.width} / place_.shown.width; }

 private:
  PicturePlace place_;
  CoordinateMap map_;
};

std::string pixelsText(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, std::abs(value), std::chars_format::fixed, 2).ptr;
  return std::string(text, end);
}

}  // namespace

PairSnap snapPair(const BrightnessSource& pixels, const PicturePlace& place, Segment& pair, bool snapA,
                  bool snapB) {
  PairSnap outcome;
  outcome.a.asked = snapA;
  outcome.b.asked = snapB;
  if (!(place.shown.width > 0 && place.shown.height > 0 && place.natural.width > 0 &&
        place.natural.height > 0))
    return outcome;
  const PictureMapping mapping(place);
  const PicturePoint a = mapping.toPicture(pair.a), b = mapping.toPicture(pair.b);
  const double reach = kSnapReach * mapping.scale();
  const double thinLine = std::max(kSnapThinLineMin, kSnapThinLine * mapping.scale());
  // Both ends are searched along the line through the two as placed, each from its own.
  const auto snapEnd = [&](PicturePoint end, PicturePoint other, EndSnap& result, TwipPoint& point) {
    if (!result.asked) return;
    const Snap snap = snapToEdge(pixels, {end, other, reach, thinLine});
    if (snap.kind == Snap::Kind::kNone) return;
    result.kind = snap.kind;
    result.shift = snap.shift;
    point = mapping.toView(snap.at);
  };
  snapEnd(a, b, outcome.a, pair.a);
  snapEnd(b, a, outcome.b, pair.b);
  return outcome;
}

std::string describeSnap(const PairSnap& outcome) {
  if (!outcome.asked()) return {};
  if (outcome.pixelsUnreadable) return std::string(texts::kSnapPrefix) + texts::kSnapNoPixels;
  const bool aFound = outcome.a.kind != Snap::Kind::kNone, bFound = outcome.b.kind != Snap::Kind::kNone;
  if (!aFound && !bFound) return std::string(texts::kSnapPrefix) + texts::kSnapNoneFound;
  std::string text = texts::kSnapPrefix;
  const auto end = [&text](const EndSnap& e, const char* name) {
    if (!e.asked) return;
    if (text != texts::kSnapPrefix) text += texts::kSnapSeparator;
    text += name;
    text += e.kind == Snap::Kind::kNone ? std::string(texts::kSnapEndNotFound)
                                        : texts::kSnapEndMoved + pixelsText(e.shift) + texts::kSnapPixels;
  };
  end(outcome.a, texts::kSnapFirstEnd);
  end(outcome.b, texts::kSnapSecondEnd);
  return text;
}

}  // namespace vantory
