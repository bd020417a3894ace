#include "core/commands.h"

#include <new>
#include <optional>

#include "core/annotations.h"
#include "core/errors.h"
#include "core/exact_math.h"
#include "core/live_view.h"
#include "core/number_text.h"
#include "core/picture_fit.h"
#include "core/texts.h"

namespace vantory {

Commands::Commands(Ports ports) : ports_(ports) {}

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
    const std::string before = dialogName_;
    const std::string chosen = ports_.prompts.chooseFileToOpen(dialogName_);
    dialogName_ = chosen;
    if (chosen.empty()) return;
    try {
      dialogName_.clear();  // taken: the next dialog starts empty
      const TwipSize natural = ports_.files.probe(chosen);
      const TwipRect rect = fitPicture(natural, ports_.window.clientArea(), ports_.surface.area());
      ports_.surface.showPicture(chosen, rect);
      picturePath_ = chosen;
      pictureRect_ = rect;
    } catch (...) {
      dialogName_ = before;
      throw;
    }
    ports_.window.setAnnotateMenuEnabled(true);
  });
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
    const std::string chosen = ports_.prompts.chooseFileToSave(dialogName_);
    dialogName_ = chosen;        // kept: the next dialog starts with it
    if (chosen.empty()) return;  // the work is thrown away
    job->writeTo(chosen, [this](const AppError* error) {
      if (error != nullptr) ports_.prompts.showError(*error);
    });
  });
}

void Commands::exitProgram() { ports_.window.closeWindow(); }

void Commands::showAbout() {
  guarded<false>([this] { ports_.prompts.showMessage(texts::kAbout); });
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

// Asks until the text is a number greater than 0, or empty. A text that is not a number
// (or is out of range), or a length of 0 or less, is explained, then asked for again with
// what was typed still in the box. The length is held with the pair until a right press
// commits it; Cancel (or a cleared box) abandons the pair.
void Commands::askReferenceLength() {
  std::string shown = texts::kLengthDefault;
  for (;;) {
    const std::string typed = ports_.prompts.askText(texts::kLengthPrompt, texts::kLengthTitle, shown);
    if (typed.empty()) {
      session_.abandonPair();
      return;
    }
    shown = typed;
    float length = 0;
    try {
      length = parseNumber(typed);
    } catch (const AppError& error) {
      ports_.prompts.showError(error);
      continue;
    }
    if (!(length > 0.0f)) {
      // 0 would label every measurement 0, a negative length make them all negative.
      ports_.prompts.showMessage(texts::kLengthNotPositive);
      continue;
    }
    session_.holdLength(length);
    return;
  }
}

}  // namespace vantory
