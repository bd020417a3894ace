// The measuring session: the mode, the pair of points being placed, the reference with its
// real length, and the measurements with theirs. Plain values; the commands change it and
// the drawing reads it. The changes of the annotations (a measurement kept, a reference
// fixed, the measurements cleared) are told as values, so that an undo history can keep
// them and take them back without copies of the whole session.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "core/end_snap.h"
#include "core/geometry.h"

namespace vantory {

enum class Mode { kIdle, kReference, kMeasure };

// The length of a segment whose scaled length lies beyond the float range: its label
// reads 溢出 instead of a number.
inline constexpr float kOverflowLength = std::numeric_limits<float>::infinity();

struct Measurement {
  Segment segment;
  float length = 0;  // against the reference in force, cut to three decimals (or kOverflowLength)
  std::string unit;  // the unit of the reference in force: the length is in it
  bool operator==(const Measurement&) const = default;
};

// The reference in force: its segment, its real length and the unit typed with it, once
// one has been fixed.
struct ReferenceState {
  Segment segment;
  float length = 0;
  std::string unit;
  bool fixed = false;
  bool operator==(const ReferenceState&) const = default;
};

// The changes of the annotations, each with what undoing and redoing it needs.
struct MeasurementKept {
  Measurement measurement;
};
struct ReferenceFixed {
  ReferenceState before, after;
};
struct MeasurementsCleared {
  std::vector<Measurement> measurements;  // as they were, in order
};
using AnnotationChange = std::variant<MeasurementKept, ReferenceFixed, MeasurementsCleared>;

class MeasurementSession {
 public:
  static constexpr std::size_t kMaxMeasurements = 999;

  Mode mode() const { return mode_; }
  void setMode(Mode mode) { mode_ = mode; }

  // A left press at `point` (view twips) in reference or measure mode: the first point of
  // a new pair, or the second of the pair begun. Returns true when it completed a pair in
  // reference mode: its length is then held (holdLength) or the pair abandoned
  // (abandonPair) before anything else happens. The unit typed after the length ("" for
  // none) becomes the reference's with it. With `snap` (Ctrl held) the point asks to snap
  // to the picture's edges once its pair is complete (snapPair).
  bool placePoint(TwipPoint point, bool snap = false);
  void holdLength(float length, std::string unit = {});
  // The finished pair's ends moved to where they snapped, and how each fared: told until a
  // new pair begins or the pair is given up.
  void snapPair(const Segment& snapped, const PairSnap& outcome);
  // What the last pair's ends did is no longer told (another picture is shown).
  void forgetPairSnap() { pairSnapShown_ = false; }
  // The pair being placed is given up, begun or finished: it is no longer drawn, and a
  // right press fixes or keeps nothing until a new pair is placed.
  void abandonPair();

  enum class Commit {
    kNothing,        // nothing to commit
    kReference,      // the working pair became the reference
    kZeroReference,  // refused: the pair's two points coincide
    kMeasurement,    // the working pair became a measurement
    kFull,           // refused: kMaxMeasurements already
  };
  // A right press. In reference mode it fixes a pair whose length was typed, and every
  // measurement is labelled anew against it; in measure mode it keeps a pair placed since
  // the reference was fixed (again and again, if pressed again). A measurement's length
  // is computed before anything changes: a length beyond the float range throws the
  // overflow error with the session untouched.
  Commit commit();

  // Removes every measurement and returns them; the reference stays.
  std::vector<Measurement> clearMeasurements();

  // A change done again (redo) or taken back (undo). The pair being placed is given up
  // either way; taking back the only reference returns to reference mode.
  void apply(const AnnotationChange& change);
  void revert(const AnnotationChange& change);

  // The scaled length of `segment` against the reference in force, or kOverflowLength
  // when it lies beyond the float range.
  float lengthOf(const Segment& segment) const;

  bool referenceCommitted() const { return reference_.fixed; }
  const Segment& reference() const { return reference_.segment; }  // all zero while none is fixed
  float referenceLength() const { return reference_.length; }
  const std::string& referenceUnit() const { return reference_.unit; }
  const ReferenceState& referenceState() const { return reference_; }
  const std::vector<Measurement>& measurements() const { return measurements_; }

  // The pair being placed: both points are (0, 0) before the first press; while the second
  // point is pending, `b` still holds the previous pair's.
  const Segment& workingPair() const { return working_; }
  bool secondPointPending() const { return secondPointPending_; }
  // Which ends of the pair being placed ask to snap, and once it has snapped, how they fared.
  const PairSnap& pairSnap() const { return pairSnap_; }
  // Whether the pair's ends have snapped, and the outcome is still told.
  bool pairSnapShown() const { return pairSnapShown_; }
  // Whether the finished working pair is drawn: in reference mode unless it was
  // abandoned; in measure mode once a pair has been placed since the reference was fixed
  // (before that it is the reference's own pair).
  bool workingPairShown() const;

  // What the user does next in the current mode.
  enum class Step { kChooseMode, kFirstPoint, kSecondPoint, kCommit };
  Step nextStep() const;

  bool operator==(const MeasurementSession&) const = default;

 private:
  void setReference(const ReferenceState& reference);
  Mode mode_ = Mode::kIdle;
  Segment working_;
  bool secondPointPending_ = false;
  float heldLength_ = 0;  // typed for the working pair, not yet the reference's
  std::string heldUnit_;
  bool lengthHeld_ = false;
  bool pairAbandoned_ = false;
  bool newPairSinceReference_ = false;
  bool pairKept_ = false;  // the finished pair was kept as a measurement
  PairSnap pairSnap_;
  bool pairSnapShown_ = false;
  ReferenceState reference_;
  std::vector<Measurement> measurements_;
};

}  // namespace vantory
