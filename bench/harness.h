// What the benchmarks share: the offscreen start, timing and medians, peak-memory
// readings from /proc/self/status, a photo-like test picture, and the program's commands
// on the real main window's view and picture files, with dialogs that answer from a
// script instead of asking the user.
//
// The benchmarks print figures and ratios; they never fail on a timing. They end with
// a non-zero status only when something did not work.
#pragma once

#include <sys/mman.h>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/counting.h"
#include "core/commands.h"
#include "core/session.h"
#include "tests/fakes/recording_ports.h"
#include "tests/support/private_home.h"
#include "ui/main_window.h"
#include "ui/view_surface.h"

namespace bench {

// ------------------------------------------------------------------ start

// The offscreen platform unless the caller chose one.
inline void useOffscreenPlatform() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

[[noreturn]] inline void fail(const std::string& what) {
  std::fprintf(stderr, "FAILED: %s\n", what.c_str());
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(1);  // at once: a Save thread may still be at work
}

// The start of every benchmark: a private home, the offscreen platform, the application,
// and a folder for the pictures it makes and writes.
class Environment {
 public:
  Environment(int& argc, char** argv) : app_((useOffscreenPlatform(), argc), argv) {
    if (!dir_.isValid()) fail("no temporary directory");
  }
  QString path(const QString& name) const { return dir_.filePath(name); }

 private:
  vantory::testing_support::PrivateHome home_;  // made before the application
  QApplication app_;
  QTemporaryDir dir_;
};

// ------------------------------------------------------------------ timing

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Milliseconds taken by one call of `work`.
template <typename Work>
double timeMs(Work&& work) {
  const auto start = Clock::now();
  work();
  return msSince(start);
}

inline double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

inline double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t index = std::min(values.size() - 1, static_cast<size_t>(p * (values.size() - 1) + 0.5));
  return values[index];
}

inline double minimum(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}
inline double maximum(const std::vector<double>& values) {
  return *std::max_element(values.begin(), values.end());
}

inline const char* verdict(bool met) { return met ? "goal met" : "goal missed"; }

// ------------------------------------------------------------------ memory

// A field of /proc/self/status in kB (VmRSS, VmHWM), or -1.
inline long statusKb(const char* field) {
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

inline double mb(long kb) { return kb / 1024.0; }

// Peak memory of a phase. With a working /proc/self/clear_refs the peak (VmHWM) is reset
// to the current resident size before the phase, so the phase's own peak is read after
// it; otherwise only the growth of the resident size over the phase can be reported.
class PeakMeter {
 public:
  PeakMeter() { resetWorks_ = checkReset(); }

  bool resetWorks() const { return resetWorks_; }

  // Call right before the phase.
  void start() {
    if (resetWorks_) resetPeak();
    baselineKb_ = statusKb("VmRSS");
  }

  // The phase's rise above the resident size at start, in MB: peak - baseline, or the
  // resident size's growth when the peak cannot be reset.
  double riseMb() const {
    const long after = resetWorks_ ? statusKb("VmHWM") : statusKb("VmRSS");
    return mb(after - baselineKb_);
  }

  double baselineMb() const { return mb(baselineKb_); }

  const char* method() const {
    return resetWorks_ ? "peak (VmHWM, reset through /proc/self/clear_refs) above VmRSS before"
                       : "VmRSS growth over the phase (VmHWM could not be reset; the true "
                         "peak may be higher)";
  }

 private:
  static bool resetPeak() {
    std::FILE* file = std::fopen("/proc/self/clear_refs", "w");
    if (file == nullptr) return false;
    const bool written = std::fputs("5", file) >= 0;
    return std::fclose(file) == 0 && written;
  }

  // Raises the peak by 64 MB that is given back at once, then resets it: the reset works
  // when the peak comes back down near the resident size.
  static bool checkReset() {
    const size_t bytes = size_t{64} << 20;
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return false;
    std::memset(block, 1, bytes);
    munmap(block, bytes);
    const long raised = statusKb("VmHWM");
    if (!resetPeak()) return false;
    const long peak = statusKb("VmHWM");
    const long resident = statusKb("VmRSS");
    return raised > 0 && peak >= 0 && peak < raised - 48 * 1024 && peak <= resident + 4 * 1024;
  }

  bool resetWorks_ = false;
  long baselineKb_ = 0;
};

// ------------------------------------------------------------------ the test picture

// A photo-like picture: smooth gradients and soft shapes under a little noise, so that
// JPEG compresses it about as well as a camera picture.
inline QImage photoLike(int width, int height, std::uint32_t seed = 12345) {
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
inline qint64 writePhotoJpeg(const QString& path, int width, int height) {
  QImageWriter writer(path, "jpeg");
  writer.setQuality(90);
  if (!writer.write(photoLike(width, height))) {
    fail("cannot write the test picture " + path.toStdString() + ": " + writer.errorString().toStdString());
  }
  return QFile(path).size();
}

// ------------------------------------------------------------------ the program

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

// The real main window, shown, with the program's commands on its view and menus and on
// the picture files of Qt, but with dialogs that answer from a script: an error report
// or a message would wait for a click that never comes, so any is fatal to the benchmark
// instead.
class Rig {
 public:
  Rig() {
    // Presses and moves over the view reach only these commands, never the window's own.
    window_.view().onPress = nullptr;
    window_.view().onMove = nullptr;
    restart();
    window_.show();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    window_.view().installEventFilter(&paints_);
  }

  // Runs one command as the window does (the command, then the view's flush); one that
  // reported an error or showed a message ends the benchmark.
  template <typename Command>
  void run(Command&& command) {
    command();
    window_.view().flush();
    if (!prompts_.errors.empty()) {
      const auto& [number, description] = prompts_.errors.front();
      fail("a command reported error " + std::to_string(number) + ": " + description);
    }
    if (!prompts_.messages.empty()) fail("a command showed a message: " + prompts_.messages.front());
  }

  // Open, the dialog answering `path`.
  void open(const QString& path) {
    prompts_.fileAnswers = {path.toStdString()};
    run([this] { commands_->openPicture(); });
    if (commands_->picturePath() != path.toStdString()) fail("Open did not take the picture");
  }

  // Save, the dialog answering `path`, until the file is written and its outcome told.
  void save(const QString& path) {
    prompts_.fileAnswers = {path.toStdString()};
    run([this] {
      commands_->savePicture();
      files_.finishExports();
    });
  }

  // The program started again: a new session, the picture opened last opened again.
  void restart() {
    const std::string shown = commands_ ? commands_->picturePath() : std::string();
    commands_ = std::make_unique<vantory::Commands>(
        vantory::Commands::Ports{window_, window_.view(), files_, prompts_, textFiles_, window_.view()});
    run([this] { commands_->start(); });
    if (!shown.empty()) open(QString::fromStdString(shown));
  }

  vantory::Commands& commands() { return *commands_; }
  const vantory::MeasurementSession& session() const { return commands_->session(); }
  vantory::fakes::FakePrompts& prompts() { return prompts_; }
  vantory::qt::MainWindow& window() { return window_; }
  vantory::qt::ViewSurface& view() { return window_.view(); }
  const CountingFiles& files() const { return files_; }
  int paints() const { return paints_.count; }

 private:
  vantory::qt::MainWindow window_;
  CountingFiles files_{window_.currentPicture()};
  vantory::fakes::FakePrompts prompts_;
  vantory::fakes::FakeTextFiles textFiles_;
  std::unique_ptr<vantory::Commands> commands_;
  PaintCounter paints_;
};

// ------------------------------------------------------------------ measurements

// Starts the program again on the picture shown and commits, with presses as a user
// makes them, a reference and `count` measurements, all inside the picture; leaves it in
// measure mode with the first point of the next pair placed (the rubber band follows the
// pointer).
inline void commitMeasurements(Rig& rig, int count) {
  rig.restart();
  vantory::Commands& commands = rig.commands();
  const vantory::TwipRect shown = commands.pictureRect();
  const float width = shown.width, height = shown.height;
  const auto pair = [&](float x1, float y1, float x2, float y2) {
    rig.run([&] { commands.press(vantory::MouseButton::kLeft, x1, y1); });
    rig.run([&] { commands.press(vantory::MouseButton::kLeft, x2, y2); });
    rig.run([&] { commands.press(vantory::MouseButton::kRight, x2, y2); });
  };
  // The reference: a 3000-twip horizontal segment in the upper left, 100 long.
  commands.chooseReferenceMode();
  rig.prompts().textAnswers = {"100"};
  pair(0.10f * width, 0.10f * height, 0.10f * width + 3000, 0.10f * height);
  commands.chooseMeasureMode();
  std::uint32_t state = 2024;
  const auto unit = [&state] {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / double(1 << 24);
  };
  for (int k = 1; k <= count; ++k) {
    // Segments of 20 to 200 pixels in any direction, kept inside the picture.
    const double length = (20 + 180 * unit()) * 15;
    const double angle = 6.283185307179586 * unit();
    const double x1 = 0.1 * width + 0.8 * width * unit();
    const double y1 = 0.1 * height + 0.8 * height * unit();
    const double x2 = std::clamp(x1 + length * std::cos(angle), 0.0, double(width));
    const double y2 = std::clamp(y1 + length * std::sin(angle), 0.0, double(height));
    pair(float(x1), float(y1), float(x2), float(y2));
  }
  rig.run([&] { commands.press(vantory::MouseButton::kLeft, 0.5f * width, 0.5f * height); });
  const vantory::MeasurementSession& s = rig.session();
  if (!s.referenceCommitted() || s.measurements().size() != size_t(count) || !s.secondPointPending() ||
      s.mode() != vantory::Mode::kMeasure) {
    fail("the measurements were not committed as placed");
  }
}

}  // namespace bench
