#include "core/session.h"

#include <utility>

#include "core/errors.h"
#include "core/length_rule.h"

namespace vantory {

bool MeasurementSession::placePoint(TwipPoint point, bool snap) {
  const bool second = secondPointPending_;
  if (second) {
    working_.b = point;
    pairSnap_.b.asked = snap;
    newPairSinceReference_ = true;
    pairKept_ = false;
  } else {
    working_.a = point;
    // A new pair: whatever was typed, cancelled or snapped for the previous one is gone.
    lengthHeld_ = false;
    pairAbandoned_ = false;
    pairSnap_ = {};
    pairSnap_.a.asked = snap;
    pairSnapShown_ = false;
  }
  secondPointPending_ = !second;
  return second && mode_ == Mode::kReference;
}

void MeasurementSession::holdLength(float length, std::string unit) {
  heldLength_ = length;
  heldUnit_ = std::move(unit);
  lengthHeld_ = true;
}

void MeasurementSession::snapPair(const Segment& snapped, const PairSnap& outcome) {
  working_ = snapped;
  pairSnap_ = outcome;
  pairSnapShown_ = true;
}

void MeasurementSession::abandonPair() {
  secondPointPending_ = false;
  pairSnapShown_ = false;
  lengthHeld_ = false;
  pairAbandoned_ = true;
  newPairSinceReference_ = false;
}

bool MeasurementSession::workingPairShown() const {
  return mode_ == Mode::kReference ? !pairAbandoned_ : newPairSinceReference_;
}

MeasurementSession::Step MeasurementSession::nextStep() const {
  if (mode_ == Mode::kIdle) return Step::kChooseMode;
  if (secondPointPending_) return Step::kSecondPoint;
  const bool ready = mode_ == Mode::kReference ? lengthHeld_ : newPairSinceReference_ && !pairKept_;
  return ready ? Step::kCommit : Step::kFirstPoint;
}

float MeasurementSession::lengthOf(const Segment& segment) const {
  try {
    return scaledLength(distance(segment), reference_.length, distance(reference_.segment));
  } catch (const AppError& error) {
    if (error.code() != ErrorCode::kOverflow) throw;
    return kOverflowLength;
  }
}

// Every measurement is labelled against the reference in force, whichever it is.
void MeasurementSession::setReference(const ReferenceState& reference) {
  reference_ = reference;
  if (!reference_.fixed) return;  // no measurement is kept without a reference
  for (Measurement& m : measurements_) {
    m.length = lengthOf(m.segment);
    m.unit = reference_.unit;
  }
}

MeasurementSession::Commit MeasurementSession::commit() {
  if (secondPointPending_) return Commit::kNothing;
  if (mode_ == Mode::kReference) {
    // Only a pair whose length was typed becomes the reference: a cancelled pair, or one
    // placed in measure mode, would be scaled by a length meant for another segment.
    if (!lengthHeld_) return Commit::kNothing;
    // Every length is a ratio to the reference's: one of zero length would make each of
    // them a division by zero.
    if (distance(working_) == 0.0f) return Commit::kZeroReference;
    setReference({working_, heldLength_, heldUnit_, true});
    lengthHeld_ = false;  // fixed once: a second right press fixes nothing more
    newPairSinceReference_ = false;
    return Commit::kReference;
  }
  if (mode_ == Mode::kMeasure && newPairSinceReference_) {
    if (measurements_.size() >= kMaxMeasurements) return Commit::kFull;
    const float length = lengthOf(working_);
    if (length == kOverflowLength) throw AppError(ErrorCode::kOverflow);
    measurements_.push_back({working_, length, reference_.unit});
    pairKept_ = true;
    return Commit::kMeasurement;
  }
  return Commit::kNothing;
}

std::vector<Measurement> MeasurementSession::clearMeasurements() {
  abandonPair();
  return std::exchange(measurements_, {});
}

void MeasurementSession::apply(const AnnotationChange& change) {
  if (const auto* kept = std::get_if<MeasurementKept>(&change)) {
    measurements_.push_back(kept->measurement);
  } else if (const auto* fixed = std::get_if<ReferenceFixed>(&change)) {
    setReference(fixed->after);
  } else {
    measurements_.clear();
  }
  abandonPair();
}

void MeasurementSession::revert(const AnnotationChange& change) {
  if (std::holds_alternative<MeasurementKept>(change)) {
    measurements_.pop_back();
  } else if (const auto* fixed = std::get_if<ReferenceFixed>(&change)) {
    setReference(fixed->before);
    if (!fixed->before.fixed) mode_ = Mode::kReference;
  } else {
    measurements_ = std::get<MeasurementsCleared>(change).measurements;
  }
  abandonPair();
}

}  // namespace vantory
