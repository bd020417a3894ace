#include "core/picture_fit.h"

#include <cstdint>

#include "core/errors.h"
#include "core/exact_math.h"

namespace vantory {
namespace {

// A fitted side must leave something to show.
float fittedSide(double size) {
  const float side = toSingle(size);
  if (!(side > 0.0f)) throw detailedError(ErrorCode::kInvalidProperty, "窗口太小，放不下图片");
  return side;
}

}  // namespace

TwipRect fitPicture(TwipSize naturalSize, TwipSize clientArea, TwipSize surfaceArea) {
  const std::int32_t pictureWidth = roundHalfEven(naturalSize.width);
  const std::int32_t pictureHeight = roundHalfEven(naturalSize.height);
  const float clientRatio = toSingle(checkedDivide(clientArea.width, clientArea.height));

  TwipRect rect;
  const double pictureRatio = checkedDivide(pictureWidth, pictureHeight);
  if (pictureRatio >= double{clientRatio}) {
    rect.width = fittedSide(checked(double{clientArea.width} - kFitMargin));
    rect.height = fittedSide(checkedDivide(checked(double{rect.width} * pictureHeight), pictureWidth));
  } else {
    rect.height = fittedSide(checked(double{clientArea.height} - kFitMargin));
    rect.width = fittedSide(checkedDivide(checked(pictureWidth * double{rect.height}), pictureHeight));
  }
  // Division by 2.0: the position may end in half a twip.
  rect.left = toSingle(checked(double{surfaceArea.width} - rect.width) / 2.0);
  rect.top = toSingle(checked(double{surfaceArea.height} - rect.height) / 2.0);
  return rect;
}

}  // namespace vantory
