// The live view: every mouse move over the picture restores the picture and draws
// again, in this order, the committed reference (red), the committed measurements
// (green, in order of commitment) and the working segment, finished or as a rubber band
// to the pointer.
#include "app/main_window.h"
#include "platform/checked.h"

namespace vantory {
namespace {

constexpr Colour kRed = 255;
constexpr Colour kGreen = 65280;
constexpr float kLabelPoints = 8.0f;

}  // namespace

void Form1::DrawSegment(const float& x1, const float& y1, const float& x2, const float& y2,
                        const float& value, const std::int16_t& kind, PictureBox& box) {
  box.SetCurrentX(ToSingle((double{x1} + x2) / 2.0));
  box.SetCurrentY(ToSingle((double{y1} + y2) / 2.0));
  LabelAndLine(box, x1, y1, x2, y2, value, kind);
}

void Form1::LabelAndLine(PictureBox& box, float x1, float y1, float x2, float y2, float value,
                         std::int16_t kind) {
  Colour colour = 0;
  if (kind == 1) {
    colour = kRed;
  } else if (kind == 2) {
    colour = kGreen;
  } else {
    return;
  }
  box.Print(value);  // label first: the line runs over its text
  box.Line(x1, y1, x2, y2, colour);
}

void Form1::Image1_MouseMove(std::int16_t /*button*/, std::int16_t /*shift*/, float x, float y) {
  PictureBox& view = c_.Picture2;
  MeasurementState& s = state_;
  c_.Form.SetMousePointer(1);
  c_.Image1.Refresh();
  if (s.mode != kReference && s.mode != kMeasure) return;

  // The committed annotations.
  view.SetForeColor(QBColor(12));
  if (s.segX[1] != 0 && s.segX[2] != 0 && s.segY[1] != 0 && s.segY[2] != 0) {
    DrawSegment(s.segX[1], s.segY[1], s.segX[2], s.segY[2], s.refLength, 1, view);
  }
  view.SetForeColor(QBColor(10));
  if (s.nextPoint > 3) {
    const std::int16_t last = AddInt16(s.nextPoint, -1);
    for (s.segIndex = 3; s.segIndex <= last;) {
      const int j = CheckIndex(s.segIndex);
      const int k = CheckIndex(AddInt16(s.segIndex, 1));
      DrawSegment(s.segX[j], s.segY[j], s.segX[k], s.segY[k], s.segLen[j], 2, view);
      s.segIndex = AddInt16(s.segIndex, 1);
      s.segIndex = AddInt16(s.segIndex, 1);
    }
  }

  const bool pair_complete = s.clicks % 2 == 0;
  // The finished working segment.
  if (s.mode == kReference) {
    view.SetForeColor(QBColor(12));
    if (pair_complete && !s.pairAbandoned) {
      view.Line(s.curX[1], s.curY[1], s.curX[2], s.curY[2], kRed);
    }
  } else if (pair_complete && s.pointsSinceReference >= 2) {
    // (Until a new pair is placed, the working pair is the reference's own: it is not
    // drawn over it in green.)
    view.SetForeColor(QBColor(10));
    view.SetFontSize(kLabelPoints);
    s.curLength = LengthAgainstReference(s.curX[1], s.curY[1], s.curX[2], s.curY[2]);
    DrawSegment(s.curX[1], s.curY[1], s.curX[2], s.curY[2], s.curLength, 2, view);
  }

  // The rubber band from endpoint 1 to the pointer.
  if (s.mode == kReference) {
    view.SetForeColor(QBColor(12));
    if (!pair_complete) view.Line(s.curX[1], s.curY[1], ViewX(x), ViewY(y), kRed);
  } else if (!pair_complete) {
    view.SetForeColor(QBColor(10));
    view.SetFontSize(kLabelPoints);
    const float px = ViewX(x);
    const float py = ViewY(y);
    s.curLength = LengthAgainstReference(s.curX[1], s.curY[1], px, py);
    const float qx = ViewX(x);
    const float qy = ViewY(y);
    DrawSegment(s.curX[1], s.curY[1], qx, qy, s.curLength, 2, view);
  }
}

}  // namespace vantory
