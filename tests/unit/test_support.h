// Common set-up of the unit tests: a started window over the recording double, with
// short ways to open a picture, press and move at view coordinates, set a reference and
// measure, and a comparison of the window's variables that names what differs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "measure/measurement_state.h"
#include "tests/double/fake_platform.h"

namespace vantory::unit {

using fake::Call;

// The picture most tests work on: 6000 x 3000 twips. In the 11655 x 8295 client area it
// is fitted as Image1 at Left 120, Top 1293.75, 11415 x 5707.5.
inline constexpr const char* kWidePath = "/pictures/wide.jpg";
inline constexpr float kWideWidth = 6000.0f;
inline constexpr float kWideHeight = 3000.0f;
inline constexpr float kWideLeft = 120.0f;
inline constexpr float kWideTop = 1293.75f;

inline constexpr Colour kRed = 255;
inline constexpr Colour kGreen = 65280;
inline constexpr float kInitialFontSize = 9.0f;  // the double's surfaces start at 9 points

// Names the variables in which two states differ.
inline ::testing::AssertionResult SameState(const MeasurementState& expected,
                                            const MeasurementState& actual) {
  std::string diff;
#define VANTORY_COMPARE(name) \
  if (!(expected.name == actual.name)) diff += " " #name;
  VANTORY_COMPARE(openPath) VANTORY_COMPARE(savePath) VANTORY_COMPARE(picWidth)
  VANTORY_COMPARE(picHeight) VANTORY_COMPARE(viewRatio) VANTORY_COMPARE(mode)
  VANTORY_COMPARE(clicks) VANTORY_COMPARE(nextPoint) VANTORY_COMPARE(segIndex)
  VANTORY_COMPARE(nextLength) VANTORY_COMPARE(segX) VANTORY_COMPARE(segY)
  VANTORY_COMPARE(segLen) VANTORY_COMPARE(curX) VANTORY_COMPARE(curY)
  VANTORY_COMPARE(refText) VANTORY_COMPARE(refLength) VANTORY_COMPARE(curLength)
  VANTORY_COMPARE(heldLength) VANTORY_COMPARE(lengthHeld) VANTORY_COMPARE(pairAbandoned)
  VANTORY_COMPARE(pointsSinceReference) VANTORY_COMPARE(referenceCommitted)
#undef VANTORY_COMPARE
  if (diff.empty() && expected == actual) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "states differ in:" << diff;
}

// A started window and the ways a user drives it. Points are given in view coordinates;
// the events receive them relative to Image1's top-left corner, as the toolkit reports
// them. The tests use coordinates that are exact in binary, so the round trip is exact.
class Session {
 public:
  Session() : p_(fake::StartedWindow()) {}

  fake::FakePlatform& p() { return *p_; }
  Form1& form() { return *p_->form1; }
  const MeasurementState& state() const { return p_->form1->State(); }
  MeasurementState& mutable_state() { return p_->form1->MutableState(); }
  fake::FakeRuntime& runtime() { return p_->runtime; }

  // Runs one handler the way the event loop does; false when it reported an error.
  template <typename Handler>
  bool Run(Handler&& handler) {
    return p_->form1->Dispatch(std::forward<Handler>(handler));
  }

  // Open, with the dialog answering `path`, which the double's disk holds at that size.
  bool Open(const std::string& path = kWidePath, float width = kWideWidth,
            float height = kWideHeight) {
    p_->runtime.files[path] = {width, height};
    p_->CommonDialog1.answers.push_back(path);
    return Run([this] { form().daoru_Click(); });
  }

  bool Press(std::int16_t button, float view_x, float view_y, std::int16_t shift = 0) {
    const float x = RelativeX(view_x);
    const float y = RelativeY(view_y);
    return Run([=, this] { form().Image1_MouseDown(button, shift, x, y); });
  }
  bool Left(float view_x, float view_y) { return Press(kLeftButton, view_x, view_y); }
  // Where a right press lands does not matter.
  bool Right() { return Press(kRightButton, p_->Image1.left + 10, p_->Image1.top + 10); }
  bool Move(float view_x, float view_y) {
    const float x = RelativeX(view_x);
    const float y = RelativeY(view_y);
    return Run([=, this] { form().Image1_MouseMove(0, 0, x, y); });
  }

  void ChooseReference() { Run([this] { form().szjz_Click(); }); }
  void ChooseMeasure() { Run([this] { form().celiang_Click(); }); }

  // Places a reference with two left presses (from an even count), types `length` in
  // the input box and commits it with a right press.
  void SetReference(float x1, float y1, float x2, float y2, const std::string& length = "100") {
    ChooseReference();
    Left(x1, y1);
    runtime().input_answers.push_back(length);
    Left(x2, y2);
    Right();
  }

  // Two left presses and a right press in measure mode.
  void Measure(float x1, float y1, float x2, float y2) {
    ChooseMeasure();
    Left(x1, y1);
    Left(x2, y2);
    Right();
  }

  // Forgets every call logged so far on the surfaces, so a test sees only its own.
  void ClearLogs() {
    p_->Picture1.calls.clear();
    p_->Picture2.calls.clear();
    p_->Picture2.prints.clear();
    p_->Image1.calls.clear();
    p_->form.calls.clear();
  }

 private:
  float RelativeX(float view_x) const { return static_cast<float>(double{view_x} - p_->Image1.left); }
  float RelativeY(float view_y) const { return static_cast<float>(double{view_y} - p_->Image1.top); }

  std::unique_ptr<fake::FakePlatform> p_;
};

// The calls that drawing one labelled segment leaves on a surface: the print position at
// the midpoint, the label there, then the line.
inline std::vector<Call> LabelledSegment(float x1, float y1, float x2, float y2, float value,
                                         Colour colour, float font_size) {
  const float mx = static_cast<float>((double{x1} + x2) / 2.0);
  const float my = static_cast<float>((double{y1} + y2) / 2.0);
  return {{"CurrentX", {mx}},
          {"CurrentY", {my}},
          {"Print", {value, mx, my, double(colour), font_size}},
          {"Line", {x1, y1, x2, y2, double(colour)}}};
}

inline void Append(std::vector<Call>& calls, const std::vector<Call>& more) {
  calls.insert(calls.end(), more.begin(), more.end());
}

}  // namespace vantory::unit
