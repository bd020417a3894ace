// One pointer move over a 6000 x 4000 picture in measure mode with the rubber band
// following the pointer: the move command, the view's flush, and the repaint of the view
// on the (offscreen) screen, with 0, 100 and 999 committed measurements. Goals: a median
// of at most 4 ms with 999 and at most 0.5 ms with none; with 999, at most 1.2 x a bare
// QPainter loop drawing the same lines and labels. The restore must not cost more for a
// picture of larger natural size: the move without measurements is timed over a
// 600 x 400 picture too.
#include <QPainter>

#include "bench/harness.h"
#include "core/live_view.h"
#include "core/number_text.h"

namespace {

constexpr int kMoves = 400;  // timed moves per case
constexpr int kWarmUp = 30;  // moves before timing
constexpr int kRounds = 3;   // each case is timed in rounds, interleaved with the others
constexpr int kBareRuns = 61;
constexpr double kGoal999Ms = 4.0;
constexpr double kGoal0Ms = 0.5;
constexpr double kGoalBareRatio = 1.2;

using vantory::Ink;
using vantory::Segment;
using vantory::TwipPoint;

// How the view reaches the screen after a move.
enum class Repaint {
  kChangedArea,   // as the event loop does it: the update the flush asked for is delivered
  kWholeSurface,  // QWidget::repaint() of the whole view
};

class Mover {
 public:
  explicit Mover(bench::Rig& rig) : rig_(rig) {}

  // The pointer position of the next move, relative to the picture: it varies a little
  // from move to move.
  TwipPoint next() {
    const vantory::TwipRect shown = rig_.commands().pictureRect();
    const int step = n_++;
    return {0.5f * shown.width + 15.0f * float(step % 37) - 270.0f,
            0.5f * shown.height + 15.0f * float((step * 7) % 29) - 210.0f};
  }

  double move(Repaint repaint) {
    const TwipPoint at = next();
    const int paintsBefore = rig_.paints();
    const auto start = bench::Clock::now();
    rig_.run([&] { rig_.commands().move(at.x, at.y); });
    if (repaint == Repaint::kChangedArea) {
      QCoreApplication::sendPostedEvents();
    } else {
      rig_.view().repaint();
    }
    const double ms = bench::msSince(start);
    if (rig_.paints() == paintsBefore) bench::fail("the move reached no paint event");
    return ms;
  }

  std::vector<double> moves(int count, Repaint repaint) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) times.push_back(move(repaint));
    return times;
  }

 private:
  bench::Rig& rig_;
  int n_ = 0;
};

// The move's times over rounds of kMoves, for one number of measurements.
struct Case {
  int measurements;
  std::vector<double> changedArea, wholeSurface;
};

void timeRound(bench::Rig& rig, Mover& mover, Case& c) {
  bench::commitMeasurements(rig, c.measurements);
  mover.moves(kWarmUp, Repaint::kChangedArea);
  auto a = mover.moves(kMoves, Repaint::kChangedArea);
  c.changedArea.insert(c.changedArea.end(), a.begin(), a.end());
  mover.moves(kWarmUp, Repaint::kWholeSurface);
  auto b = mover.moves(kMoves, Repaint::kWholeSurface);
  c.wholeSurface.insert(c.wholeSurface.end(), b.begin(), b.end());
}

// One committed segment as it is drawn: its two points, the top-left corner of its label
// at their midpoint, its length and ink.
struct Drawn {
  TwipPoint a, b, label;
  float value;
  Ink ink;
};

std::vector<Drawn> committed(const vantory::MeasurementSession& s) {
  std::vector<Drawn> out;
  const auto add = [&out](const Segment& segment, float value, Ink ink) {
    const TwipPoint mid{float((double{segment.a.x} + segment.b.x) / 2.0),
                        float((double{segment.a.y} + segment.b.y) / 2.0)};
    out.push_back({segment.a, segment.b, mid, value, ink});
  };
  add(s.reference(), s.referenceLength(), Ink::kReference);
  for (const vantory::Measurement& m : s.measurements()) add(m.segment, m.length, Ink::kMeasurement);
  return out;
}

// The same reference and 999 measurements as 1000 lines and 1000 labels drawn with a
// plain QPainter on an image of the view's size, in pixels.
double barePainterMs(const vantory::MeasurementSession& s, const QFont& font) {
  struct Item {
    QPointF a, b, label;
    QString text;
    QColor colour;
  };
  std::vector<Item> items;
  const auto px = [](TwipPoint p) { return QPointF(double(p.x) / 15, double(p.y) / 15); };
  for (const Drawn& d : committed(s)) {
    items.push_back({px(d.a), px(d.b), px(d.label), QString::fromStdString(vantory::labelText(d.value)),
                     d.ink == Ink::kReference ? QColor(255, 0, 0) : QColor(0, 255, 0)});
  }
  if (items.size() != 1000) bench::fail("the bare loop does not draw 1000 segments");

  QImage target(777, 553, QImage::Format_RGB32);
  target.fill(Qt::white);
  const int ascent = QFontMetrics(font).ascent();
  std::vector<double> times;
  for (int run = 0; run < kBareRuns; ++run) {
    times.push_back(bench::timeMs([&] {
      QPainter painter(&target);
      painter.setFont(font);
      for (const Item& item : items) {
        painter.setPen(item.colour);
        painter.drawText(item.label + QPointF(0, ascent), item.text);
        QPen pen(item.colour);
        pen.setWidth(0);
        painter.setPen(pen);
        painter.drawLine(item.a, item.b);
      }
    }));
  }
  return bench::median(times);
}

// Where a move's time goes with 999 measurements: the view's steps one by one.
struct Steps {
  double restore, labels, lines, flush, paint;
};

Steps timeSteps(bench::Rig& rig) {
  vantory::qt::ViewSurface& view = rig.view();
  const std::vector<Drawn> segments = committed(rig.session());
  std::vector<double> restore, labels, lines, flush, paint;
  for (int run = 0; run < 3 * kMoves / 4; ++run) {
    vantory::Painter* painter = nullptr;
    restore.push_back(bench::timeMs([&] { painter = &view.newFrame(); }));
    labels.push_back(bench::timeMs([&] {
      for (const Drawn& d : segments) painter->label(d.label, d.value, {}, d.ink);
    }));
    lines.push_back(bench::timeMs([&] {
      for (const Drawn& d : segments) painter->line(d.a, d.b, d.ink);
    }));
    flush.push_back(bench::timeMs([&] { view.flush(); }));
    paint.push_back(bench::timeMs([&] { QCoreApplication::sendPostedEvents(); }));
  }
  return {bench::median(restore), bench::median(labels), bench::median(lines), bench::median(flush),
          bench::median(paint)};
}

// A new frame after drawing across the whole picture, so that all of it is restored.
std::vector<double> restoreWholeMs(bench::Rig& rig) {
  vantory::qt::ViewSurface& view = rig.view();
  const vantory::TwipRect r = rig.commands().pictureRect();
  const float right = r.left + r.width, bottom = r.top + r.height;
  std::vector<double> times;
  for (int run = 0; run < kMoves; ++run) {
    vantory::Painter& painter = view.newFrame();
    painter.line({r.left, r.top}, {right, bottom}, Ink::kMeasurement);
    painter.line({r.left, bottom}, {right, r.top}, Ink::kMeasurement);
    view.flush();
    times.push_back(bench::timeMs([&] {
      view.newFrame();
      view.flush();
    }));
  }
  return times;
}

void printCase(const char* title, const std::vector<double>& times, double goal) {
  const double median = bench::median(times);
  std::printf("  %-44s median %7.3f ms  p90 %7.3f ms", title, median, bench::percentile(times, 0.9));
  if (goal > 0) std::printf("  (goal <= %.1f ms): %s", goal, bench::verdict(median <= goal));
  std::printf("\n");
}

}  // namespace

int main(int argc, char* argv[]) {
  const bench::Environment environment(argc, argv);
  const QString large = environment.path("large.jpg");
  const QString small = environment.path("small.jpg");
  bench::writePhotoJpeg(large, 6000, 4000);
  bench::writePhotoJpeg(small, 600, 400);
  std::printf("bench_move: mode measure, rubber band to the pointer; %d rounds x %d moves per case\n",
              kRounds, kMoves);

  bench::Rig rig;
  Mover mover(rig);
  rig.open(large);
  const QRect shown = rig.view().pictureRect();
  std::printf("6000 x 4000 picture shown at %d x %d px\n", shown.width(), shown.height());

  // A first move checks that the view really draws everything: the reference, the 999
  // measurements and the rubber band with its label.
  bench::commitMeasurements(rig, 999);
  mover.move(Repaint::kChangedArea);
  {
    bench::CountingSurface counted(rig.view());
    const vantory::TwipRect r = rig.commands().pictureRect();
    const TwipPoint at = mover.next();
    vantory::LabelPlacement labels;
    vantory::drawLiveView(counted, rig.session(), {r.left + at.x, r.top + at.y}, labels);
    rig.view().flush();
    if (counted.frame().labels != 1001 || counted.frame().lines != 1001) {
      bench::fail("the live view did not draw all measurements");
    }
  }

  Case cases[] = {{0, {}, {}}, {100, {}, {}}, {999, {}, {}}};
  for (int round = 0; round < kRounds; ++round) {
    for (Case& c : cases) timeRound(rig, mover, c);
  }

  // The move without measurements and the restore of the whole picture, over the
  // 6000 x 4000 picture and over one of a tenth of its natural size shown at the same
  // size, taking turns.
  Case largeCase{0, {}, {}}, smallCase{0, {}, {}};
  std::vector<double> largeRestore, smallRestore;
  QRect smallShown;
  for (int round = 0; round < kRounds; ++round) {
    rig.open(small);
    smallShown = rig.view().pictureRect();
    timeRound(rig, mover, smallCase);
    auto r = restoreWholeMs(rig);
    smallRestore.insert(smallRestore.end(), r.begin(), r.end());
    rig.open(large);
    timeRound(rig, mover, largeCase);
    r = restoreWholeMs(rig);
    largeRestore.insert(largeRestore.end(), r.begin(), r.end());
  }

  // The bare loop with the labels' font as the view has it after the first move: the
  // default font at 8 points.
  bench::commitMeasurements(rig, 999);
  QFont font = QApplication::font();
  font.setPointSizeF(8);
  const double bare = barePainterMs(rig.session(), font);
  mover.moves(kWarmUp, Repaint::kChangedArea);
  const Steps steps = timeSteps(rig);

  std::printf("\none move, repainting what changed (as the event loop does):\n");
  printCase("0 measurements", cases[0].changedArea, kGoal0Ms);
  printCase("100 measurements", cases[1].changedArea, 0);
  printCase("999 measurements", cases[2].changedArea, kGoal999Ms);
  std::printf("one move, repainting the whole view (QWidget::repaint):\n");
  printCase("0 measurements", cases[0].wholeSurface, kGoal0Ms);
  printCase("100 measurements", cases[1].wholeSurface, 0);
  printCase("999 measurements", cases[2].wholeSurface, kGoal999Ms);

  std::printf(
      "  where the time goes with 999: restore %.3f ms, 1000 labels %.3f ms, 1000 lines "
      "%.3f ms, flush %.3f ms, repaint %.3f ms\n",
      steps.restore, steps.labels, steps.lines, steps.flush, steps.paint);

  std::printf("\nbare QPainter, 1000 lines + 1000 drawText labels on 777 x 553: median %.3f ms\n", bare);
  const double ratioChanged = bench::median(cases[2].changedArea) / bare;
  const double ratioWhole = bench::median(cases[2].wholeSurface) / bare;
  std::printf(
      "ratio move(999) / bare: %.3f repainting what changed, %.3f repainting the whole "
      "view (goal <= %.1f): %s, %s\n",
      ratioChanged, ratioWhole, kGoalBareRatio, bench::verdict(ratioChanged <= kGoalBareRatio),
      bench::verdict(ratioWhole <= kGoalBareRatio));

  const double big0 = bench::median(largeCase.changedArea);
  const double small0 = bench::median(smallCase.changedArea);
  const double bigRestore = bench::median(largeRestore);
  const double smallRestoreMs = bench::median(smallRestore);
  std::printf("\nthe picture's natural size (both shown at %d x %d px), taking turns:\n", shown.width(),
              shown.height());
  std::printf("  move, 0 measurements:     6000 x 4000 %7.3f ms, 600 x 400 %7.3f ms\n", big0, small0);
  std::printf("  move, whole-view repaint: 6000 x 4000 %7.3f ms, 600 x 400 %7.3f ms\n",
              bench::median(largeCase.wholeSurface), bench::median(smallCase.wholeSurface));
  std::printf("  restore of the whole picture: 6000 x 4000 %7.3f ms, 600 x 400 %7.3f ms (%s)\n", bigRestore,
              smallRestoreMs,
              bigRestore <= smallRestoreMs * 1.25 + 0.02 ? "does not grow with the natural size"
                                                         : "grows with the natural size");
  if (smallShown.size() != shown.size()) {
    std::printf("  (the small picture is shown at %d x %d)\n", smallShown.width(), smallShown.height());
  }
  return 0;
}
