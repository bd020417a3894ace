// Recording fakes of the ports: a disk of pictures given by their natural size, a view
// that logs every frame it is asked to draw, dialogs and boxes that answer from scripts,
// and a window that keeps its menus' states. The core's tests and the replay run against
// them, without a display.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/commands.h"
#include "core/edge_snap.h"
#include "core/errors.h"
#include "core/ports.h"

namespace vantory::fakes {

// One drawing call: a label (value, top-left corner, ink, font points, unit) or a line,
// at the annotation scale of the painter then.
struct Drawn {
  enum Kind { kLabel, kLine } kind;
  float value;         // labels
  TwipPoint from, to;  // a label's corner in `from`
  Ink ink;
  float points;      // labels: 9, the default font's size, or 8
  std::string unit;  // labels
  float scale = 1;
  bool operator==(const Drawn&) const = default;
};
std::string toString(const Drawn& d);
std::string toString(const std::vector<Drawn>& drawn);
Drawn label(float value, float x, float y, Ink ink, float points = 9, std::string unit = {});
Drawn line(float x1, float y1, float x2, float y2, Ink ink);

// A painter that logs what it draws. Its labels take `labelBox` at scale 1 and at the
// default font's size, in proportion to the scale and the font's points otherwise; with
// no area (as it starts) they never cover one another and stay at their midpoints.
class RecordingPainter : public Painter {
 public:
  TwipSize labelSize(float value, std::string_view unit) override;
  void label(TwipPoint topLeft, float value, std::string_view unit, Ink ink) override;
  void line(TwipPoint from, TwipPoint to, Ink ink) override;
  void setAnnotationScale(float factor) override { scale = factor; }
  float points = 9;
  float scale = 1;
  TwipSize labelBox;
  std::vector<Drawn> drawn;
};

// The pictures on the fake disk and the files written to it.
struct FakeDisk {
  std::map<std::string, TwipSize> pictures;     // path -> natural size
  std::map<std::string, ErrorCode> unreadable;  // path -> the error reading it gives
  std::map<std::string, ErrorCode> unwritable;
  bool drawAtWrite = false;    // a Save draws when it is written, not when it starts
  TwipSize labelBox;           // the size of a label in a saved picture, at scale 1
  bool failNextProbe = false;  // the next probe of a picture on the disk fails (481)
  bool failNextShow = false;   // the next picture shown fails to decode (481)

  struct Written {
    std::string picture;  // the path it was read from
    TwipSize size;
    std::vector<Drawn> drawn;
  };
  std::map<std::string, Written> written;
  std::vector<std::string> writeOrder;
  int reads = 0;  // pictures read in full for Save

  // The natural size of the picture at `path`, or its error.
  TwipSize read(const std::string& path);
};

class FakePictureFiles : public PictureFiles {
 public:
  explicit FakePictureFiles(FakeDisk& disk) : disk_(disk) {}
  TwipSize probe(const std::string& path) override;
  std::unique_ptr<ExportJob> prepareExport(const std::string& path, ExportDrawing drawing) override;

 private:
  FakeDisk& disk_;
};

// Text files written to the fake disk, and the paths that refuse a write.
class FakeTextFiles : public TextFiles {
 public:
  void writeFile(const std::string& path, const std::string& bytes) override;
  std::map<std::string, std::string> written;   // path -> bytes
  std::map<std::string, ErrorCode> unwritable;  // path -> the error writing it gives
};

class FakeSurface : public LiveSurface {
 public:
  explicit FakeSurface(FakeDisk& disk) : disk_(disk) {}
  TwipSize area() const override { return {11655, 8295}; }
  void showPicture(const std::string& path, TwipRect rect) override;
  Painter& newFrame() override;
  void useSmallLabels() override { painter_.points = 8; }

  std::string shownPath;
  TwipRect shownRect{720, 840, 10215, 5655};
  int frames = 0;
  // What was drawn since the last newFrame.
  const std::vector<Drawn>& frame() const { return painter_.drawn; }
  float labelPoints() const { return painter_.points; }
  // The size of every label on the view at 9 points (see RecordingPainter).
  void setLabelBox(TwipSize box) { painter_.labelBox = box; }

 private:
  FakeDisk& disk_;
  RecordingPainter painter_;
};

class FakePrompts : public Prompts {
 public:
  std::string chooseFileToOpen(const std::string& initialName) override;
  std::string chooseFileToSave(const std::string& initialName) override;
  std::string chooseFileToExport(const std::string& initialName) override;
  std::string askText(const std::string& prompt, const std::string& title,
                      const std::string& initialText) override;
  void showMessage(const std::string& text) override { messages.push_back(text); }
  void showError(const AppError& error) override { errors.emplace_back(error.number(), error.description()); }

  // Runs before the input box answers: a test makes it throw to see a command fail midway.
  std::function<void()> beforeAnswer;
  // The answers, in order; "" (or none left) cancels.
  std::deque<std::string> fileAnswers;
  std::deque<std::string> textAnswers;
  // What was shown.
  struct Dialog {
    std::string kind, initialName;
  };
  std::vector<Dialog> dialogs;
  struct Question {
    std::string prompt, title, initialText;
  };
  std::vector<Question> questions;
  std::vector<std::string> messages;
  std::vector<std::pair<int, std::string>> errors;

 private:
  std::string answerFile(const std::string& kind, const std::string& initialName);
};

class FakeWindow : public Window {
 public:
  TwipSize clientArea() const override { return client; }
  void setAnnotateMenuEnabled(bool enabled) override { annotateEnabled = enabled; }
  void setMeasureCommandEnabled(bool enabled) override { measureEnabled = enabled; }
  void setEditCommandsEnabled(bool undo, bool redo, bool clear) override {
    undoEnabled = undo, redoEnabled = redo, clearEnabled = clear;
  }
  void showStatus(const SessionStatus& shown) override { status = shown; }
  void setTableCommandsEnabled(bool enabled) override { tableEnabled = enabled; }
  void copyToClipboard(const std::string& text) override { clipboard = text; }
  void closeWindow() override { ++closes; }
  TwipSize client{11655, 8295};
  bool annotateEnabled = true, measureEnabled = true, tableEnabled = true;
  bool undoEnabled = true, redoEnabled = true, clearEnabled = true;
  SessionStatus status;
  std::string clipboard;
  int closes = 0;
};

// The picture's own pixels: none until a test gives a picture. While `decoded` is false
// (a decode under way), ready() finds none; await() waits it out.
class FakePixels : public PicturePixels {
 public:
  const BrightnessSource* ready() override {
    ++readies;
    return decoded && picture ? &*picture : nullptr;
  }
  const BrightnessSource* await() override {
    decoded = true;
    return picture ? &*picture : nullptr;
  }
  std::optional<GreyPicture> picture;
  bool decoded = true;
  int readies = 0;
};

// The whole program over the fakes, started.
struct FakeProgram {
  FakeProgram();
  FakeDisk disk;
  FakeWindow window;
  FakeSurface surface{disk};
  FakePictureFiles files{disk};
  FakePrompts prompts;
  FakeTextFiles textFiles;
  FakePixels pixels;
  Commands commands{{window, surface, files, prompts, textFiles, pixels}};
};

}  // namespace vantory::fakes
