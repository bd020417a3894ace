#include "core/session_status.h"

#include <cmath>
#include <limits>

#include "core/length_rule.h"
#include "core/number_text.h"
#include "core/texts.h"

namespace vantory {
namespace {

std::string fileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// A label's text without the blanks around it.
std::string trimmed(std::string text) {
  text.erase(0, text.find_first_not_of(' '));
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

const char* stepText(const MeasurementSession& session, bool pictureOpen) {
  using Step = MeasurementSession::Step;
  const bool reference = session.mode() == Mode::kReference;
  switch (session.nextStep()) {
    case Step::kChooseMode: return pictureOpen ? texts::kStepChooseMode : texts::kStepOpenPicture;
    case Step::kFirstPoint: return reference ? texts::kStepReferenceFirst : texts::kStepMeasureFirst;
    case Step::kSecondPoint: return reference ? texts::kStepReferenceSecond : texts::kStepMeasureSecond;
    case Step::kCommit: return reference ? texts::kStepReferenceFix : texts::kStepMeasureKeep;
  }
  return "";
}

}  // namespace

double lengthPerPixel(const MeasurementSession& session, const ShownPicture& picture) {
  if (!session.referenceCommitted() || picture.path.empty() || picture.shown.width <= 0) return 0;
  const double pixels = double{distance(session.reference())} * picture.naturalSize.width /
                        picture.shown.width / kTwipsPerPixel;
  return pixels > 0 ? session.referenceLength() / pixels : 0;
}

SessionStatus describeSession(const MeasurementSession& session, const ShownPicture& picture) {
  SessionStatus status;
  const bool open = !picture.path.empty();
  status.title = open ? fileName(picture.path) + texts::kTitleSeparator + texts::kTitle : texts::kTitle;
  status.step = stepText(session, open);
  status.placing = session.mode() != Mode::kIdle;
  if (open) {
    status.picture = fileName(picture.path) + "  " +
                     std::to_string(std::lround(picture.naturalSize.width / kTwipsPerPixel)) + " × " +
                     std::to_string(std::lround(picture.naturalSize.height / kTwipsPerPixel)) + " " +
                     texts::kPixels;
  }
  if (const double scale = lengthPerPixel(session, picture); scale > 0) {
    const bool fits = scale <= std::numeric_limits<float>::max();
    status.scale = std::string(texts::kScalePrefix) +
                   (fits ? trimmed(labelText(static_cast<float>(scale), session.referenceUnit()))
                         : texts::kOverflowLabel);
  }
  if (session.pairSnapShown()) status.snap = describeSnap(session.pairSnap());
  return status;
}

}  // namespace vantory
