// Modes and presses: Set reference and Measure choose the mode; left presses on the
// picture place the endpoints of the working segment (asking for the reference's real
// length after the second one in reference mode); right presses commit the working
// segment as the reference or as a new measurement.
#include <limits>
#include <string>

#include "app/main_window.h"
#include "measure/segment_length.h"
#include "platform/checked.h"
#include "platform/number_text.h"
#include "platform/runtime_error.h"

namespace vantory {

void Form1::szjz_Click() { state_.mode = kReference; }

void Form1::celiang_Click() { state_.mode = kMeasure; }

float Form1::ViewX(float x) const { return ToSingle(double{c_.Image1.Left()} + x); }

float Form1::ViewY(float y) const { return ToSingle(double{c_.Image1.Top()} + y); }

float Form1::LengthAgainstReference(const float& x1, const float& y1, const float& x2,
                                    const float& y2) const {
  float d = 0;
  float dRef = 0;
  Distance(x1, y1, x2, y2, d);
  Distance(state_.segX[1], state_.segY[1], state_.segX[2], state_.segY[2], dRef);
  return ScaledLength(d, state_.refLength, dRef);
}

void Form1::Image1_MouseDown(std::int16_t button, std::int16_t /*shift*/, float x, float y) {
  if (button == kLeftButton) {
    if (state_.mode != kReference && state_.mode != kMeasure) return;
    const float view_x = ViewX(x);
    const float view_y = ViewY(y);
    const bool second_point = state_.clicks % 2 != 0;
    const int endpoint = second_point ? 2 : 1;
    state_.curX[endpoint] = view_x;
    state_.curY[endpoint] = view_y;
    if (state_.mode == kReference && second_point) AskReferenceLength();
    // The counter keeps its parity rule however long a session runs.
    state_.clicks = state_.clicks < std::numeric_limits<std::int32_t>::max()
                        ? state_.clicks + 1
                        : std::numeric_limits<std::int32_t>::max() - 1;
  } else if (button == kRightButton) {
    if (state_.clicks % 2 != 0) return;
    if (state_.mode == kReference && state_.clicks >= 2) {
      CommitReference();
    } else if (state_.mode == kMeasure) {
      CommitMeasurement();
    }
  }
}

// Asks until the text is a number or empty. A text that is not a number (or is out of
// range) is explained, then asked for again with what was typed still in the box.
void Form1::AskReferenceLength() {
  std::string shown = text::kRefDefault;
  for (;;) {
    state_.refText = c_.runtime.InputBox(text::kRefPrompt, text::kRefTitle, shown);
    if (state_.refText.empty()) return;  // Cancel, or a cleared box: refLength stays
    try {
      state_.refLength = TextToSingle(state_.refText);
      return;
    } catch (const RuntimeError& error) {
      c_.runtime.ReportError(error.Number(), error.Description());
      shown = state_.refText;
    }
  }
}

void Form1::CommitReference() {
  float length = 0;
  Distance(state_.curX[1], state_.curY[1], state_.curX[2], state_.curY[2], length);
  if (length == 0.0f) {
    // Every length is a ratio to the reference's: a reference of zero length would
    // make each of them a division by zero.
    c_.runtime.MsgBox(text::kZeroReference);
    return;
  }
  state_.segX[1] = state_.curX[1];
  state_.segY[1] = state_.curY[1];
  state_.segX[2] = state_.curX[2];
  state_.segY[2] = state_.curY[2];
  c_.celiang.SetEnabled(true);
}

void Form1::CommitMeasurement() {
  if (state_.nextPoint > kArrayBound) {
    c_.runtime.MsgBox(text::kTooManyMeasurements);
    return;
  }
  // Everything is computed and checked before the first slot is written.
  const int first = CheckIndex(state_.nextPoint);
  const int second = CheckIndex(AddInt16(state_.nextPoint, 1));
  const int length_slot = CheckIndex(state_.nextLength);
  const float length =
      LengthAgainstReference(state_.curX[1], state_.curY[1], state_.curX[2], state_.curY[2]);
  const std::int16_t next_length = AddInt16(state_.nextLength, 2);
  const std::int16_t next_point = AddInt16(state_.nextPoint, 2);

  state_.segX[first] = state_.curX[1];
  state_.segY[first] = state_.curY[1];
  state_.segX[second] = state_.curX[2];
  state_.segY[second] = state_.curY[2];
  state_.segLen[length_slot] = length;
  state_.nextLength = next_length;
  state_.nextPoint = next_point;
}

}  // namespace vantory
