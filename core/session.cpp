#include "core/session.h"

#include "core/length_rule.h"

namespace vantory {

bool MeasurementSession::placePoint(TwipPoint point) {
  const bool second = second_point_pending_;
  if (second) {
    working_.b = point;
    new_pair_since_reference_ = true;
  } else {
    working_.a = point;
    // A new pair: whatever was typed or cancelled for the previous one is gone.
    length_held_ = false;
    pair_abandoned_ = false;
  }
  second_point_pending_ = !second;
  return second && mode_ == Mode::kReference;
}

void MeasurementSession::holdLength(float length) {
  held_length_ = length;
  length_held_ = true;
}

void MeasurementSession::abandonPair() {
  length_held_ = false;
  pair_abandoned_ = true;
}

bool MeasurementSession::workingPairShown() const {
  return mode_ == Mode::kReference ? !pair_abandoned_ : new_pair_since_reference_;
}

float MeasurementSession::lengthOf(const Segment& segment) const {
  const float d = distance(segment);
  return scaledLength(d, reference_length_, distance(reference_));
}

MeasurementSession::Commit MeasurementSession::commit() {
  if (second_point_pending_) return Commit::kNothing;
  if (mode_ == Mode::kReference) {
    // Only a pair whose length was typed becomes the reference: a cancelled pair, or one
    // placed in measure mode, would be scaled by a length meant for another segment.
    if (!length_held_) return Commit::kNothing;
    // Every length is a ratio to the reference's: one of zero length would make each of
    // them a division by zero.
    if (distance(working_) == 0.0f) return Commit::kZeroReference;
    reference_ = working_;
    reference_length_ = held_length_;
    reference_committed_ = true;
    new_pair_since_reference_ = false;
    return Commit::kReference;
  }
  if (mode_ == Mode::kMeasure && new_pair_since_reference_) {
    if (measurements_.size() >= kMaxMeasurements) return Commit::kFull;
    const float length = lengthOf(working_);
    measurements_.push_back({working_, length});
    return Commit::kMeasurement;
  }
  return Commit::kNothing;
}

}  // namespace vantory
