// Seeded sequences of what a user does: open pictures (good, missing, broken, cancelled),
// choose modes, press and move over the picture, save, ask for About. The sequence
// depends only on the seed and on what the user sees (which menus are enabled, where the
// picture is shown), never on the program's inner state, so that two builds of the
// program that behave alike receive the same sequence.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace vantory::replay {

// What the user sees that steers the next action.
struct Observable {
  bool annotateEnabled = false;  // the annotate menu
  bool measureEnabled = false;   // its measure command
  float pictureWidth = 0;        // the shown picture's size, twips
  float pictureHeight = 0;
};

// How an Open goes: the file the dialog answers and what the disk holds there.
enum class OpenOutcome {
  kGood,         // a picture of the given size
  kCancel,       // the dialog is cancelled
  kMissing,      // no such file (error 53)
  kNotAPicture,  // the header cannot be read (error 481)
  kProbeFails,   // the header reads, the size cannot be learnt (error 481)
  kDecodeFails,  // the size is learnt, the pixels cannot be decoded (error 481)
};

struct UserEvent {
  enum Kind {
    kRestart,
    kOpen,
    kReferenceMode,
    kMeasureMode,
    kPress,
    kMove,
    kSave,
    kAbout,
    kUndo,    // Ctrl+Z
    kRedo,    // Ctrl+Y
    kClear,   // 标注 > 清除测量
    kEscape,  // gives up the pair being placed
  };
  Kind kind = kRestart;

  // kOpen
  OpenOutcome outcome = OpenOutcome::kGood;
  std::string path;                     // the path the dialog answers
  float fileWidth = 0, fileHeight = 0;  // natural size of a good picture, twips

  // kPress, kMove: the position relative to the shown picture's top-left corner, twips
  std::int16_t button = 0;  // 1 left, 2 right, other codes are ignored
  std::int16_t shift = 0;
  float x = 0, y = 0;
  std::vector<std::string> answers;  // the input box's answers, in order ("" is Cancel)

  // kSave
  std::string savePath;          // "" cancels
  bool pictureVanished = false;  // the opened file was deleted before this Save

  // What the user did, in words: "press left at 1200 3400.5, would type \"30\"" (the
  // answers a box would be given, "" for Cancel).
  std::string describe() const;
};

// A float in the shortest decimal form that reads back as the same float: "12.345",
// "0.1", "-0", "1e+30".
std::string number(float value);

// The unwritable path that Save may be given.
inline constexpr const char* kUnwritablePath = "/out/locked.bmp";

class EventSource {
 public:
  // With `editing`, undo, redo, clear and Escape come among the events too; without, the
  // sequence is the same as it always was for the seed.
  explicit EventSource(std::uint32_t seed, bool editing = false) : rng_(seed), editing_(editing) {}
  UserEvent next(const Observable& now);

 private:
  std::uint32_t below(std::uint32_t n) { return rng_() % n; }
  double uniform(double lo, double hi) { return lo + (hi - lo) * (rng_() / 4294967296.0); }
  bool chance(double p) { return uniform(0, 1) < p; }
  std::string answer();
  void point(const Observable& now, float& x, float& y);

  std::mt19937 rng_;
  bool editing_;
  bool measuring_ = false;  // the mode last chosen was Measure
  std::uint32_t pendingRights_ = 0;
  float lastX_ = 0, lastY_ = 0;
};

}  // namespace vantory::replay
