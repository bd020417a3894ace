#include "core/session.h"

#include <utility>

#include "core/length_rule.h"

namespace vantory {

bool MeasurementSession::placePoint(TwipPoint point) {
  const bool second = secondPointPending_;
  if (second) {
    working_.b = point;
    newPairSinceReference_ = true;
  } else {
    working_.a = point;
    // A new pair: whatever was typed or cancelled for the previous one is gone.
    lengthHeld_ = false;
    pairAbandoned_ = false;
  }
  secondPointPending_ = !second;
  return second && mode_ == Mode::kReference;
}

void MeasurementSession::holdLength(float length, std::string unit) {
  heldLength_ = length;
  heldUnit_ = std::move(unit);
  lengthHeld_ = true;
}

void MeasurementSession::abandonPair() {
  lengthHeld_ = false;
  pairAbandoned_ = true;
}

bool MeasurementSession::workingPairShown() const {
  return mode_ == Mode::kReference ? !pairAbandoned_ : newPairSinceReference_;
}

float MeasurementSession::lengthOf(const Segment& segment) const {
  const float d = distance(segment);
  return scaledLength(d, referenceLength_, distance(reference_));
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
    reference_ = working_;
    referenceLength_ = heldLength_;
    referenceUnit_ = heldUnit_;
    referenceCommitted_ = true;
    newPairSinceReference_ = false;
    return Commit::kReference;
  }
  if (mode_ == Mode::kMeasure && newPairSinceReference_) {
    if (measurements_.size() >= kMaxMeasurements) return Commit::kFull;
    const float length = lengthOf(working_);
    measurements_.push_back({working_, length, referenceUnit_});
    return Commit::kMeasurement;
  }
  return Commit::kNothing;
}

}  // namespace vantory
