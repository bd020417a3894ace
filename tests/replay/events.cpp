#include "tests/replay/events.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace vantory::replay {

std::string number(float value) {
  char text[32];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end.ptr);
}

std::string UserEvent::describe() const {
  const std::string at = " at " + number(x) + " " + number(y);
  const std::string size = number(fileWidth) + " x " + number(fileHeight);
  switch (kind) {
    case kRestart: return "restart";
    case kOpen:
      switch (outcome) {
        case OpenOutcome::kGood: return "open \"" + path + "\": a picture of " + size;
        case OpenOutcome::kCancel: return "open, cancelled";
        case OpenOutcome::kMissing: return "open \"" + path + "\": no such file";
        case OpenOutcome::kNotAPicture: return "open \"" + path + "\": not a picture";
        case OpenOutcome::kProbeFails: return "open \"" + path + "\": its size cannot be read";
        case OpenOutcome::kDecodeFails:
          return "open \"" + path + "\": a picture of " + size + " that cannot be decoded";
      }
      return "open ?";
    case kReferenceMode: return "reference mode";
    case kMeasureMode: return "measure mode";
    case kPress: {
      std::string out = button == 1   ? "press left" + at
                        : button == 2 ? "press right" + at
                                      : "press button " + std::to_string(button) + at;
      for (std::size_t i = 0; i < answers.size(); ++i) {
        out += (i == 0 ? ", would type \"" : " \"") + answers[i] + "\"";
      }
      return out;
    }
    case kMove: return "move" + at;
    case kSave:
      return (savePath.empty() ? std::string("save, cancelled") : "save as \"" + savePath + "\"") +
             (pictureVanished ? " after the picture was deleted" : "");
    case kAbout: return "about";
    case kUndo: return "undo";
    case kRedo: return "redo";
    case kClear: return "clear the measurements";
    case kEscape: return "escape";
  }
  return "?";
}

std::string EventSource::answer() {
  static const char* const kFixed[] = {"0", "1e30", "3.4e38", "1e39", "abc", "", ""};
  char text[32];
  switch (below(11)) {
    case 0: return std::to_string(1 + below(1000));
    case 1: std::snprintf(text, sizeof text, "%.3f", uniform(0, 500)); return text;
    case 2: std::snprintf(text, sizeof text, "%.7g", uniform(0, 2)); return text;
    case 3: std::snprintf(text, sizeof text, "-%.2f", uniform(0, 100)); return text;
    default: return kFixed[below(7)];
  }
}

// Often the previous point again, sometimes off the picture (an event reports a pointer
// that has just left it).
void EventSource::point(const Observable& now, float& x, float& y) {
  if (!chance(0.25)) {
    lastX_ = static_cast<float>(uniform(-0.1, 1.1) * now.pictureWidth);
    lastY_ = static_cast<float>(uniform(-0.1, 1.1) * now.pictureHeight);
    if (chance(0.5)) lastX_ = std::round(lastX_ * 4) / 4, lastY_ = std::round(lastY_ * 4) / 4;
  }
  x = lastX_, y = lastY_;
}

UserEvent EventSource::next(const Observable& now) {
  UserEvent e;
  if (pendingRights_ > 0) {
    --pendingRights_;
    e.kind = UserEvent::kPress;
    e.button = 2;
    point(now, e.x, e.y);
    return e;
  }
  if (rng_() % 1500 == 0) {
    measuring_ = false;
    e.kind = UserEvent::kRestart;
    return e;
  }
  if (editing_ && below(8) == 0) {
    static constexpr UserEvent::Kind kEdits[] = {UserEvent::kUndo, UserEvent::kUndo, UserEvent::kRedo,
                                                 UserEvent::kClear, UserEvent::kEscape};
    e.kind = kEdits[below(5)];
    return e;
  }
  enum { kOpen, kReference, kMeasure, kLeft, kRight, kOther, kMove, kSave, kAbout, kBurst };
  static constexpr int kWeights[] = {5, 3, 3, 22, 10, 2, 12, 2, 1, 2};  // sum 62
  int pick = 0;
  for (;;) {
    std::uint32_t r = below(62);
    pick = 0;
    while (r >= static_cast<std::uint32_t>(kWeights[pick])) r -= kWeights[pick++];
    if ((pick == kReference && !now.annotateEnabled) || (pick == kBurst && !measuring_) ||
        (pick == kMeasure && !(now.annotateEnabled && now.measureEnabled))) {
      continue;
    }
    break;
  }
  switch (pick) {
    case kOpen: {
      e.kind = UserEvent::kOpen;
      e.outcome = static_cast<OpenOutcome>(below(6));
      e.path = "/pics/p" + std::to_string(below(4)) + ".jpg";
      e.fileWidth = static_cast<float>(15 * (1 + below(3000)));
      e.fileHeight = static_cast<float>(15 * (1 + below(3000)));
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
      e.button = pick == kLeft ? 1 : pick == kOther ? kOtherButtons[below(4)] : 2;
      point(now, e.x, e.y);
      for (int k = e.button == 1 ? static_cast<int>(below(4)) : 0; k > 0; --k) {
        e.answers.push_back(answer());
      }
      e.shift = static_cast<std::int16_t>(below(8));
      if (pick == kBurst) pendingRights_ = 20 + below(rng_() % 2 ? 400 : 150);  // toward the 999 limit
      return e;
    }
    case kMove:
      e.kind = UserEvent::kMove;
      point(now, e.x, e.y);
      return e;
    case kSave: {
      static const char* const kPaths[] = {"", "/out/a.bmp", kUnwritablePath};
      e.kind = UserEvent::kSave;
      e.savePath = kPaths[below(3)];
      e.pictureVanished = chance(0.05);
      return e;
    }
    default: e.kind = UserEvent::kAbout; return e;
  }
}

}  // namespace vantory::replay
