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
    if (!second_point) {
      // A new pair: whatever was typed or cancelled for the previous one is gone.
      state_.lengthHeld = false;
      state_.pairAbandoned = false;
    }
    if (state_.pointsSinceReference < 2) ++state_.pointsSinceReference;
    if (state_.mode == kReference && second_point) AskReferenceLength();
    // The counter keeps its parity rule however long a session runs.
    state_.clicks = state_.clicks < std::numeric_limits<std::int32_t>::max()
                        ? state_.clicks + 1
                        : std::numeric_limits<std::int32_t>::max() - 1;
  } else if (button == kRightButton) {
    if (state_.clicks % 2 != 0) return;
    if (state_.mode == kReference && state_.clicks >= 2) {
      // Only a pair whose length was typed becomes the reference: a cancelled pair, or
      // one placed in measure mode, would otherwise be scaled by a length typed for
      // another segment.
      if (state_.lengthHeld) CommitReference();
    } else if (state_.mode == kMeasure) {
      // Right after a reference commit the working pair is the reference itself.
      if (state_.pointsSinceReference >= 2) CommitMeasurement();
    }
  }
}

// Asks until the text is a number greater than 0, or empty. A text that is not a number
// (or is out of range), or a length of 0 or less, is explained, then asked for again
// with what was typed still in the box. The length is held with the pair until a right
// press commits it; Cancel (or a cleared box) abandons the pair.
void Form1::AskReferenceLength() {
  std::string shown = text::kRefDefault;
  for (;;) {
    state_.refText = c_.runtime.InputBox(text::kRefPrompt, text::kRefTitle, shown);
    if (state_.refText.empty()) {
      state_.lengthHeld = false;
      state_.pairAbandoned = true;
      return;
    }
    shown = state_.refText;
    float length = 0;
    try {
      length = TextToSingle(state_.refText);
    } catch (const RuntimeError& error) {
      c_.runtime.ReportError(error.Number(), error.Description());
      continue;
    }
    if (!(length > 0.0f)) {
      // 0 would label every measurement 0, a negative length make them all negative.
      c_.runtime.MsgBox(text::kLengthNotPositive);
      continue;
    }
    state_.heldLength = length;
    state_.lengthHeld = true;
    return;
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
  state_.refLength = state_.heldLength;
  state_.referenceCommitted = true;
  state_.pointsSinceReference = 0;
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
