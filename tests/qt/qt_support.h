// Common ground of the offscreen Qt tests: pictures made on the spot, a script that
// answers the modal boxes and dialogs as a user would, the real main window with short
// ways to drive it, and pixel probes.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QByteArray>
#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/session.h"
#include "ui/main_window.h"

// Readable failure messages for Qt's strings.
inline void printTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void printTo(const QStringList& list, std::ostream* out) {
  *out << '{' << list.join("\", \"").prepend('"').append('"').toStdString() << '}';
}

namespace vantory {
// Readable failure messages for the core's values.
inline void printTo(const TwipRect& r, std::ostream* out) {
  *out << "{" << r.left << ", " << r.top << ", " << r.width << " x " << r.height << "}";
}
inline void printTo(const TwipPoint& p, std::ostream* out) { *out << "(" << p.x << ", " << p.y << ")"; }
inline void printTo(const TwipSize& s, std::ostream* out) { *out << s.width << " x " << s.height; }
}  // namespace vantory

namespace vantory::qttest {

// The number of an error, as the report shows it.
constexpr int number(ErrorCode code) { return static_cast<int>(code); }

// ---------------------------------------------------------------- pictures

QImage filled(int width, int height, QColor colour);
// Four quadrants: top-left, top-right, bottom-left, bottom-right.
QImage quadrants(int width, int height, QColor tl, QColor tr, QColor bl, QColor br);

bool writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);
// Writes `image` with QImageWriter in `format`; the path's name is `name`.
QString writeImage(const QTemporaryDir& dir, const QString& name, const QImage& image, const char* format);
// A GIF89a of `image` (at most 256 colours), encoded here: Qt reads GIF but cannot write it.
QByteArray gifOf(const QImage& image);
// `jpeg` with an APP1 Exif segment right after SOI whose one IFD entry is the
// orientation tag 0x0112 = `orientation`.
QByteArray withExifOrientation(const QByteArray& jpeg, int orientation);
// A PNG whose header claims width x height pixels, with next to no data behind it.
QByteArray pngHeaderOnly(int width, int height);

// ---------------------------------------------------------------- modal boxes

// Answers the modal boxes and dialogs in the order the test expects them: each one that
// becomes the active modal widget is matched by object name against the next expected
// one and handed to its action. A box nobody expected, or one that an action left open,
// is closed and counted as a problem, so a test never hangs on a modal loop.
class ModalScript {
 public:
  using Action = std::function<void(QWidget*)>;
  ModalScript();
  ~ModalScript();
  void expect(const QString& objectName, Action action);
  std::size_t pending() const { return queue_.size(); }
  const std::vector<std::string>& problems() const { return problems_; }

 private:
  void tick();
  struct Entry {
    QString name;
    Action action;
  };
  std::deque<Entry> queue_;
  std::vector<std::string> problems_;
  std::vector<std::pair<QPointer<QWidget>, QElapsedTimer>> handled_;
  QTimer timer_;
};

void closeBox(QWidget* box);  // accept a dialog or message box
// Actions: OK on a message box (its text and caption copied out when asked), an answer
// typed in the input box, a path typed in a file dialog and accepted, Cancel.
ModalScript::Action acknowledge(QString* text = nullptr, QString* caption = nullptr);
ModalScript::Action answer(const QString& typed, QString* shown = nullptr);
ModalScript::Action choose(const QString& path, std::function<void(QWidget*)> look = {});
ModalScript::Action cancel();
// The name a file dialog started with: the full path of the name in its name box, or ""
// when the box was empty.
QString startName(QWidget* fileDialog);

// ---------------------------------------------------------------- the window

// A 400 x 200 px picture (6000 x 3000 twips) is fitted at Left 120, Top 1293.75,
// 11415 x 5707.5 twips: on the view, pixels (8, 86) to (768, 466).
inline constexpr float kLeft = 120.0f;
inline constexpr float kTop = 1293.75f;
inline constexpr float kWidth = 11415.0f;
inline constexpr float kHeight = 5707.5f;
inline constexpr TwipRect kWideRect{kLeft, kTop, kWidth, kHeight};
inline const QRect kImageRect(8, 86, 761, 381);
// Where the empty picture lies before the first Open: in pixels (48, 56) to (728, 432).
inline constexpr TwipRect kEmptyRect{720, 840, 10215, 5655};
inline const QRect kEmptyPixelRect(48, 56, 681, 377);
inline const QColor kRed(255, 0, 0);
inline const QColor kGreen(0, 255, 0);

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  QString path(const QString& name) const { return dir_.filePath(name); }
  QAction* action(const char* name) const;
  // Chooses a menu command; a Save is written on a thread of its own, and waited for.
  void trigger(const char* name) {
    action(name)->trigger();
    window_->finishSaving();
  }

  // Open through the menu, the dialog answered with `path`; the name the dialog started
  // with is copied out when asked.
  void open(const QString& path, QString* startedWith = nullptr);
  // Presses and moves at view pixel positions, as the widget receives them.
  void press(QPointF pixels, Qt::MouseButton button = Qt::LeftButton);
  void move(QPointF pixels);
  // A reference from a to b with `length` typed, committed with a right press.
  void setReference(QPointF a, QPointF b, const QString& length);
  // A measurement from a to b, committed with a right press (from measure mode).
  void measure(QPointF a, QPointF b);

  const Commands& commands() const { return window_->commands(); }
  const MeasurementSession& session() const { return window_->commands().session(); }
  const QImage& screen() const { return window_->view().screen(); }
  QColor background() const { return window_->view().background(); }
  bool annotateEnabled() const { return window_->annotateMenu()->menuAction()->isEnabled(); }

  QTemporaryDir dir_;
  ModalScript modals_;
  std::unique_ptr<qt::MainWindow> window_;
};

// ---------------------------------------------------------------- pixels

bool sameRgb(QRgb a, QColor b, int tolerance = 0);
// Whether some pixel within `reach` of `at` has colour `c` exactly.
bool anyNear(const QImage& image, QPointF at, QColor c, int reach = 1);
// Whether every pixel within `reach` of `at` is within `tolerance` of `c`.
bool allNear(const QImage& image, QPointF at, QColor c, int reach = 1, int tolerance = 2);
// How many of `samples` points along a -> b, for t from t0 to t1, have colour `c` near.
int onLine(const QImage& image, QPointF a, QPointF b, QColor c, double t0 = 0.05, double t1 = 0.45,
           int samples = 12);
// Pixels in `area` that are clearly `c`'s hue (red or green), such as text in that colour.
int tinted(const QImage& image, const QRect& area, QColor c);

}  // namespace vantory::qttest
