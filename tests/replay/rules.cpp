#include "tests/replay/rules.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <tuple>

#include "core/errors.h"
#include "core/label_placement.h"
#include "core/length_rule.h"
#include "tests/replay/events.h"

namespace vantory::replay {
namespace {

using fakes::Drawn;

std::string text(const Segment& s) {
  return number(s.a.x) + " " + number(s.a.y) + " - " + number(s.b.x) + " " + number(s.b.y);
}

// The labelled segments of a drawing, each its label and then its line; a line without a
// label is a bare segment (the reference being placed).
struct Piece {
  Ink ink;
  Segment segment;
  bool labelled;
  float value;
  TwipPoint corner;
  TwipSize size;  // of the label, as the painter's fake tells it
};

// Splits a drawing into pieces; false when a label is not followed by a line of its ink.
// Labels are `box` large at scale 1 and 9 points (fakes::RecordingPainter::labelSize).
bool pieces(const std::vector<Drawn>& drawn, TwipSize box, std::vector<Piece>& out) {
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    const Drawn& d = drawn[i];
    if (d.kind == Drawn::kLine) {
      out.push_back({d.ink, {d.from, d.to}, false, 0, {}, {}});
      continue;
    }
    if (i + 1 == drawn.size() || drawn[i + 1].kind != Drawn::kLine || drawn[i + 1].ink != d.ink) return false;
    const float factor = d.scale * static_cast<float>(d.points) / 9;
    out.push_back({d.ink,
                   {drawn[i + 1].from, drawn[i + 1].to},
                   true,
                   d.value,
                   d.from,
                   {box.width * factor, box.height * factor}});
    ++i;
  }
  return true;
}

// The length rule against the reference in force; beyond the float range, the length
// whose label reads 溢出.
float lengthAgainst(const MeasurementSession& session, const Segment& segment) {
  try {
    return scaledLength(distance(segment), session.referenceLength(), distance(session.reference()));
  } catch (const AppError&) {
    return kOverflowLength;
  }
}

// No label covers one drawn before it (a segment drawn again with the same label may lie
// on its twin), and a label away from its segment's midpoint was moved because its place
// there was taken. `midpoint` tells where a piece's label would go unmoved.
template <typename Midpoint>
void checkLabelPlaces(const std::vector<Piece>& pieces, Midpoint&& midpoint, const char* where,
                      std::vector<std::string>& broken) {
  const auto box = [](TwipPoint corner, TwipSize size) {
    return LabelBox{corner.x, corner.y, size.width, size.height};
  };
  // The labels drawn so far by the cells of a grid as large as the largest label, so
  // that each is checked against its neighbours only: a view holds up to a thousand.
  double cell = 1;
  for (const Piece& p : pieces) cell = std::max({cell, double{p.size.width}, double{p.size.height}});
  const auto index = [cell](double v) {
    return static_cast<std::int64_t>(std::clamp(std::floor(v / cell), -1e15, 1e15));
  };
  std::map<std::pair<std::int64_t, std::int64_t>, std::vector<std::size_t>> grid;
  const auto near = [&](const LabelBox& b, auto&& visit) {
    for (std::int64_t x = index(b.left); x <= index(b.left + b.width); ++x) {
      for (std::int64_t y = index(b.top); y <= index(b.top + b.height); ++y) {
        if (const auto found = grid.find({x, y}); found != grid.end()) {
          for (const std::size_t k : found->second) visit(pieces[k]);
        }
      }
    }
  };
  // A label drawn again on its twin (the same segment kept twice) is checked once.
  std::set<std::tuple<float, float, float, float, float, float, float, Ink>> seen;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (!pieces[i].labelled) continue;
    const Piece& p = pieces[i];
    if (!seen.emplace(p.corner.x, p.corner.y, p.segment.a.x, p.segment.a.y, p.segment.b.x, p.segment.b.y,
                      p.value, p.ink)
             .second) {
      continue;
    }
    const LabelBox placed = box(p.corner, p.size), unmoved = box(midpoint(p), p.size);
    bool covers = false, takenAtMidpoint = false;
    const auto sameLabel = [&p](const Piece& q) {
      return q.segment == p.segment && q.value == p.value && q.ink == p.ink;
    };
    near(placed, [&](const Piece& q) {
      if (!(sameLabel(q) && q.corner == p.corner) && box(q.corner, q.size).overlaps(placed)) covers = true;
    });
    near(unmoved, [&](const Piece& q) {
      if (!sameLabel(q) && box(q.corner, q.size).overlaps(unmoved)) takenAtMidpoint = true;
    });
    if (covers) broken.push_back(std::string("a label ") + where + " covers another");
    if (!(placed.left == unmoved.left && placed.top == unmoved.top) && !takenAtMidpoint) {
      broken.push_back(std::string("a label ") + where + " is away from its midpoint, which was free");
    }
    // Each label once in every cell it covers.
    for (std::int64_t x = index(placed.left); x <= index(placed.left + placed.width); ++x) {
      for (std::int64_t y = index(placed.top); y <= index(placed.top + placed.height); ++y)
        grid[{x, y}].push_back(i);
    }
  }
}

TwipPoint exactMidpoint(const Piece& p) {
  return {static_cast<float>((double{p.segment.a.x} + p.segment.b.x) / 2.0),
          static_cast<float>((double{p.segment.a.y} + p.segment.b.y) / 2.0)};
}

void checkFrame(const MeasurementSession& session, const std::vector<Drawn>& frame, TwipSize labelBox,
                std::vector<std::string>& broken) {
  if (session.mode() == Mode::kIdle) {
    if (!frame.empty()) broken.push_back("something is drawn in idle mode");
    return;
  }
  std::vector<Piece> shown;
  if (!pieces(frame, labelBox, shown))
    return broken.push_back("a label of the view is not followed by its line");
  std::size_t next = 0;
  // The reference first, labelled with its real length (a reference with a coordinate of
  // 0 is not drawn: before the first one is fixed, all of them are 0).
  const Segment& ref = session.reference();
  const bool referenceDrawn =
      session.referenceCommitted() && ref.a.x != 0 && ref.a.y != 0 && ref.b.x != 0 && ref.b.y != 0;
  const bool redFirst = !shown.empty() && shown[0].ink == Ink::kReference && shown[0].labelled;
  if (referenceDrawn != redFirst) broken.push_back("the reference in force is not drawn first");
  if (redFirst) {
    const Piece& r = shown[next++];
    if (!session.referenceCommitted() || r.segment != session.reference() ||
        r.value != session.referenceLength()) {
      broken.push_back("the red labelled segment is not the reference in force: " + text(r.segment));
    }
  }
  // Then the measurements kept, in order.
  const std::vector<Measurement>& kept = session.measurements();
  for (std::size_t k = 0; k < kept.size(); ++k, ++next) {
    if (next >= shown.size() || shown[next].ink != Ink::kMeasurement || !shown[next].labelled ||
        shown[next].segment != kept[k].segment) {
      return broken.push_back("measurement " + std::to_string(k + 1) + " is not drawn in its place");
    }
    if (const float length = lengthAgainst(session, kept[k].segment); shown[next].value != length) {
      broken.push_back("measurement " + std::to_string(k + 1) + " is labelled " + number(shown[next].value) +
                       ", not its length against the reference in force, " + number(length));
    }
  }
  // Then at most the pair being placed: a bare red line, or a green one labelled with its
  // length against the reference in force.
  if (next + 1 < shown.size()) return broken.push_back("more is drawn than the annotations and one pair");
  if (next < shown.size()) {
    const Piece& w = shown[next];
    if (session.mode() == Mode::kReference && (w.ink != Ink::kReference || w.labelled)) {
      broken.push_back("the pair placed in reference mode is not a bare red line");
    }
    if (session.mode() == Mode::kMeasure &&
        (w.ink != Ink::kMeasurement || !w.labelled || w.value != lengthAgainst(session, w.segment))) {
      broken.push_back("the pair being measured is not labelled with its length against the reference: " +
                       text(w.segment));
    }
  }
  checkLabelPlaces(shown, exactMidpoint, "of the view", broken);
}

// A saved picture: drawn on the picture at its own size, with the reference (once one is
// fixed) and every measurement, labelled as in the session.
void checkFile(const MeasurementSession& session, const fakes::FakeDisk::Written& file, TwipSize labelBox,
               std::vector<std::string>& broken) {
  std::vector<Piece> drawn;
  if (!pieces(file.drawn, labelBox, drawn))
    return broken.push_back("a label of a saved picture is not followed by its line");
  const std::size_t red = session.referenceCommitted() ? 1 : 0;
  if (drawn.size() != red + session.measurements().size()) {
    return broken.push_back("a saved picture holds " + std::to_string(drawn.size()) + " segments, not " +
                            std::to_string(red + session.measurements().size()));
  }
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    const bool reference = i < red;
    const float value = reference ? session.referenceLength() : session.measurements()[i - red].length;
    const Piece& p = drawn[i];
    if (!p.labelled || p.ink != (reference ? Ink::kReference : Ink::kMeasurement) || p.value != value) {
      broken.push_back("segment " + std::to_string(i) + " of a saved picture is not labelled as on screen");
    }
  }
  // A label at the midpoint to the rounding of the line's ends to floats (of the order of
  // a float's precision in the larger end, the midpoint's own rounding aside) is unmoved.
  const auto near = [](float corner, float a, float b) {
    const double middle = (double{a} + b) / 2;
    return std::abs(corner - middle) <= 1e-7 * (std::abs(a) + std::abs(b)) + 1e-7 * std::abs(middle) + 1e-3;
  };
  const auto midpoint = [&](const Piece& p) {
    const bool unmoved =
        near(p.corner.x, p.segment.a.x, p.segment.b.x) && near(p.corner.y, p.segment.a.y, p.segment.b.y);
    return unmoved ? p.corner : exactMidpoint(p);
  };
  checkLabelPlaces(drawn, midpoint, "of a saved picture", broken);
}

}  // namespace

std::vector<std::string> brokenRules(const fakes::FakeProgram& program, const Seen& seen) {
  std::vector<std::string> broken;
  const MeasurementSession& session = program.commands.session();
  for (const auto& [number, description] : seen.errors) {
    if (number == static_cast<int>(ErrorCode::kInternal)) broken.push_back("internal error: " + description);
  }
  if (session.measurements().size() > MeasurementSession::kMaxMeasurements) {
    broken.push_back("more than " + std::to_string(MeasurementSession::kMaxMeasurements) + " measurements");
  }
  if (program.window.annotateEnabled != !program.commands.picturePath().empty()) {
    broken.push_back("the annotate menu is enabled without a picture, or disabled with one");
  }
  if (program.window.measureEnabled != session.referenceCommitted()) {
    broken.push_back("the measure command is enabled without a reference, or disabled with one");
  }
  if (program.window.tableEnabled != session.referenceCommitted()) {
    broken.push_back("导出/复制测量结果 are enabled without a reference, or disabled with one");
  }
  // What the view shows after every event is the session as it now stands: a frame drawn
  // for it, or one drawn for the same session.
  if (seen.framed) {
    checkFrame(session, seen.screen, program.disk.labelBox, broken);
  } else if (!(session == seen.shown)) {
    broken.push_back("the view still shows the session as it was before the event");
  }
  if (program.window.clearEnabled != !session.measurements().empty()) {
    broken.push_back("清除测量 is enabled without measurements, or disabled with some");
  }
  for (const fakes::FakeDisk::Written& file : seen.written) {
    checkFile(session, file, program.disk.labelBox, broken);
    const auto picture = program.disk.pictures.find(file.picture);
    if (picture == program.disk.pictures.end() || !(picture->second == file.size)) {
      broken.push_back("a picture is saved at a size other than its own");
    }
  }
  return broken;
}

}  // namespace vantory::replay
