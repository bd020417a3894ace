// The window's variables: the opened picture, the interaction mode, the working
// segment, the committed reference and every committed measurement. Plain data, owned
// by Form1 and read and written by its handlers under these names.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/checked.h"

namespace vantory {

// Interaction modes.
enum Mode : std::int16_t { kIdle = 0, kReference = 1, kMeasure = 2 };

// Room for 999 measurements: pairs (3, 4) .. (1999, 2000).
inline constexpr int kMaxMeasurements = 999;

using SegmentArray = std::array<float, kArrayBound + 1>;  // indices 0..2000

struct MeasurementState {
  std::string openPath;   // full path of the picture last opened
  std::string savePath;   // path last chosen in the Save dialog
  std::int32_t picWidth = 0;   // natural width of the opened picture, twips
  std::int32_t picHeight = 0;  // natural height, twips
  float viewRatio = 0;         // client width / client height, as a 32-bit float
  std::int16_t mode = kIdle;
  // Left presses handled in mode reference or measure; its parity picks the endpoint the
  // next left press sets. Wider than 16 bits so that it can never overflow in a session.
  std::int32_t clicks = 0;
  std::int16_t nextPoint = 0;   // segX/segY index of the next measurement's endpoint 1
  std::int16_t segIndex = 0;    // loop index of the redraw loops
  std::int16_t nextLength = 0;  // segLen index of the next measurement's length
  SegmentArray segX{};  // 1, 2: the reference; 2k+1, 2k+2: measurement k
  SegmentArray segY{};
  SegmentArray segLen{};  // measurement k's length at 2k+1
  std::array<float, 3> curX{};  // the working segment's endpoints at 1 and 2
  std::array<float, 3> curY{};
  std::string refText;    // text last returned by the reference-length input box
  float refLength = 0;    // real length of the committed reference
  float curLength = 0;    // scaled length of the working segment, for the live label

  // The length typed for the working pair in reference mode. It becomes the reference's
  // length only when the right press commits that pair: until then the committed
  // reference and every length keep using refLength.
  float heldLength = 0;
  bool lengthHeld = false;
  // The input box of the working pair was cancelled: the pair is not drawn and cannot be
  // committed as the reference.
  bool pairAbandoned = false;
  // Points placed since the reference was last committed, counted up to 2. Until a whole
  // new pair has been placed, the working pair is the reference's own and must not
  // become a measurement.
  std::int32_t pointsSinceReference = 0;
  bool referenceCommitted = false;  // a reference has been committed at least once

  bool operator==(const MeasurementState&) const = default;
};

}  // namespace vantory
