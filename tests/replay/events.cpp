#include "tests/replay/events.h"

#include <cmath>
#include <cstdio>

namespace vantory::replay {

std::string UserEvent::Describe() const {
  char text[160];
  switch (kind) {
    case kRestart: return "restart";
    case kOpen:
      std::snprintf(text, sizeof text, "open %d \"%s\" %gx%g", static_cast<int>(outcome), path.c_str(),
                    file_width, file_height);
      return text;
    case kReferenceMode: return "reference mode";
    case kMeasureMode: return "measure mode";
    case kPress: {
      std::snprintf(text, sizeof text, "press %d shift %d at %.9g, %.9g", button, shift, x, y);
      std::string out = text;
      for (const std::string& a : answers) out += " \"" + a + "\"";
      return out;
    }
    case kMove:
      std::snprintf(text, sizeof text, "move %.9g, %.9g", x, y);
      return text;
    case kSave: return "save \"" + save_path + "\"" + (picture_vanished ? " after the picture vanished" : "");
    case kAbout: return "about";
  }
  return "?";
}

std::string EventSource::Answer() {
  static const char* const kFixed[] = {"0", "1e30", "3.4e38", "1e39", "abc", "", ""};
  char text[32];
  switch (Below(11)) {
    case 0: return std::to_string(1 + Below(1000));
    case 1: std::snprintf(text, sizeof text, "%.3f", Uniform(0, 500)); return text;
    case 2: std::snprintf(text, sizeof text, "%.7g", Uniform(0, 2)); return text;
    case 3: std::snprintf(text, sizeof text, "-%.2f", Uniform(0, 100)); return text;
    default: return kFixed[Below(7)];
  }
}

// Often the previous point again, sometimes off the picture (an event reports a pointer
// that has just left it).
void EventSource::Point(const Observable& now, float& x, float& y) {
  if (!Chance(0.25)) {
    last_x_ = static_cast<float>(Uniform(-0.1, 1.1) * now.picture_width);
    last_y_ = static_cast<float>(Uniform(-0.1, 1.1) * now.picture_height);
    if (Chance(0.5)) last_x_ = std::round(last_x_ * 4) / 4, last_y_ = std::round(last_y_ * 4) / 4;
  }
  x = last_x_, y = last_y_;
}

UserEvent EventSource::Next(const Observable& now) {
  UserEvent e;
  if (pending_rights_ > 0) {
    --pending_rights_;
    e.kind = UserEvent::kPress;
    e.button = 2;
    Point(now, e.x, e.y);
    return e;
  }
  if (rng_() % 1500 == 0) {
    measuring_ = false;
    e.kind = UserEvent::kRestart;
    return e;
  }
  enum { kOpen, kReference, kMeasure, kLeft, kRight, kOther, kMove, kSave, kAbout, kBurst };
  static constexpr int kWeights[] = {5, 3, 3, 22, 10, 2, 12, 2, 1, 2};  // sum 62
  int pick = 0;
  for (;;) {
    std::uint32_t r = Below(62);
    pick = 0;
    while (r >= static_cast<std::uint32_t>(kWeights[pick])) r -= kWeights[pick++];
    if ((pick == kReference && !now.annotate_enabled) || (pick == kBurst && !measuring_) ||
        (pick == kMeasure && !(now.annotate_enabled && now.measure_enabled))) {
      continue;
    }
    break;
  }
  switch (pick) {
    case kOpen: {
      e.kind = UserEvent::kOpen;
      e.outcome = static_cast<OpenOutcome>(Below(6));
      e.path = "/pics/p" + std::to_string(Below(4)) + ".jpg";
      e.file_width = static_cast<float>(15 * (1 + Below(3000)));
      e.file_height = static_cast<float>(15 * (1 + Below(3000)));
      if (e.outcome == OpenOutcome::kMissing) e.path = "/pics/missing.jpg";
      if (e.outcome == OpenOutcome::kNotAPicture) e.path = "/pics/broken.gif";
      if (e.outcome == OpenOutcome::kCancel) e.path = "";
      return e;
    }
    case kReference:
      measuring_ = false;
      e.kind = UserEvent::kReferenceMode;
      return e;
    case kMeasure:
      measuring_ = true;
      e.kind = UserEvent::kMeasureMode;
      return e;
    case kLeft:
    case kRight:
    case kOther:
    case kBurst: {
      static constexpr std::int16_t kOtherButtons[] = {4, 0, 3, 8};
      e.kind = UserEvent::kPress;
      e.button = pick == kLeft ? 1 : pick == kOther ? kOtherButtons[Below(4)] : 2;
      Point(now, e.x, e.y);
      for (int k = e.button == 1 ? static_cast<int>(Below(4)) : 0; k > 0; --k) {
        e.answers.push_back(Answer());
      }
      e.shift = static_cast<std::int16_t>(Below(8));
      if (pick == kBurst) pending_rights_ = 20 + Below(rng_() % 2 ? 400 : 150);  // toward the 999 limit
      return e;
    }
    case kMove:
      e.kind = UserEvent::kMove;
      Point(now, e.x, e.y);
      return e;
    case kSave: {
      static const char* const kPaths[] = {"", "/out/a.bmp", kUnwritablePath};
      e.kind = UserEvent::kSave;
      e.save_path = kPaths[Below(3)];
      e.picture_vanished = Chance(0.05);
      return e;
    }
    default:
      e.kind = UserEvent::kAbout;
      return e;
  }
}

}  // namespace vantory::replay
