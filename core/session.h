// The measuring session: the mode, the pair of points being placed, the reference with its
// real length, and the measurements with theirs. Plain values; the commands change it and
// the drawing reads it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/geometry.h"

namespace vantory {

enum class Mode { kIdle, kReference, kMeasure };

struct Measurement {
  Segment segment;
  float length = 0;  // scaled against the reference of its commit, cut to three decimals
  std::string unit;  // that reference's unit: the length is in it
  bool operator==(const Measurement&) const = default;
};

class MeasurementSession {
 public:
  static constexpr std::size_t kMaxMeasurements = 999;

  Mode mode() const { return mode_; }
  void setMode(Mode mode) { mode_ = mode; }

  // A left press at `point` (view twips) in reference or measure mode: the first point of
  // a new pair, or the second of the pair begun. Returns true when it completed a pair in
  // reference mode: its length is then held (holdLength) or the pair abandoned
  // (abandonPair) before anything else happens. The unit typed after the length ("" for
  // none) becomes the reference's with it.
  bool placePoint(TwipPoint point);
  void holdLength(float length, std::string unit = {});
  void abandonPair();

  enum class Commit {
    kNothing,        // nothing to commit
    kReference,      // the working pair became the reference
    kZeroReference,  // refused: the pair's two points coincide
    kMeasurement,    // the working pair became a measurement
    kFull,           // refused: kMaxMeasurements already
  };
  // A right press. In reference mode it commits a pair whose length was typed; in measure
  // mode a pair placed since the reference was committed (again and again, if pressed
  // again). A measurement's length is computed before anything changes, so a length
  // beyond the float range throws with the session untouched.
  Commit commit();

  // The scaled length of `segment` against the committed reference.
  float lengthOf(const Segment& segment) const;

  bool referenceCommitted() const { return referenceCommitted_; }
  const Segment& reference() const { return reference_; }  // all zero before the first commit
  float referenceLength() const { return referenceLength_; }
  const std::string& referenceUnit() const { return referenceUnit_; }
  const std::vector<Measurement>& measurements() const { return measurements_; }

  // The pair being placed: both points are (0, 0) before the first press; while the second
  // point is pending, `b` still holds the previous pair's.
  const Segment& workingPair() const { return working_; }
  bool secondPointPending() const { return secondPointPending_; }
  // Whether the finished working pair is drawn: in reference mode unless its length box
  // was cancelled; in measure mode once a pair has been placed since the reference was
  // committed (before that it is the reference's own pair).
  bool workingPairShown() const;

  bool operator==(const MeasurementSession&) const = default;

 private:
  Mode mode_ = Mode::kIdle;
  Segment working_;
  bool secondPointPending_ = false;
  float heldLength_ = 0;  // typed for the working pair, not yet the reference's
  std::string heldUnit_;
  bool lengthHeld_ = false;
  bool pairAbandoned_ = false;
  bool newPairSinceReference_ = false;
  Segment reference_;
  float referenceLength_ = 0;
  std::string referenceUnit_;
  bool referenceCommitted_ = false;
  std::vector<Measurement> measurements_;
};

}  // namespace vantory
