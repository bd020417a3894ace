// The program over the recording fakes, with short ways to drive it as a user does.
// Points are given in view twips; the commands receive them relative to the shown
// picture, as the view reports them. The tests use coordinates exact in binary, so the
// round trip is exact.
#pragma once

#include <string>

#include "core/texts.h"
#include "tests/fakes/recording_ports.h"

namespace vantory::testing {

using fakes::Drawn;

// The picture most tests work on: 6000 x 3000 twips, shown at Left 120, Top 1293.75,
// 11415 x 5707.5 in the 11655 x 8295 window.
inline constexpr const char* kWidePath = "/pictures/wide.jpg";
inline constexpr TwipRect kWideRect{120, 1293.75f, 11415, 5707.5f};

class Program {
 public:
  fakes::FakeProgram& fake() { return p_; }
  Commands& commands() { return p_.commands; }
  const MeasurementSession& session() const { return p_.commands.session(); }
  fakes::FakePrompts& prompts() { return p_.prompts; }

  void open(const std::string& path = kWidePath, TwipSize size = {6000, 3000}) {
    p_.disk.pictures[path] = size;
    p_.prompts.fileAnswers.push_back(path);
    p_.commands.openPicture();
  }
  // `snap`: Ctrl held.
  void press(MouseButton button, float x, float y, bool snap = false) {
    const TwipRect r = p_.commands.pictureRect();
    p_.commands.press(button, float(double{x} - r.left), float(double{y} - r.top), snap);
  }
  void left(float x, float y, bool snap = false) { press(MouseButton::kLeft, x, y, snap); }
  void right() { press(MouseButton::kRight, 2000, 2000); }
  // Moves the pointer and returns what the frame drew.
  const std::vector<Drawn>& move(float x, float y, bool snap = false) {
    const TwipRect r = p_.commands.pictureRect();
    p_.commands.move(float(double{x} - r.left), float(double{y} - r.top), nullptr, snap);
    return p_.surface.frame();
  }
  // Two left presses in reference mode with `length` typed, and a right press.
  void setReference(TwipPoint a, TwipPoint b, const std::string& length = "100") {
    p_.commands.chooseReferenceMode();
    left(a.x, a.y);
    p_.prompts.textAnswers.push_back(length);
    left(b.x, b.y);
    right();
  }
  // Two left presses and a right press in measure mode.
  void measure(TwipPoint a, TwipPoint b) {
    p_.commands.chooseMeasureMode();
    left(a.x, a.y);
    left(b.x, b.y);
    right();
  }
  bool noErrors() const { return p_.prompts.errors.empty(); }

 private:
  fakes::FakeProgram p_;
};

// What drawing one labelled segment leaves: its label at the midpoint, then its line.
inline std::vector<Drawn> labelled(TwipPoint a, TwipPoint b, float value, Ink ink, float points = 9,
                                   const std::string& unit = {}) {
  const float mx = static_cast<float>((double{a.x} + b.x) / 2.0);
  const float my = static_cast<float>((double{a.y} + b.y) / 2.0);
  return {fakes::label(value, mx, my, ink, points, unit), fakes::line(a.x, a.y, b.x, b.y, ink)};
}

inline void append(std::vector<Drawn>& to, const std::vector<Drawn>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

}  // namespace vantory::testing
