// The main window of the program as built.
#include <QLabel>
#include <cstdio>

#include "core/number_text.h"
#include "tests/replay/qt_window_factory.h"
#include "ui/main_window.h"

namespace vantory::replay {
namespace {

std::string pixels(TwipPoint p) {
  char text[64];
  std::snprintf(text, sizeof text, "%.9g %.9g", double{p.x} / kTwipsPerPixel, double{p.y} / kTwipsPerPixel);
  return text;
}

std::string segment(const Segment& s) { return pixels(s.a) + " - " + pixels(s.b); }

}  // namespace

std::unique_ptr<QMainWindow> makeMainWindow() { return std::make_unique<qt::MainWindow>(); }

void settle(QMainWindow& window) { static_cast<qt::MainWindow&>(window).finishSaving(); }

std::vector<std::string> describeWindow(QMainWindow& window) {
  auto& main = static_cast<qt::MainWindow&>(window);
  const QRect at = main.view().pictureRect();
  std::string status;
  for (const char* name : {"stepLabel", "pictureLabel", "scaleLabel"}) {
    const auto* label = main.findChild<QLabel*>(name);
    status += (status.empty() ? "status: " : " | ") + (label ? label->text().toStdString() : "?");
  }
  const bool cross = main.view().cursor().shape() == Qt::CrossCursor;
  std::vector<std::string> out{"title \"" + main.windowTitle().toStdString() + "\"", status,
                               std::string("cursor: ") + (cross ? "a cross" : "an arrow"),
                               "picture at " + std::to_string(at.x()) + " " + std::to_string(at.y()) + ", " +
                                   std::to_string(at.width()) + " x " + std::to_string(at.height())};
  const MeasurementSession& session = main.commands().session();
  if (session.referenceCommitted()) {
    out.push_back("reference \"" + labelText(session.referenceLength()) + "\" " +
                  segment(session.reference()));
  }
  int k = 0;
  for (const Measurement& m : session.measurements()) {
    out.push_back("measurement " + std::to_string(++k) + " \"" + labelText(m.length) + "\" " +
                  segment(m.segment));
  }
  const Segment& pair = session.workingPair();
  if (session.mode() != Mode::kIdle && session.secondPointPending()) {
    out.push_back("pair begun at " + pixels(pair.a));
  } else if (session.mode() != Mode::kIdle && session.workingPairShown()) {
    out.push_back("pair placed " + segment(pair));
  }
  return out;
}

}  // namespace vantory::replay
