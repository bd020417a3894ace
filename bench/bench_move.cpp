// One mouse move over a 6000 x 4000 picture in mode measure with the rubber band
// following the pointer: Image1_MouseMove through Form1::Dispatch, the surface's Flush,
// and the repaint of the surface on the (offscreen) screen, with 0, 100 and 999
// committed measurements. Goals: a median of at most 4 ms with 999 and at most 0.5 ms
// with none; with 999, at most 1.2 x a bare QPainter loop drawing the same lines and
// labels. The restore must not cost more for a picture of larger natural size: the move
// without measurements is timed over a 600 x 400 picture too.
#include <QPainter>

#include "bench/harness.h"
#include "platform/number_text.h"
#include "platform/qt/qt_pictures.h"

namespace {

constexpr int kMoves = 400;       // timed moves per case
constexpr int kWarmUp = 30;       // moves before timing
constexpr int kRounds = 3;        // each case is timed in rounds, interleaved with the others
constexpr int kBareRuns = 61;
constexpr double kGoal999Ms = 4.0;
constexpr double kGoal0Ms = 0.5;
constexpr double kGoalBareRatio = 1.2;

// How the surface reaches the screen after a move.
enum class Repaint {
  kChangedArea,   // as the event loop does it: the update Flush asked for is delivered
  kWholeSurface,  // QWidget::repaint() of the whole surface
};

class Mover {
 public:
  explicit Mover(bench::Rig& rig) : rig_(rig) {}

  // One move to a pointer position that varies a little from move to move.
  double Move(Repaint repaint) {
    const vantory::ImageControl& image = rig_.Form().Ctl().Image1;
    const int step = n_++;
    const float x = 0.5f * image.Width() + 15.0f * float(step % 37) - 270.0f;
    const float y = 0.5f * image.Height() + 15.0f * float((step * 7) % 29) - 210.0f;
    const int paints_before = rig_.Paints();
    const auto start = bench::Clock::now();
    rig_.Run([&] { rig_.Form().Image1_MouseMove(0, 0, x, y); });
    if (repaint == Repaint::kChangedArea) {
      QCoreApplication::sendPostedEvents();
    } else {
      rig_.Surface().repaint();
    }
    const double ms = bench::MsSince(start);
    if (rig_.Paints() == paints_before) bench::Fail("the move reached no paint event");
    return ms;
  }

  std::vector<double> Moves(int count, Repaint repaint) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) times.push_back(Move(repaint));
    return times;
  }

 private:
  bench::Rig& rig_;
  int n_ = 0;
};

// The move's median over rounds of kMoves, for one number of measurements.
struct Case {
  int measurements;
  std::vector<double> changed_area, whole_surface;
};

void TimeRound(bench::Rig& rig, Mover& mover, Case& c) {
  bench::CommitMeasurements(rig.Form(), c.measurements);
  mover.Moves(kWarmUp, Repaint::kChangedArea);
  auto a = mover.Moves(kMoves, Repaint::kChangedArea);
  c.changed_area.insert(c.changed_area.end(), a.begin(), a.end());
  mover.Moves(kWarmUp, Repaint::kWholeSurface);
  auto b = mover.Moves(kMoves, Repaint::kWholeSurface);
  c.whole_surface.insert(c.whole_surface.end(), b.begin(), b.end());
}

// The same reference and 999 measurements as 1000 lines and 1000 labels drawn with a
// plain QPainter on an image of the surface's size, in pixels.
double BarePainterMs(const vantory::MeasurementState& s, const QFont& font) {
  struct Item {
    QPointF a, b, label;
    QString text;
    QColor colour;
  };
  std::vector<Item> items;
  const auto px = [](float twips) { return double(twips) / vantory::qt::kTwipsPerPixel; };
  const auto add = [&](int j, float value, QColor colour) {
    const QPointF a(px(s.segX[j]), px(s.segY[j]));
    const QPointF b(px(s.segX[j + 1]), px(s.segY[j + 1]));
    items.push_back({a, b, (a + b) / 2, QString::fromStdString(vantory::LabelText(value)), colour});
  };
  add(1, s.refLength, QColor(255, 0, 0));
  for (int j = 3; j < s.nextPoint; j += 2) add(j, s.segLen[j], QColor(0, 255, 0));
  if (items.size() != 1000) bench::Fail("the bare loop does not draw 1000 segments");

  QImage target(777, 553, QImage::Format_RGB32);
  target.fill(Qt::white);
  const int ascent = QFontMetrics(font).ascent();
  std::vector<double> times;
  for (int run = 0; run < kBareRuns; ++run) {
    times.push_back(bench::TimeMs([&] {
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
  return bench::Median(times);
}

// Where a move's time goes with 999 measurements: the surface's steps one by one.
struct Steps {
  double restore, labels, lines, flush, paint;
};

Steps TimeSteps(bench::Rig& rig) {
  vantory::qt::ViewSurface& surface = rig.Surface();
  const vantory::MeasurementState& s = rig.Form().State();
  std::vector<double> restore, labels, lines, flush, paint;
  for (int run = 0; run < 3 * kMoves / 4; ++run) {
    restore.push_back(bench::TimeMs([&] { surface.Image1().Refresh(); }));
    labels.push_back(bench::TimeMs([&] {
      surface.SetForeColor(vantory::QBColor(10));
      for (int j = 1; j < s.nextPoint; j += 2) {
        surface.SetCurrentX(float((double{s.segX[j]} + s.segX[j + 1]) / 2));
        surface.SetCurrentY(float((double{s.segY[j]} + s.segY[j + 1]) / 2));
        surface.Print(j == 1 ? s.refLength : s.segLen[j]);
      }
    }));
    lines.push_back(bench::TimeMs([&] {
      for (int j = 1; j < s.nextPoint; j += 2) {
        surface.Line(s.segX[j], s.segY[j], s.segX[j + 1], s.segY[j + 1], j == 1 ? 255 : 65280);
      }
    }));
    flush.push_back(bench::TimeMs([&] { surface.Flush(); }));
    paint.push_back(bench::TimeMs([&] { QCoreApplication::sendPostedEvents(); }));
  }
  return {bench::Median(restore), bench::Median(labels), bench::Median(lines), bench::Median(flush),
          bench::Median(paint)};
}

// Image1.Refresh after drawing across the whole picture, so that all of it is restored.
std::vector<double> RestoreWholeMs(bench::Rig& rig) {
  vantory::qt::ViewSurface& surface = rig.Surface();
  const vantory::ImageControl& image = rig.Form().Ctl().Image1;
  const float left = image.Left(), top = image.Top();
  const float right = left + image.Width(), bottom = top + image.Height();
  std::vector<double> times;
  for (int run = 0; run < kMoves; ++run) {
    surface.Line(left, top, right, bottom, 65280);
    surface.Line(left, bottom, right, top, 65280);
    surface.Flush();
    times.push_back(bench::TimeMs([&] {
      surface.Image1().Refresh();
      surface.Flush();
    }));
  }
  return times;
}

void PrintCase(const char* title, const std::vector<double>& times, double goal) {
  const double median = bench::Median(times);
  std::printf("  %-44s median %7.3f ms  p90 %7.3f ms", title, median, bench::Percentile(times, 0.9));
  if (goal > 0) std::printf("  (goal <= %.1f ms): %s", goal, bench::Verdict(median <= goal));
  std::printf("\n");
}

}  // namespace

int main(int argc, char* argv[]) {
  const bench::Session session(argc, argv);
  const QString large = session.Path("large.jpg");
  const QString small = session.Path("small.jpg");
  bench::WritePhotoJpeg(large, 6000, 4000);
  bench::WritePhotoJpeg(small, 600, 400);
  std::printf("bench_move: mode measure, rubber band to the pointer; %d rounds x %d moves per case\n",
              kRounds, kMoves);

  bench::Rig rig;
  Mover mover(rig);
  rig.Open(large);
  const QRect shown = rig.Surface().Image1().PixelRect();
  std::printf("6000 x 4000 picture shown at %d x %d px\n", shown.width(), shown.height());

  // A first move checks that the surface really shows the picture and the drawing.
  bench::CommitMeasurements(rig.Form(), 999);
  mover.Move(Repaint::kChangedArea);
  if (rig.Form().State().segIndex != 2001) bench::Fail("the move did not draw all measurements");

  Case cases[] = {{0, {}, {}}, {100, {}, {}}, {999, {}, {}}};
  for (int round = 0; round < kRounds; ++round) {
    for (Case& c : cases) TimeRound(rig, mover, c);
  }

  // The move without measurements and the restore of the whole picture, over the
  // 6000 x 4000 picture and over one of a tenth of its natural size shown at the same
  // size, taking turns.
  Case large_case{0, {}, {}}, small_case{0, {}, {}};
  std::vector<double> large_restore, small_restore;
  QRect small_shown;
  for (int round = 0; round < kRounds; ++round) {
    rig.Open(small);
    small_shown = rig.Surface().Image1().PixelRect();
    TimeRound(rig, mover, small_case);
    auto r = RestoreWholeMs(rig);
    small_restore.insert(small_restore.end(), r.begin(), r.end());
    rig.Open(large);
    TimeRound(rig, mover, large_case);
    r = RestoreWholeMs(rig);
    large_restore.insert(large_restore.end(), r.begin(), r.end());
  }

  // The bare loop with the labels' font as the surface has it after the first move.
  bench::CommitMeasurements(rig.Form(), 999);
  QFont font = rig.Surface().font();
  font.setPointSizeF(rig.Surface().FontSize());
  const double bare = BarePainterMs(rig.Form().State(), font);
  mover.Moves(kWarmUp, Repaint::kChangedArea);
  const Steps steps = TimeSteps(rig);

  std::printf("\none move, repainting what changed (as the event loop does):\n");
  PrintCase("0 measurements", cases[0].changed_area, kGoal0Ms);
  PrintCase("100 measurements", cases[1].changed_area, 0);
  PrintCase("999 measurements", cases[2].changed_area, kGoal999Ms);
  std::printf("one move, repainting the whole surface (QWidget::repaint):\n");
  PrintCase("0 measurements", cases[0].whole_surface, kGoal0Ms);
  PrintCase("100 measurements", cases[1].whole_surface, 0);
  PrintCase("999 measurements", cases[2].whole_surface, kGoal999Ms);

  std::printf("  where the time goes with 999: restore %.3f ms, 1000 labels %.3f ms, 1000 lines "
              "%.3f ms, Flush %.3f ms, repaint %.3f ms\n",
              steps.restore, steps.labels, steps.lines, steps.flush, steps.paint);

  std::printf("\nbare QPainter, 1000 lines + 1000 drawText labels on 777 x 553: median %.3f ms\n",
              bare);
  const double ratio_changed = bench::Median(cases[2].changed_area) / bare;
  const double ratio_whole = bench::Median(cases[2].whole_surface) / bare;
  std::printf("ratio move(999) / bare: %.3f repainting what changed, %.3f repainting the whole "
              "surface (goal <= %.1f): %s, %s\n",
              ratio_changed, ratio_whole, kGoalBareRatio, bench::Verdict(ratio_changed <= kGoalBareRatio),
              bench::Verdict(ratio_whole <= kGoalBareRatio));

  const double big0 = bench::Median(large_case.changed_area);
  const double small0 = bench::Median(small_case.changed_area);
  const double big_restore = bench::Median(large_restore);
  const double small_restore_ms = bench::Median(small_restore);
  std::printf("\nthe picture's natural size (both shown at %d x %d px), taking turns:\n",
              shown.width(), shown.height());
  std::printf("  move, 0 measurements:     6000 x 4000 %7.3f ms, 600 x 400 %7.3f ms\n", big0, small0);
  std::printf("  move, whole-surface repaint: 6000 x 4000 %7.3f ms, 600 x 400 %7.3f ms\n",
              bench::Median(large_case.whole_surface), bench::Median(small_case.whole_surface));
  std::printf("  restore of the whole picture: 6000 x 4000 %7.3f ms, 600 x 400 %7.3f ms (%s)\n",
              big_restore, small_restore_ms,
              big_restore <= small_restore_ms * 1.25 + 0.02 ? "does not grow with the natural size"
                                                             : "grows with the natural size");
  if (small_shown.size() != shown.size()) std::printf("  (the small picture is shown at %d x %d)\n",
                                                      small_shown.width(), small_shown.height());
  return 0;
}
