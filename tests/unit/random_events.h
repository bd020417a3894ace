// A seeded random walk through the window's events, run against the recording double.
// Each step picks an event a user could cause (menu commands only while enabled), runs
// it through Form1::Dispatch as the event loop does, predicts its effect with a model of
// the window's variables kept here, and checks the variables, the reports and the
// invariants of the measurement state. Header-only: the unit test and the benchmark
// share it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "measure/measurement_state.h"
#include "tests/double/fake_platform.h"

namespace vantory::random_events {

struct Stats {
  long events = 0, sessions = 0, commits = 0, failed = 0, retries = 0;
  long zero_refusals = 0, full_refusals = 0;
  int most_measurements = 0;
  void Add(const Stats& o) {
    events += o.events, sessions += o.sessions, commits += o.commits, failed += o.failed;
    retries += o.retries, zero_refusals += o.zero_refusals, full_refusals += o.full_refusals;
    most_measurements = std::max(most_measurements, o.most_measurements);
  }
};

struct Outcome {
  bool ok = true;
  std::string report;  // the seed, what failed and the last events
  Stats stats;
};

// Whether v is the nearest float to a number with three decimals (w / 1000, w whole). A
// tolerance on v * 1000 would reject good large values (12345.678f is 12345677.73 / 1000);
// instead the candidate w is rounded back. v * 1000 is exact in double. Below 8192 the
// floats are finer than 0.001 and most fail; from 8192 to 16384 a few still fail; from
// 16384 on every float passes, which is the truth (the model checks the exact values).
inline bool ThreeDecimals(float v) {
  return std::isfinite(v) && static_cast<float>(std::nearbyint(double{v} * 1000.0) / 1000.0) == v;
}

class Engine {
 public:
  explicit Engine(std::uint32_t seed) : seed_(seed), rng_(seed) { Restart(); }

  Outcome Run(long events) {
    for (long i = 0; i < events && failure_.empty(); ++i) Step();
    Outcome out{failure_.empty(), "", stats_};
    if (!out.ok) {
      out.report = "seed " + std::to_string(seed_) + ", event " + std::to_string(stats_.events) +
                   ": " + failure_ + "\nlast events:\n";
      for (const std::string& line : log_) out.report += "  " + line + "\n";
    }
    return out;
  }

  // The invariants on the window as it is now ("" when they hold).
  std::string CheckNow() { return Invariants(p_->form1->State()); }
  fake::FakePlatform& Platform() { return *p_; }

 private:
  struct Model {
    MeasurementState s;
    int measurements = 0;
    bool opened = false, committed = false;
  };
  struct Expect {
    bool ok = true;                     // Dispatch succeeds
    int errors = 0;                     // reports besides the one of a failed event
    std::vector<std::string> messages;  // the message boxes, in order
    bool refused = false;               // a message refuses the event: nothing changes
    std::vector<std::string> defaults;  // the default text of each input box
    int lines = -1;                     // Line calls on the view surface
    std::vector<std::string> written;   // files a Save writes
    int saved_lines = 0;                // Line calls in it
  };
  enum Kind { kOpen, kSzjz, kCeliang, kLeft, kRight, kOther, kMove, kSave, kAbout, kBurst };
  static constexpr std::int16_t kOtherButtons[] = {kMiddleButton, 0, 3, 8};

  // Randomness without std distributions, whose output differs between libraries.
  std::uint32_t Below(std::uint32_t n) { return rng_() % n; }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * (rng_() / 4294967296.0); }
  bool Chance(double p) { return Uniform(0, 1) < p; }

  // A new session: the program started again.
  void Restart() {
    p_ = fake::StartedWindow();
    p_->runtime.bad_files["/pics/broken.gif"] = kErrInvalidPicture;
    p_->runtime.unwritable["/out/locked.bmp"] = kErrPathAccess;
    model_ = Model{};
    model_.s.nextPoint = model_.s.nextLength = 3;
    last_clicks_ = 0, left_idle_ = false, before_measurements_ = 0;
    ++stats_.sessions;
    Verify(true, "restart");
  }

  // The model's arithmetic, written from the documented rules.
  static float Dist(float x1, float y1, float x2, float y2) {
    const double dy = double{y1} - y2, dx = double{x1} - x2;
    return static_cast<float>(std::sqrt(std::pow(dx, 2.0) + std::pow(dy, 2.0)));
  }
  static bool Scaled(const MeasurementState& s, float x1, float y1, float x2, float y2, float& out) {
    const double q = double{Dist(x1, y1, x2, y2)} * s.refLength /
                     Dist(s.segX[1], s.segY[1], s.segX[2], s.segY[2]) * 1000.0;
    out = static_cast<float>(std::floor(q) / 1000.0);
    return std::isfinite(q) && std::isfinite(out);
  }
  static bool Parse(const std::string& text, float& out) {
    char* end = nullptr;
    out = static_cast<float>(std::strtod(text.c_str(), &end));
    return !text.empty() && *end == '\0' && std::isfinite(out);
  }
  float ViewX(float x) const { return static_cast<float>(double{p_->Image1.left} + x); }
  float ViewY(float y) const { return static_cast<float>(double{p_->Image1.top} + y); }

  Kind Pick() {
    static constexpr int kWeights[] = {5, 3, 3, 22, 10, 2, 12, 2, 1, 2};  // sum 62
    for (;;) {
      std::uint32_t r = Below(62);
      int k = 0;
      while (r >= static_cast<std::uint32_t>(kWeights[k])) r -= kWeights[k++];
      const Kind kind = static_cast<Kind>(k);
      if ((kind == kSzjz && !p_->biaozhu.enabled) || (kind == kBurst && model_.s.mode != kMeasure) ||
          (kind == kCeliang && !(p_->biaozhu.enabled && p_->celiang.enabled))) {
        continue;
      }
      return kind;
    }
  }

  // A point relative to Image1: often the previous one again, sometimes off the picture.
  void Point(float& x, float& y) {
    if (!Chance(0.25)) {
      last_x_ = static_cast<float>(Uniform(-0.1, 1.1) * p_->Image1.width);
      last_y_ = static_cast<float>(Uniform(-0.1, 1.1) * p_->Image1.height);
      if (Chance(0.5)) last_x_ = std::round(last_x_ * 4) / 4, last_y_ = std::round(last_y_ * 4) / 4;
    }
    x = last_x_, y = last_y_;
  }

  std::string Answer() {
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

  template <typename Handler>
  bool Send(Handler&& handler) { return p_->form1->Dispatch(std::forward<Handler>(handler)); }

  void Step() {
    ++stats_.events;
    next_ = model_;
    if (pending_rights_ > 0) return --pending_rights_, Press(kRightButton);
    if (rng_() % 1500 == 0) return Restart();
    switch (Pick()) {
      case kOpen: return Open();
      case kSzjz: next_.s.mode = kReference;
        return Verify(Send([&] { p_->form1->szjz_Click(); }), "szjz");
      case kCeliang: next_.s.mode = kMeasure;
        return Verify(Send([&] { p_->form1->celiang_Click(); }), "celiang");
      case kLeft: return Press(kLeftButton);
      case kRight: return Press(kRightButton);
      case kOther: return Press(kOtherButtons[Below(4)]);
      case kMove: return Move();
      case kSave: return Save();
      case kAbout: expect_.messages = {text::kAbout};
        return Verify(Send([&] { p_->form1->about_Click(); }), "about");
      case kBurst: pending_rights_ = 20 + Below(seed_ % 2 ? 400 : 150);  // toward the 999 limit
        return Press(kRightButton);
    }
  }

  void Open() {
    fake::FakePlatform& p = *p_;
    const fake::FakeImage shown = p.Image1;
    const int variant = Below(6);  // 0-1 good, 2 cancel, 3 missing, 4 broken, 5 decode failure
    std::string path = "/pics/p" + std::to_string(Below(4)) + ".jpg";
    const int w = 15 * (1 + Below(3000)), h = 15 * (1 + Below(3000));
    p.runtime.files[path] = {float(w), float(h)};
    if (variant == 3) path = "/pics/missing.jpg";
    if (variant == 4) path = "/pics/broken.gif";
    if (variant == 5) (Chance(0.5) ? p.Image1 : p.Image2).fail_next_picture = true;
    p.CommonDialog1.answers.clear();
    if (variant != 2) p.CommonDialog1.answers.push_back(path);
    if (variant < 2) {
      next_.s.openPath = path, next_.s.picWidth = w, next_.s.picHeight = h, next_.opened = true;
      next_.s.viewRatio = static_cast<float>(double{p.form.scale_width} / p.form.scale_height);
    }
    expect_.ok = variant < 3;
    char what[96];
    std::snprintf(what, sizeof what, "open variant %d %s %dx%d", variant, path.c_str(), w, h);
    Verify(Send([&] { p_->form1->daoru_Click(); }), what);
    const fake::FakeImage& now = p.Image1;
    if (variant >= 2 && (now.left != shown.left || now.top != shown.top || now.width != shown.width ||
                         now.height != shown.height || now.picture != shown.picture)) {
      Fail("an Open that loaded nothing changed Image1");
    }
    if (p.Image1.fail_next_picture || p.Image2.fail_next_picture) Fail("decode failure not reached");
  }

  void Press(std::int16_t button) {
    MeasurementState& s = next_.s;
    float x, y;
    Point(x, y);
    std::deque<std::string>& answers = p_->runtime.input_answers;
    answers.clear();
    for (int k = button == kLeftButton ? Below(4) : 0; k > 0; --k) answers.push_back(Answer());
    std::string what = "press " + std::to_string(button) + " at " + std::to_string(x) + ", " +
                       std::to_string(y) + " answers";
    for (const std::string& a : answers) what += " \"" + a + "\"";

    if (button == kLeftButton && s.mode != kIdle) {
      const int endpoint = s.clicks % 2 != 0 ? 2 : 1;
      s.curX[endpoint] = ViewX(x), s.curY[endpoint] = ViewY(y);
      if (endpoint == 1) s.lengthHeld = false, s.pairAbandoned = false;
      s.pointsSinceReference = std::min(s.pointsSinceReference + 1, 2);
      // Asked until a number greater than 0, or "" (Cancel).
      std::deque<std::string> queue = answers;
      std::string shown = text::kRefDefault;
      for (float value; s.mode == kReference && endpoint == 2; shown = s.refText) {
        expect_.defaults.push_back(shown);
        s.refText = queue.empty() ? "" : queue.front();
        if (!queue.empty()) queue.pop_front();
        if (s.refText.empty()) {
          s.pairAbandoned = true;
          break;
        }
        if (!Parse(s.refText, value)) {
          ++expect_.errors;
        } else if (!(value > 0)) {
          expect_.messages.push_back(text::kLengthNotPositive);
        } else {
          s.heldLength = value, s.lengthHeld = true;
          break;
        }
      }
      stats_.retries += expect_.errors + static_cast<long>(expect_.messages.size());
      ++s.clicks;
    } else if (button == kRightButton && s.clicks % 2 == 0) {
      if (s.mode == kReference && s.clicks >= 2 && s.lengthHeld) {
        if (Dist(s.curX[1], s.curY[1], s.curX[2], s.curY[2]) == 0) {
          expect_.messages = {text::kZeroReference};
          expect_.refused = true;
          ++stats_.zero_refusals;
        } else {
          s.segX[1] = s.curX[1], s.segY[1] = s.curY[1], s.segX[2] = s.curX[2], s.segY[2] = s.curY[2];
          s.refLength = s.heldLength, s.referenceCommitted = true, s.pointsSinceReference = 0;
          next_.committed = true;
        }
      } else if (s.mode == kMeasure && s.pointsSinceReference < 2) {
        // the reference's own pair: nothing
      } else if (s.mode == kMeasure && next_.measurements == kMaxMeasurements) {
        expect_.messages = {text::kTooManyMeasurements};
        expect_.refused = true;
        ++stats_.full_refusals;
      } else if (s.mode == kMeasure) {
        const int j = s.nextPoint;
        expect_.ok = Scaled(s, s.curX[1], s.curY[1], s.curX[2], s.curY[2], s.segLen[j]);
        s.segX[j] = s.curX[1], s.segY[j] = s.curY[1], s.segX[j + 1] = s.curX[2], s.segY[j + 1] = s.curY[2];
        s.nextPoint += 2, s.nextLength += 2, ++next_.measurements;
      }
    }
    Verify(Send([&] { p_->form1->Image1_MouseDown(button, std::int16_t(Below(8)), x, y); }), what);
  }

  void Move() {
    MeasurementState& s = next_.s;
    float x, y;
    Point(x, y);
    expect_.lines = 0;
    if (s.mode != kIdle) {
      if (s.nextPoint > 3) s.segIndex = s.nextPoint;  // where the redraw loop ends
      const bool reference_drawn = s.segX[1] != 0 && s.segX[2] != 0 && s.segY[1] != 0 && s.segY[2] != 0;
      const bool pending = s.clicks % 2 != 0;
      const bool working_drawn = pending || (s.mode == kReference ? !s.pairAbandoned
                                                                  : s.pointsSinceReference >= 2);
      expect_.lines = (reference_drawn ? 1 : 0) + next_.measurements + (working_drawn ? 1 : 0);
      if (s.mode == kMeasure && working_drawn) {
        expect_.ok = s.clicks % 2 == 0
                         ? Scaled(s, s.curX[1], s.curY[1], s.curX[2], s.curY[2], s.curLength)
                         : Scaled(s, s.curX[1], s.curY[1], ViewX(x), ViewY(y), s.curLength);
      }
    }
    Verify(Send([&] { p_->form1->Image1_MouseMove(0, 0, x, y); }),
           "move " + std::to_string(x) + ", " + std::to_string(y));
  }

  void Save() {
    MeasurementState& s = next_.s;
    static const char* const kPaths[] = {"", "/out/a.bmp", "/out/locked.bmp"};
    const std::string path = kPaths[Below(3)];
    p_->CommonDialog1.answers.clear();
    if (!path.empty()) p_->CommonDialog1.answers.push_back(path);
    // Now and then the opened file has gone from the disk since it was opened.
    if (Chance(0.05)) p_->runtime.files.erase(s.openPath);
    const bool vanished = !s.openPath.empty() && p_->runtime.files.count(s.openPath) == 0;
    if (s.openPath.empty()) {
      expect_.messages = {text::kNothingToSave};
      expect_.refused = true;
    } else if (vanished) {
      expect_.ok = false;
    } else {
      if (s.nextPoint > 3) s.segIndex = s.nextPoint;
      if (!path.empty()) s.savePath = path;
      expect_.ok = path != "/out/locked.bmp";
      if (expect_.ok && !path.empty()) expect_.written = {path};
    }
    expect_.saved_lines = (s.referenceCommitted ? 1 : 0) + next_.measurements;
    Verify(Send([&] { p_->form1->save_Click(); }), "save \"" + path + (vanished ? "\" vanished" : "\""));
  }

  void Fail(const std::string& what) {
    if (failure_.empty()) failure_ = what;
  }

  void Verify(bool ok, const std::string& what) {
    fake::FakePlatform& p = *p_;
    fake::FakeRuntime& rt = p.runtime;
    const MeasurementState& s = p.form1->State();
    log_.push_back("#" + std::to_string(stats_.events) + " " + what + (ok ? "" : " -> error"));
    if (log_.size() > 40) log_.pop_front();
    if (what != "restart") {
      if (ok != expect_.ok) Fail(ok ? "the event should have failed" : "the event failed");
      if (rt.errors.size() != static_cast<std::size_t>(expect_.errors + (ok ? 0 : 1))) {
        Fail("wrong number of error reports: " + std::to_string(rt.errors.size()));
      }
      if (rt.messages != expect_.messages) Fail("wrong message boxes");
      std::vector<std::string> defaults;
      for (const auto& call : rt.inputs) defaults.push_back(call.default_text);
      if (defaults != expect_.defaults) Fail("wrong input boxes");
      if (ok && expect_.ok) model_ = next_;
      // A refused or failed event leaves the variables as they were.
      const bool refused = !ok || expect_.refused;
      if (refused && !(s == before_)) Fail("a refused event changed the state:" + Diff(before_, s));
      const auto lines = [](const std::vector<fake::Call>& calls) {
        return std::count_if(calls.begin(), calls.end(), [](const auto& c) { return c.op == "Line"; });
      };
      if (ok && expect_.lines >= 0 && lines(p.Picture2.calls) != expect_.lines) Fail("live view lines");
      if (rt.write_order != expect_.written) Fail("wrong files written");
      if (!expect_.written.empty() && lines(rt.written[expect_.written[0]]) != expect_.saved_lines) {
        Fail("saved picture lines");
      }
    }
    if (!(s == model_.s)) Fail("state differs from the model:" + Diff(model_.s, s));
    if (const std::string broken = Invariants(s); !broken.empty()) Fail(broken);
    stats_.commits += std::max(0, model_.measurements - before_measurements_);
    stats_.failed += ok ? 0 : 1;
    stats_.most_measurements = std::max(stats_.most_measurements, model_.measurements);
    // Ready for the next event: the state before it, empty logs (they would grow unbounded).
    before_ = s, before_measurements_ = model_.measurements, expect_ = Expect{};
    rt.messages.clear(), rt.errors.clear(), rt.inputs.clear(), rt.written.clear();
    rt.write_order.clear(), p.CommonDialog1.shown.clear(), p.Picture1.calls.clear();
    p.Picture2.calls.clear(), p.Picture2.prints.clear(), p.Image1.calls.clear();
    p.Image2.calls.clear(), p.form.calls.clear();
  }

  std::string Invariants(const MeasurementState& s) {
    const int n = model_.measurements;
    if (s.nextPoint != s.nextLength || s.nextPoint != 3 + 2 * n || s.nextPoint < 3 ||
        s.nextPoint > 2001 || s.nextPoint % 2 == 0) {
      return "counters " + std::to_string(s.nextPoint) + "/" + std::to_string(s.nextLength) +
             " for " + std::to_string(n) + " measurements";
    }
    if (s.segX[0] != 0 || s.segY[0] != 0 || s.segLen[0] != 0 || s.curX[0] != 0 || s.curY[0] != 0) {
      return "an index 0 was written";
    }
    for (int i = 1; i <= kArrayBound; ++i) {
      const auto at = [i](const char* what) { return what + std::to_string(i); };
      if (i >= s.nextPoint && (s.segX[i] != 0 || s.segY[i] != 0)) return at("free slot ");
      if ((i >= s.nextLength || i % 2 == 0 || i == 1) && s.segLen[i] != 0) return at("segLen written ");
      if (i < s.nextLength && !ThreeDecimals(s.segLen[i])) return at("segLen not cut ");
    }
    if (s.mode < kIdle || s.mode > kMeasure || (left_idle_ && s.mode == kIdle)) return "mode";
    left_idle_ = s.mode != kIdle;
    if (s.clicks < last_clicks_) return "clicks went down";
    last_clicks_ = s.clicks;
    if (p_->celiang.enabled != model_.committed) return "celiang enabled state";
    if (p_->biaozhu.enabled != model_.opened) return "biaozhu enabled state";
    if (p_->runtime.unloads != 0) return "the window was unloaded";
    return "";
  }

  // The names of the variables in which two states differ.
  static std::string Diff(const MeasurementState& a, const MeasurementState& b) {
    std::string d;
#define VANTORY_DIFF(f) d += a.f == b.f ? "" : " " #f;
    VANTORY_DIFF(openPath) VANTORY_DIFF(savePath) VANTORY_DIFF(picWidth) VANTORY_DIFF(picHeight)
    VANTORY_DIFF(viewRatio) VANTORY_DIFF(mode) VANTORY_DIFF(clicks) VANTORY_DIFF(nextPoint)
    VANTORY_DIFF(segIndex) VANTORY_DIFF(nextLength) VANTORY_DIFF(segX) VANTORY_DIFF(segY)
    VANTORY_DIFF(segLen) VANTORY_DIFF(curX) VANTORY_DIFF(curY) VANTORY_DIFF(refText)
    VANTORY_DIFF(refLength) VANTORY_DIFF(curLength) VANTORY_DIFF(heldLength)
    VANTORY_DIFF(lengthHeld) VANTORY_DIFF(pairAbandoned) VANTORY_DIFF(pointsSinceReference)
    VANTORY_DIFF(referenceCommitted)
#undef VANTORY_DIFF
    return d;
  }

  std::uint32_t seed_;
  std::mt19937 rng_;
  std::unique_ptr<fake::FakePlatform> p_;
  Model model_, next_;
  Expect expect_;
  MeasurementState before_;
  int before_measurements_ = 0, last_clicks_ = 0;
  bool left_idle_ = false;
  float last_x_ = 0, last_y_ = 0;
  std::uint32_t pending_rights_ = 0;
  Stats stats_;
  std::string failure_;
  std::deque<std::string> log_;
};

}  // namespace vantory::random_events
