#include "tests/fakes/recording_ports.h"

#include <cstdio>
#include <optional>

namespace vantory::fakes {

std::string toString(const Drawn& d) {
  char text[200];
  const char* ink = d.ink == Ink::kReference ? "red" : "green";
  if (d.kind == Drawn::kLabel) {
    std::snprintf(text, sizeof text, "label %.9g at %.9g %.9g %s %gpt", d.value, d.from.x, d.from.y, ink,
                  d.points);
    if (!d.unit.empty()) return text + (" " + d.unit);
  } else {
    std::snprintf(text, sizeof text, "line %.9g %.9g %.9g %.9g %s", d.from.x, d.from.y, d.to.x, d.to.y, ink);
  }
  if (d.scale != 1) return text + std::string(" x") + std::to_string(d.scale);
  return text;
}

std::string toString(const std::vector<Drawn>& drawn) {
  std::string text;
  for (const Drawn& d : drawn) text += toString(d) + "\n";
  return text;
}

Drawn label(float value, float x, float y, Ink ink, float points, std::string unit) {
  return {Drawn::kLabel, value, {x, y}, {}, ink, points, std::move(unit), 1};
}

Drawn line(float x1, float y1, float x2, float y2, Ink ink) {
  return {Drawn::kLine, 0, {x1, y1}, {x2, y2}, ink, 0, {}, 1};
}

TwipSize RecordingPainter::labelSize(float, std::string_view) {
  const float factor = scale * points / 9;
  return {labelBox.width * factor, labelBox.height * factor};
}

void RecordingPainter::label(TwipPoint topLeft, float value, std::string_view unit, Ink ink) {
  drawn.push_back({Drawn::kLabel, value, topLeft, {}, ink, points, std::string(unit), scale});
}

void RecordingPainter::line(TwipPoint from, TwipPoint to, Ink ink) {
  drawn.push_back({Drawn::kLine, 0, from, to, ink, 0, {}, scale});
}

TwipSize FakeDisk::read(const std::string& path) {
  if (const auto bad = unreadable.find(path); bad != unreadable.end()) throw AppError(bad->second);
  const auto found = pictures.find(path);
  if (found == pictures.end()) throw AppError(ErrorCode::kFileNotFound);
  return found->second;
}

TwipSize FakePictureFiles::probe(const std::string& path) {
  const TwipSize size = disk_.read(path);
  if (disk_.failNextProbe) {
    disk_.failNextProbe = false;
    throw AppError(ErrorCode::kInvalidPicture);
  }
  return size;
}

namespace {

class FakeExport : public ExportJob {
 public:
  FakeExport(FakeDisk& disk, std::string picture, ExportDrawing drawing)
      : disk_(disk), picture_(std::move(picture)), drawing_(std::move(drawing)) {
    if (!disk_.drawAtWrite) draw();
  }
  void writeTo(const std::string& path, std::function<void(const AppError*)> finished) override {
    if (disk_.drawAtWrite) draw();
    if (failed_) return finished(&*failed_);
    if (const auto bad = disk_.unwritable.find(path); bad != disk_.unwritable.end()) {
      const AppError error(bad->second);
      return finished(&error);
    }
    disk_.written[path] = drawn_;
    disk_.writeOrder.push_back(path);
    finished(nullptr);
  }

 private:
  // Reads the picture again and draws on it; an error is kept for writeTo.
  void draw() {
    try {
      ++disk_.reads;
      const TwipSize size = disk_.read(picture_);
      RecordingPainter painter;
      painter.labelBox = disk_.labelBox;
      drawing_(painter, size);
      drawn_ = FakeDisk::Written{picture_, size, std::move(painter.drawn)};
    } catch (const AppError& error) {
      failed_ = error;
    }
  }
  FakeDisk& disk_;
  std::string picture_;
  ExportDrawing drawing_;
  FakeDisk::Written drawn_;
  std::optional<AppError> failed_;
};

}  // namespace

std::unique_ptr<ExportJob> FakePictureFiles::prepareExport(const std::string& path, ExportDrawing drawing) {
  return std::make_unique<FakeExport>(disk_, path, std::move(drawing));
}

void FakeSurface::showPicture(const std::string& path, TwipRect rect) {
  if (disk_.failNextShow) {
    disk_.failNextShow = false;
    throw AppError(ErrorCode::kInvalidPicture);
  }
  shownPath = path;
  shownRect = rect;
}

Painter& FakeSurface::newFrame() {
  ++frames;
  painter_.drawn.clear();
  return painter_;
}

std::string FakePrompts::answerFile(const std::string& kind, const std::string& initialName) {
  dialogs.push_back({kind, initialName});
  if (fileAnswers.empty()) return "";
  std::string answer = fileAnswers.front();
  fileAnswers.pop_front();
  return answer;
}

std::string FakePrompts::chooseFileToOpen(const std::string& initialName) {
  return answerFile("open", initialName);
}

std::string FakePrompts::chooseFileToSave(const std::string& initialName) {
  return answerFile("save", initialName);
}

std::string FakePrompts::askText(const std::string& prompt, const std::string& title,
                                 const std::string& initialText) {
  questions.push_back({prompt, title, initialText});
  if (beforeAnswer) beforeAnswer();
  if (textAnswers.empty()) return "";
  std::string answer = textAnswers.front();
  textAnswers.pop_front();
  return answer;
}

FakeProgram::FakeProgram() { commands.start(); }

}  // namespace vantory::fakes
