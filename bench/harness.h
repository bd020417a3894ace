// What the benchmarks share: the offscreen start, timing and medians, peak-memory
// readings from /proc/self/status, a photo-like test picture, and the main window with
// a Form1 whose file dialogs answer from a script instead of asking the user.
//
// The benchmarks print figures and ratios; they never fail on a timing. They end with
// a non-zero status only when something did not work.
#pragma once

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QMenu>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>
#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/qt/qt_window.h"
#include "tests/support/private_home.h"

namespace bench {

// ------------------------------------------------------------------ start

// The offscreen platform unless the caller chose one.
inline void UseOffscreenPlatform() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

[[noreturn]] inline void Fail(const std::string& what) {
  std::fprintf(stderr, "FAILED: %s\n", what.c_str());
  std::fflush(stdout);
  std::exit(1);
}

// The start of every benchmark: the offscreen platform, the application, and a folder
// for the pictures it makes and writes.
class Session {
 public:
  Session(int& argc, char** argv) : app_((UseOffscreenPlatform(), argc), argv) {
    if (!dir_.isValid()) Fail("no temporary directory");
  }
  QString Path(const char* name) const { return dir_.filePath(name); }

 private:
  vantory::testing_support::PrivateHome home_;  // made before the application
  QApplication app_;
  QTemporaryDir dir_;
};

// ------------------------------------------------------------------ timing

using Clock = std::chrono::steady_clock;

inline double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Milliseconds taken by one call of `work`.
template <typename Work>
double TimeMs(Work&& work) {
  const auto start = Clock::now();
  work();
  return MsSince(start);
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

inline double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t index = std::min(values.size() - 1, static_cast<size_t>(p * (values.size() - 1) + 0.5));
  return values[index];
}

inline const char* Verdict(bool met) { return met ? "goal met" : "goal missed"; }

// ------------------------------------------------------------------ memory

// A field of /proc/self/status in kB (VmRSS, VmHWM), or -1.
inline long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t length = std::strlen(field);
  while (std::getline(status, line)) {
    if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':') {
      return std::strtol(line.c_str() + length + 1, nullptr, 10);
    }
  }
  return -1;
}

inline double Mb(long kb) { return kb / 1024.0; }

// Peak memory of a phase. With a working /proc/self/clear_refs the peak (VmHWM) is reset
// to the current resident size before the phase, so the phase's own peak is read after
// it; otherwise only the growth of the resident size over the phase can be reported.
class PeakMeter {
 public:
  PeakMeter() { reset_works_ = CheckReset(); }

  bool ResetWorks() const { return reset_works_; }

  // Call right before the phase.
  void Start() {
    if (reset_works_) ResetPeak();
    baseline_kb_ = StatusKb("VmRSS");
  }

  // The phase's rise above the resident size at Start, in MB: peak - baseline, or the
  // resident size's growth when the peak cannot be reset.
  double RiseMb() const {
    const long after = reset_works_ ? StatusKb("VmHWM") : StatusKb("VmRSS");
    return Mb(after - baseline_kb_);
  }

  double BaselineMb() const { return Mb(baseline_kb_); }

  const char* Method() const {
    return reset_works_ ? "peak (VmHWM, reset through /proc/self/clear_refs) above VmRSS before"
                        : "VmRSS growth over the phase (VmHWM could not be reset; the true "
                          "peak may be higher)";
  }

 private:
  static bool ResetPeak() {
    std::FILE* file = std::fopen("/proc/self/clear_refs", "w");
    if (file == nullptr) return false;
    const bool written = std::fputs("5", file) >= 0;
    return std::fclose(file) == 0 && written;
  }

  // Raises the peak by 64 MB that is given back at once, then resets it: the reset works
  // when the peak comes back down near the resident size.
  static bool CheckReset() {
    const size_t bytes = size_t{64} << 20;
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return false;
    std::memset(block, 1, bytes);
    munmap(block, bytes);
    const long raised = StatusKb("VmHWM");
    if (!ResetPeak()) return false;
    const long peak = StatusKb("VmHWM");
    const long resident = StatusKb("VmRSS");
    return raised > 0 && peak >= 0 && peak < raised - 48 * 1024 && peak <= resident + 4 * 1024;
  }

  bool reset_works_ = false;
  long baseline_kb_ = 0;
};

// ------------------------------------------------------------------ the test picture

// A photo-like picture: smooth gradients and soft shapes under a little noise, so that
// JPEG compresses it about as well as a camera picture.
inline QImage PhotoLike(int width, int height, std::uint32_t seed = 12345) {
  QImage image(width, height, QImage::Format_RGB32);
  std::uint32_t state = seed;
  const auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    const double fy = double(y) / height;
    for (int x = 0; x < width; ++x) {
      const double fx = double(x) / width;
      // Gradients, a few soft bands, and texture that varies across the picture.
      const int band = ((x / 37 + y / 53) % 7) * 6;
      const int noise = int(next() % 15) - 7;
      const int r = int(200 * fx + 40 * fy) + band + noise;
      const int g = int(160 * fy + 60 * (1 - fx)) + band / 2 + noise;
      const int b = int(120 + 100 * fx * fy) - band + noise;
      line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
    }
  }
  return image;
}

// Writes a photo-like JPEG (quality 90) and returns its size in bytes.
inline qint64 WritePhotoJpeg(const QString& path, int width, int height) {
  QImageWriter writer(path, "jpeg");
  writer.setQuality(90);
  if (!writer.write(PhotoLike(width, height))) {
    Fail("cannot write the test picture " + path.toStdString() + ": " +
         writer.errorString().toStdString());
  }
  return QFile(path).size();
}

// ------------------------------------------------------------------ the window

// File dialogs that answer from a script: ShowOpen and ShowSave set FileName to the
// path given beforehand, without showing anything.
class ScriptedDialog : public vantory::CommonDialog {
 public:
  std::string Filter() const override { return filter_; }
  void SetFilter(const std::string& filter) override { filter_ = filter; }
  std::string FileName() const override { return file_name_; }
  void SetFileName(const std::string& name) override { file_name_ = name; }
  void ShowOpen() override { file_name_ = open_answer; }
  void ShowSave() override { file_name_ = save_answer; }

  std::string open_answer;
  std::string save_answer;

 private:
  std::string filter_;
  std::string file_name_;
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  int count = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return QObject::eventFilter(watched, event);
  }
};

// The real main window, shown, with a Form1 built on its own controls (view surface,
// probe, canvas, menus) but with the scripted dialogs and a runtime that refuses to open
// a modal box: an error report would wait for a click that never comes, so any error is
// fatal to the benchmark instead.
class Rig {
 public:
  Rig()
      : runtime_([this] { return static_cast<QWidget*>(&window_); }) {
    runtime_.before_modal = [] {
      throw std::runtime_error("a handler wanted to open a modal box (an error report?)");
    };
    wenjian_ = Item(window_.FileMenu()->menuAction());
    biaozhu_ = Item(window_.AnnotateMenu()->menuAction());
    about_ = Item(window_.AboutAction());
    daoru_ = Item(Action("daoru"));
    save_ = Item(Action("save"));
    tuichu_ = Item(Action("tuichu"));
    szjz_ = Item(Action("szjz"));
    celiang_ = Item(Action("celiang"));
    form_ = std::make_unique<vantory::Form1>(vantory::Controls{
        window_, window_.Canvas(), window_.Surface(), window_.Surface().Image1(), window_.Probe(),
        dialog_, *wenjian_, *daoru_, *save_, *tuichu_, *biaozhu_, *szjz_, *celiang_, *about_,
        runtime_});
    // Presses and moves over the surface go to this Form1.
    window_.Surface().on_press = nullptr;
    window_.Surface().on_move = nullptr;
    Run([this] { form_->Form_Load(); });
    window_.show();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    window_.Surface().installEventFilter(&paints_);
  }

  // Runs one handler as the window does (Form1::Dispatch, then the surface's Flush);
  // a failed handler ends the benchmark.
  template <typename Handler>
  void Run(Handler&& handler) {
    try {
      const bool ok = form_->Dispatch(std::forward<Handler>(handler));
      window_.Surface().Flush();
      if (!ok) Fail("a handler failed");
    } catch (const std::exception& error) {
      Fail(error.what());
    }
  }

  // Open without the dialog: daoru_Click with the dialog answering `path`.
  void Open(const QString& path) {
    dialog_.open_answer = path.toStdString();
    Run([this] { form_->daoru_Click(); });
    if (form_->State().openPath != dialog_.open_answer) Fail("Open did not take the picture");
  }

  // Save without the dialog: save_Click with the dialog answering `path`.
  void Save(const QString& path) {
    dialog_.save_answer = path.toStdString();
    Run([this] { form_->save_Click(); });
  }

  vantory::Form1& Form() { return *form_; }
  vantory::qt::QtMainWindow& Window() { return window_; }
  vantory::qt::ViewSurface& Surface() { return window_.Surface(); }
  int Paints() const { return paints_.count; }

 private:
  QAction* Action(const char* name) {
    auto* action = window_.findChild<QAction*>(name);
    if (action == nullptr) Fail(std::string("no menu action ") + name);
    return action;
  }
  static std::unique_ptr<vantory::qt::QtMenuItem> Item(QAction* action) {
    return std::make_unique<vantory::qt::QtMenuItem>(action);
  }

  vantory::qt::QtMainWindow window_;
  ScriptedDialog dialog_;
  vantory::qt::QtRuntime runtime_;
  std::unique_ptr<vantory::qt::QtMenuItem> wenjian_, daoru_, save_, tuichu_, biaozhu_, szjz_,
      celiang_, about_;
  std::unique_ptr<vantory::Form1> form_;
  PaintCounter paints_;
};

// ------------------------------------------------------------------ measurements

// Fills the window's variables as after committing a reference and `count` measurements,
// all inside Image1's rectangle, and leaves the window in mode measure with the first
// endpoint of the next segment placed (clicks odd: the rubber band follows the pointer).
inline void CommitMeasurements(vantory::Form1& form, int count) {
  const vantory::ImageControl& image = form.Ctl().Image1;
  const float left = image.Left(), top = image.Top();
  const float width = image.Width(), height = image.Height();
  vantory::MeasurementState& s = form.MutableState();
  s.segX.fill(0);
  s.segY.fill(0);
  s.segLen.fill(0);
  // The reference: a 3000-twip horizontal segment in the upper left.
  s.segX[1] = left + 0.10f * width;
  s.segY[1] = top + 0.10f * height;
  s.segX[2] = s.segX[1] + 3000;
  s.segY[2] = s.segY[1];
  s.refLength = 100;
  s.refText = "100";
  std::uint32_t state = 2024;
  const auto unit = [&state] {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / double(1 << 24);
  };
  for (int k = 1; k <= count; ++k) {
    const int j = 2 * k + 1;
    // Segments of 20 to 200 pixels in any direction, kept inside the picture.
    const double length = (20 + 180 * unit()) * 15;
    const double angle = 6.283185307179586 * unit();
    const double x1 = left + 0.1 * width + 0.8 * width * unit();
    const double y1 = top + 0.1 * height + 0.8 * height * unit();
    const double x2 = std::clamp(x1 + length * std::cos(angle), double(left), double(left + width));
    const double y2 = std::clamp(y1 + length * std::sin(angle), double(top), double(top + height));
    s.segX[j] = float(x1);
    s.segY[j] = float(y1);
    s.segX[j + 1] = float(x2);
    s.segY[j + 1] = float(y2);
    // The length against the 3000-twip reference of 100, cut to three decimals.
    s.segLen[j] = float(std::floor(std::hypot(x2 - x1, y2 - y1) / 3000.0 * 100.0 * 1000.0) / 1000.0);
  }
  s.nextPoint = static_cast<std::int16_t>(3 + 2 * count);
  s.nextLength = static_cast<std::int16_t>(3 + 2 * count);
  s.mode = vantory::kMeasure;
  s.clicks = 2 * count + 3;  // odd
  s.curX[1] = left + 0.5f * width;
  s.curY[1] = top + 0.5f * height;
  s.curX[2] = 0;
  s.curY[2] = 0;
}

}  // namespace bench
