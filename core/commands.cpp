#include "core/commands.h"

#include <filesystem>
#include <new>
#include <optional>
#include <utility>

#include "core/annotations.h"
#include "core/errors.h"
#include "core/exact_math.h"
#include "core/live_view.h"
#include "core/number_text.h"
#include "core/picture_fit.h"
#include "core/texts.h"

namespace vantory {
namespace {

// The name Save suggests for the picture at `path`: beside it, its name without the
// extension and with kAnnotatedNameEnding, as a bitmap ("/p/coins.jpg": "/p/coins-标注.bmp").
std::string annotatedName(const std::string& path) {
  const std::filesystem::path picture(path);
  return (picture.parent_path() / (picture.stem().string() + texts::kAnnotatedNameEnding + ".bmp")).string();
}

}  // namespace

Commands::Commands(Ports ports, std::string version) : ports_(ports), version_(std::move(version)) {}

template <bool changes, typename Command>
void Commands::guarded(Command&& command) {
  std::optional<MeasurementSession> before;
  try {
    if constexpr (changes) before.emplace(session_);
    command();
  } catch (...) {
    if (before) session_ = std::move(*before);
    report();
  }
}

void Commands::report() noexcept {
  try {
    try {
      throw;
    } catch (const AppError& error) {
      ports_.prompts.showError(error);
    } catch (const std::bad_alloc&) {
      ports_.prompts.showError(AppError(ErrorCode::kOutOfMemory));
    } catch (const std::exception& error) {
      ports_.prompts.showError(detailedError(ErrorCode::kInternal, error.what()));
    } catch (...) {
      ports_.prompts.showError(AppError(ErrorCode::kInternal));
    }
  } catch (...) {
    // Not even the report could be shown (memory ran out): the session is safe, go on.
  }
}

void Commands::start() {
  ports_.window.setAnnotateMenuEnabled(false);
  ports_.window.setMeasureCommandEnabled(false);
}

void Commands::openPicture() {
  guarded<true>([this] {
    const std::string chosen = ports_.prompts.chooseFileToOpen(dialogName_);
    if (chosen.empty()) {
      dialogName_.clear();
      return;
    }
    showFile(chosen);
  });
}

void Commands::openFile(const std::string& path) {
  guarded<true>([&] { showFile(path); });
}

// Shows the picture at `path`; changes nothing when that fails.
void Commands::showFile(const std::string& path) {
  const TwipSize natural = ports_.files.probe(path);
  const TwipRect rect = fitPicture(natural, ports_.window.clientArea(), ports_.surface.area());
  ports_.surface.showPicture(path, rect);
  picturePath_ = path;
  pictureRect_ = rect;
  dialogName_.clear();  // taken: the next dialog starts empty
  savedName_.clear();
  ports_.window.setAnnotateMenuEnabled(true);
}

void Commands::savePicture() {
  guarded<true>([this] {
    if (picturePath_.empty()) {
      // Without a picture there is nothing to draw on.
      ports_.prompts.showMessage(texts::kNothingToSave);
      return;
    }
    const std::unique_ptr<ExportJob> job = ports_.files.prepareExport(
        picturePath_,
        [annotations = SavedAnnotations(session_), shown = pictureRect_](Painter& painter, TwipSize picture) {
          drawAnnotations(painter, CoordinateMap::onto(shown, picture), annotations.view());
        });
    // The picture is read and drawn while the dialog is open.
    const std::string chosen =
        ports_.prompts.chooseFileToSave(savedName_.empty() ? annotatedName(picturePath_) : savedName_);
    dialogName_ = chosen;        // kept: the next Open dialog starts with it
    if (chosen.empty()) return;  // the work is thrown away
    savedName_ = chosen;
    job->writeTo(chosen, [this](const AppError* error) {
      if (error != nullptr) ports_.prompts.showError(*error);
    });
  });
}

void Commands::exitProgram() { ports_.window.closeWindow(); }

void Commands::showAbout() {
  guarded<false>([this] {
    ports_.prompts.showMessage(
        version_.empty() ? texts::kAbout : texts::kAbout + std::string("\n") + texts::kVersion + version_);
  });
}

void Commands::chooseReferenceMode() { session_.setMode(Mode::kReference); }

void Commands::chooseMeasureMode() { session_.setMode(Mode::kMeasure); }

TwipPoint Commands::viewPoint(float x, float y) const {
  const float viewX = toSingle(double{pictureRect_.left} + x);
  const float viewY = toSingle(double{pictureRect_.top} + y);
  return {viewX, viewY};
}

void Commands::press(MouseButton button, float x, float y) {
  guarded<true>([&] {
    if (button == MouseButton::kLeft) {
      if (session_.mode() == Mode::kIdle) return;
      if (session_.placePoint(viewPoint(x, y))) askReferenceLength();
    } else if (button == MouseButton::kRight) {
      switch (session_.commit()) {
        case MeasurementSession::Commit::kReference: ports_.window.setMeasureCommandEnabled(true); break;
        case MeasurementSession::Commit::kZeroReference:
          ports_.prompts.showMessage(texts::kZeroReference);
          break;
        case MeasurementSession::Commit::kFull:
          ports_.prompts.showMessage(texts::kTooManyMeasurements);
          break;
        case MeasurementSession::Commit::kMeasurement:
        case MeasurementSession::Commit::kNothing: break;
      }
    }
  });
}

void Commands::move(float x, float y, LiveSurface* magnifier) {
  guarded<false>([&] {
    const TwipPoint pointer = viewPoint(x, y);
    drawLiveView(ports_.surface, session_, pointer, liveLabels_);
    if (magnifier != nullptr) drawLiveView(*magnifier, session_, pointer, liveLabels_);
  });
}

// Asks until the text is a length greater than 0 (a number, with a unit or without), or
// empty. A text that is not a length is explained in words, one out of range reported,
// and a length of 0 or less explained; then it is asked for again with what was typed
// still in the box. The length is held with the pair until a right press commits it;
// Cancel (or a cleared box) abandons the pair.
void Commands::askReferenceLength() {
  std::string shown = texts::kLengthDefault;
  for (;;) {
    const std::string typed = ports_.prompts.askText(texts::kLengthPrompt, texts::kLengthTitle, shown);
    if (typed.empty()) {
      session_.abandonPair();
      return;
    }
    shown = typed;
    TypedLength length;
    try {
      length = parseLength(typed);
    } catch (const AppError& error) {
      if (error.code() == ErrorCode::kTypeMismatch) {
        ports_.prompts.showMessage(texts::kNotALength);
      } else {
        ports_.prompts.showError(error);
      }
      continue;
    }
    if (!(length.value > 0.0f)) {
      // 0 would label every measurement 0, a negative length make them all negative.
      ports_.prompts.showMessage(texts::kLengthNotPositive);
      continue;
    }
    session_.holdLength(length.value, std::move(length.unit));
    return;
  }
}

}  // namespace vantory
