#include "core/commands.h"

#include <filesystem>
#include <new>
#include <optional>
#include <utility>

#include "core/annotations.h"
#include "core/errors.h"
#include "core/exact_math.h"
#include "core/live_view.h"
#include "core/measurement_table.h"
#include "core/number_text.h"
#include "core/picture_fit.h"
#include "core/session_status.h"
#include "core/texts.h"

namespace vantory {
namespace {

// A name the Save dialogs suggest for what is made of the picture at `path`: beside it, its
// name without the extension, then `ending` and `extension` ("/p/coins.jpg" with "-标注"
// and ".bmp": "/p/coins-标注.bmp").
std::string besidePicture(const std::string& path, const char* ending, const char* extension) {
  const std::filesystem::path picture(path);
  return (picture.parent_path() / (picture.stem().string() + ending + extension)).string();
}

}  // namespace

Commands::Commands(Ports ports, std::string version) : ports_(ports), version_(std::move(version)) {}

template <Commands::Effect effect, typename Command>
void Commands::guarded(Command&& command) {
  std::optional<MeasurementSession> before;
  try {
    if constexpr (effect == Effect::kChangesSession) before.emplace(session_);
    command();
  } catch (...) {
    if (before) session_ = std::move(*before);
    report();
  }
  if constexpr (effect == Effect::kChangesSession) {
    try {
      showSession();
    } catch (...) {
      report();  // the session stands; the next move draws the view again
    }
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

void Commands::start() { showMenusAndStatus(); }

void Commands::showSession() {
  drawView();
  showMenusAndStatus();
}

void Commands::drawView(LiveSurface* magnifier) {
  const std::optional<SnapPreview> preview = previewSnap();
  const SnapPreview* shown = preview ? &*preview : nullptr;
  drawLiveView(ports_.surface, session_, pointer_, liveLabels_, shown);
  if (magnifier != nullptr) drawLiveView(*magnifier, session_, pointer_, liveLabels_, shown);
}

std::optional<SnapPreview> Commands::previewSnap() const {
  if (session_.mode() == Mode::kIdle || !session_.secondPointPending()) return std::nullopt;
  const bool snapA = session_.pairSnap().a.asked;
  if (!snapA && !pointerSnaps_) return std::nullopt;
  const BrightnessSource* pixels = ports_.pixels.ready();
  if (pixels == nullptr) return std::nullopt;
  SnapPreview preview{{session_.workingPair().a, pointer_}};
  const PairSnap outcome =
      snapPair(*pixels, {pictureRect_, pictureSize_}, preview.pair, snapA, pointerSnaps_);
  preview.aMoved = outcome.a.kind != Snap::Kind::kNone;
  preview.bMoved = outcome.b.kind != Snap::Kind::kNone;
  return preview;
}

void Commands::showMenusAndStatus() {
  ports_.window.setAnnotateMenuEnabled(!picturePath_.empty());
  ports_.window.setMeasureCommandEnabled(session_.referenceCommitted());
  // The table holds the reference's row at least: nothing to export or copy before one.
  ports_.window.setTableCommandsEnabled(session_.referenceCommitted());
  ports_.window.setEditCommandsEnabled(history_.toUndo() != nullptr, history_.toRedo() != nullptr,
                                       !session_.measurements().empty());
  ports_.window.showStatus(describeSession(session_, {picturePath_, pictureSize_, pictureRect_}));
}

void Commands::openPicture() {
  guarded<Effect::kChangesSession>([this] {
    const std::string chosen = ports_.prompts.chooseFileToOpen(dialogName_);
    if (chosen.empty()) {
      dialogName_.clear();
      return;
    }
    showFile(chosen);
  });
}

void Commands::openFile(const std::string& path) {
  guarded<Effect::kChangesSession>([&] { showFile(path); });
}

// Shows the picture at `path`; changes nothing when that fails.
void Commands::showFile(const std::string& path) {
  const TwipSize natural = ports_.files.probe(path);
  const TwipRect rect = fitPicture(natural, ports_.window.clientArea(), ports_.surface.area());
  ports_.surface.showPicture(path, rect);
  picturePath_ = path;
  pictureRect_ = rect;
  pictureSize_ = natural;
  dialogName_.clear();  // taken: the next dialog starts empty
  savedName_.clear();
  tableName_.clear();
  session_.forgetPairSnap();
}

void Commands::savePicture() {
  guarded<Effect::kNone>([this] {
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
    const std::string chosen = ports_.prompts.chooseFileToSave(
        savedName_.empty() ? besidePicture(picturePath_, texts::kAnnotatedNameEnding, ".bmp") : savedName_);
    dialogName_ = chosen;        // kept: the next Open dialog starts with it
    if (chosen.empty()) return;  // the work is thrown away
    savedName_ = chosen;
    job->writeTo(chosen, [this](const AppError* error) {
      if (error != nullptr) ports_.prompts.showError(*error);
    });
  });
}

std::vector<TableRow> Commands::measurementRows() const {
  const SavedAnnotations annotations(session_);
  return measurementTable(annotations.view(), CoordinateMap::onto(pictureRect_, pictureSize_),
                          std::filesystem::path(picturePath_).filename().string());
}

void Commands::exportMeasurements() {
  guarded<Effect::kNone>([this] {
    if (!session_.referenceCommitted()) return;
    const std::string table = csvText(measurementRows());
    const std::string chosen = ports_.prompts.chooseFileToExport(
        tableName_.empty() ? besidePicture(picturePath_, texts::kTableNameEnding, ".csv") : tableName_);
    if (chosen.empty()) return;
    tableName_ = chosen;
    ports_.textFiles.writeFile(chosen, table);
  });
}

void Commands::copyMeasurements() {
  guarded<Effect::kNone>([this] {
    if (session_.referenceCommitted()) ports_.window.copyToClipboard(tabSeparatedText(measurementRows()));
  });
}

void Commands::exitProgram() { ports_.window.closeWindow(); }

void Commands::showAbout() {
  guarded<Effect::kNone>([this] {
    ports_.prompts.showMessage(
        version_.empty() ? texts::kAbout : texts::kAbout + std::string("\n") + texts::kVersion + version_);
  });
}

void Commands::chooseReferenceMode() {
  guarded<Effect::kChangesSession>([this] { session_.setMode(Mode::kReference); });
}

void Commands::chooseMeasureMode() {
  guarded<Effect::kChangesSession>([this] { session_.setMode(Mode::kMeasure); });
}

void Commands::undo() {
  guarded<Effect::kChangesSession>([this] {
    const AnnotationChange* change = history_.toUndo();
    if (change == nullptr) return;
    session_.revert(*change);
    history_.undone();
  });
}

void Commands::redo() {
  guarded<Effect::kChangesSession>([this] {
    const AnnotationChange* change = history_.toRedo();
    if (change == nullptr) return;
    session_.apply(*change);
    history_.redone();
  });
}

void Commands::clearMeasurements() {
  guarded<Effect::kChangesSession>([this] {
    if (session_.measurements().empty()) return;
    MeasurementsCleared cleared{session_.clearMeasurements()};
    history_.record(std::move(cleared));
  });
}

void Commands::abandonPair() {
  guarded<Effect::kChangesSession>([this] { session_.abandonPair(); });
}

TwipPoint Commands::viewPoint(float x, float y) const {
  const float viewX = toSingle(double{pictureRect_.left} + x);
  const float viewY = toSingle(double{pictureRect_.top} + y);
  return {viewX, viewY};
}

void Commands::press(MouseButton button, float x, float y, bool snap) {
  guarded<Effect::kChangesSession>([&] {
    pointer_ = viewPoint(x, y);
    pointerSnaps_ = snap;
    if (button == MouseButton::kLeft) {
      if (session_.mode() == Mode::kIdle) return;
      const bool askLength = session_.placePoint(pointer_, snap);
      if (snap) ports_.pixels.ready();  // the picture's own pixels read meanwhile
      // The length typed for a reference is the length of what its ends snapped to.
      if (!session_.secondPointPending()) snapWorkingPair();
      if (askLength) askReferenceLength();
    } else if (button == MouseButton::kRight) {
      const ReferenceState before = session_.referenceState();
      switch (session_.commit()) {
        case MeasurementSession::Commit::kReference:
          history_.record(ReferenceFixed{before, session_.referenceState()});
          break;
        case MeasurementSession::Commit::kMeasurement:
          history_.record(MeasurementKept{session_.measurements().back()});
          break;
        case MeasurementSession::Commit::kZeroReference:
          ports_.prompts.showMessage(texts::kZeroReference);
          break;
        case MeasurementSession::Commit::kFull:
          ports_.prompts.showMessage(texts::kTooManyMeasurements);
          break;
        case MeasurementSession::Commit::kNothing: break;
      }
    }
  });
}

void Commands::move(float x, float y, LiveSurface* magnifier, bool snap) {
  guarded<Effect::kNone>([&] {
    pointer_ = viewPoint(x, y);
    pointerSnaps_ = snap;
    drawView(magnifier);
  });
}

void Commands::snapWorkingPair() {
  PairSnap outcome = session_.pairSnap();
  if (!outcome.asked()) return;
  Segment pair = session_.workingPair();
  if (const BrightnessSource* pixels = ports_.pixels.await(); pixels != nullptr) {
    outcome = snapPair(*pixels, {pictureRect_, pictureSize_}, pair, outcome.a.asked, outcome.b.asked);
  } else {
    outcome.pixelsUnreadable = true;
  }
  session_.snapPair(pair, outcome);
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
