// Fine placement and the loupe in the real window, offscreen: the point a press places
// under Shift, the loupe's pixels from the picture's own, where the loupe goes.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include <sys/inotify.h>
#include <unistd.h>

#include "tests/loupe/loupe_support.h"
#include "ui/loupe.h"

namespace vantory::loupetest {
namespace {

QImage checkerboard(int width, int height, QRgb a, QRgb b) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, (x + y) % 2 ? a : b);
  }
  return image;
}

// Where a press at `at` (logical pixels of the view) lands on the view, as the program
// turns it into twips relative to the picture and back.
TwipPoint pressedAt(PixelPoint at, TwipRect r) {
  const double x = std::clamp(double{static_cast<float>(at.x * 15)} - r.left, 0.0, double{r.width});
  const double y = std::clamp(double{static_cast<float>(at.y * 15)} - r.top, 0.0, double{r.height});
  return {static_cast<float>(double{r.left} + static_cast<float>(x)),
          static_cast<float>(double{r.top} + static_cast<float>(y))};
}

class Loupe : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString write(const char* name, const QImage& image) {
    const QString path = dir_.filePath(name);
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
  }
  QTemporaryDir dir_;
};

TEST_F(Loupe, APressWithShiftPlacesItsPointAtTheSlowedPointer) {
  Driver d;
  d.open(write("photo.png", checkerboard(600, 400, qRgb(200, 200, 200), qRgb(40, 40, 40))));
  const TwipRect r = d.window().commands().pictureRect();
  d.trigger("setReferenceAction");
  d.move({200.25, 150.5});
  d.shift(true);                // Shift goes down over (200.25, 150.5)
  d.move({300.75, 100}, true);  // the point: 200.25 + 100.5 / 8, 150.5 - 50.5 / 8
  d.press({300.75, 100}, Qt::LeftButton, true);
  const PixelPoint p{200.25 + (300.75 - 200.25) / 8, 150.5 + (100 - 150.5) / 8};
  EXPECT_EQ(d.session().workingPair().a, pressedAt(p, r));
  EXPECT_FALSE(d.view().loupeRect().isEmpty());

  // Released, the pointer itself again: the loupe goes, the next point is the pointer's.
  d.shift(false);
  EXPECT_TRUE(d.view().loupeRect().isEmpty());
  d.answerLength("10");
  d.press({400.5, 300.25});
  EXPECT_EQ(d.session().workingPair().b, pressedAt({400.5, 300.25}, r));
}

// A picture of one-pixel squares, several picture pixels to a view pixel: the view shows a
// blur, the loupe the squares themselves, 8 times as large as in the view.
TEST_F(Loupe, ShowsThePicturesOwnPixelsEightTimesAsLargeAsTheView) {
  const QRgb light = qRgb(230, 230, 230), dark = qRgb(20, 40, 90);
  for (const QSize size : {QSize(2000, 1400), QSize(100, 70)}) {
    SCOPED_TRACE(size.width());
    Driver d;
    d.open(write("squares.png", checkerboard(size.width(), size.height(), light, dark)));
    const QRect shown = d.view().pictureRect();
    const double viewPerPicture = shown.width() / double(size.width());
    d.move({300, 200});
    d.shift(true);
    ASSERT_FALSE(d.view().loupeRect().isEmpty());  // at once, before the full picture
    ASSERT_TRUE(d.waitFor([&] { return d.view().loupeHasFullPicture(); }));
    d.move({300, 200}, true);
    const QImage loupe = d.view().loupeImage();
    // Along a row clear of the crosshair's level line, on either side of its upright one:
    // runs of the two colours only, each as long as a picture pixel magnified (one pixel
    // more or less where the edges fall; the runs cut by the ends are left out).
    const int y = qt::kLoupeSide / 2 - 20;
    const double expected = qt::kLoupeMagnification * viewPerPicture;
    int whole = 0;
    for (const auto& [from, to] :
         {std::pair{1, qt::kLoupeSide / 2}, std::pair{qt::kLoupeSide / 2 + 1, qt::kLoupeSide - 1}}) {
      std::vector<int> runs;
      QRgb last = loupe.pixel(from, y);
      int length = 0;
      for (int x = from; x < to; ++x) {
        const QRgb c = loupe.pixel(x, y);
        ASSERT_TRUE(c == light || c == dark) << "a colour of neither square at " << x;
        if (c == last) {
          ++length;
        } else {
          runs.push_back(length);
          last = c, length = 1;
        }
      }
      for (std::size_t i = 1; i < runs.size(); ++i, ++whole)
        EXPECT_NEAR(runs[i], expected, 1.0) << from << " " << i;
    }
    EXPECT_GE(whole, size.width() > 1000 ? 20 : 0);
    if (size.width() > 1000) {
      // The view itself cannot show them: its pixels there are blends of both.
      const QImage screen = d.view().screen();
      int blends = 0;
      for (int x = 200; x < 260; ++x) blends += screen.pixel(x, 100) != light && screen.pixel(x, 100) != dark;
      EXPECT_GT(blends, 50);
    }
  }
}

// The pointer still, without Shift and then with it: the view is painted when something
// changes (the loupe at once, then with the picture's own pixels), not over and over.
TEST_F(Loupe, AStillLoupeIsNotPaintedOverAndOver) {
  Driver d;
  d.open(write("photo.png", checkerboard(1600, 1200, qRgb(200, 200, 200), qRgb(40, 40, 40))));
  d.move({300, 200});
  struct PaintCount : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      paints += event->type() == QEvent::Paint;
      return false;
    }
  } count;
  d.view().installEventFilter(&count);
  QElapsedTimer idle;
  idle.start();
  d.waitFor([&] { return idle.elapsed() >= 200; });
  EXPECT_LE(count.paints, 2);  // without Shift: the move's paint, if any was left
  count.paints = 0;
  d.shift(true);
  ASSERT_TRUE(d.waitFor([&] { return d.view().loupeHasFullPicture(); }));
  // A fifth of a second more, with nothing happening.
  QElapsedTimer still;
  still.start();
  d.waitFor([&] { return still.elapsed() >= 200; });
  d.view().removeEventFilter(&count);
  EXPECT_FALSE(d.view().loupeRect().isEmpty());
  EXPECT_GE(count.paints, 1);
  EXPECT_LE(count.paints, 6);
}

// The times a file is opened, from inotify's events. Opens and closes alternate in the
// queue, so that none is merged with the one before; opens that overlap would count once.
class Opens {
 public:
  explicit Opens(const QString& path) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    inotify_add_watch(fd_, QFile::encodeName(path).constData(), IN_OPEN | IN_CLOSE);
  }
  ~Opens() { ::close(fd_); }
  // The opens since the last call.
  int taken() {
    alignas(inotify_event) char buffer[4096];
    int opens = 0;
    for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) {
      for (char* at = buffer; at < buffer + n;
           at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
        opens += (reinterpret_cast<inotify_event*>(at)->mask & IN_OPEN) != 0;
    }
    return opens;
  }

 private:
  int fd_;
};

// The peak resident memory above what it was at start, in MB (VmHWM, reset through
// /proc/self/clear_refs); a negative number where the peak cannot be reset.
class PeakRise {
 public:
  PeakRise() {
    std::ofstream("/proc/self/clear_refs") << "5";
    start_ = kb("VmRSS");
    works_ = kb("VmHWM") <= start_ + 4096;
  }
  double mb() const { return works_ ? (kb("VmHWM") - start_) / 1024.0 : -1; }

 private:
  static long kb(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind(std::string(field) + ":", 0) == 0) return std::stol(line.substr(line.find(':') + 1));
    }
    return -1;
  }
  long start_ = 0;
  bool works_ = false;
};

// Open reads the file twice (its header, then the picture at the size shown), the loupe's
// decode once; Save after the loupe checks the file once and draws on the loupe's picture
// instead of decoding a second one beside it.
TEST_F(Loupe, ShiftThenSaveHoldsOnePictureAndEachStepOpensTheFileOnce) {
  QImage photo(4000, 3000, QImage::Format_RGB32);
  for (int y = 0; y < photo.height(); ++y) {
    for (int x = 0; x < photo.width(); ++x) photo.setPixel(x, y, qRgb(x % 256, y % 256, (x ^ y) % 256));
  }
  const QString path = dir_.filePath("photo.jpg"), out = dir_.filePath("saved.bmp");
  ASSERT_TRUE(photo.save(path, "JPG", 90));
  const double pictureMb = 4000 * 3000 * 4 / 1048576.0;
  Opens opens(path);
  Driver d;
  d.open(path);
  EXPECT_EQ(opens.taken(), 2);
  d.move({300, 250});
  d.shift(true);
  ASSERT_TRUE(d.waitFor([&] { return d.view().loupeHasFullPicture(); }, 30000));
  EXPECT_EQ(opens.taken(), 1);
  d.shift(false);
  const PeakRise peak;
  d.save(out);
  EXPECT_EQ(opens.taken(), 1);
  EXPECT_EQ(QImage(out).size(), QSize(4000, 3000));
  if (peak.mb() >= 0) {
    EXPECT_LT(peak.mb(), pictureMb / 2) << "a second picture beside the loupe's";
  }
  std::printf("[ measured ] Save after the loupe: peak +%.1f MB (a picture is %.1f MB)\n", peak.mb(),
              pictureMb);
}

TEST(LoupePlacement, BesideThePointerInsideTheViewNeverOverThePoint) {
  const QSize view(777, 553);
  for (int i = 0; i < 2000; ++i) {
    const PixelPoint pointer{(i * 37 % 777) + 0.5, (i * 53 % 553) + 0.25};
    // The point lags behind the pointer in every direction.
    const PixelPoint point{pointer.x + ((i % 7) - 3) * 40.0, pointer.y + ((i % 5) - 2) * 40.0};
    const QRect r = qt::placeLoupe(pointer, point, view);
    ASSERT_EQ(r.size(), QSize(qt::kLoupeSide, qt::kLoupeSide));
    ASSERT_TRUE(QRect(QPoint(0, 0), view).contains(r)) << i;
    ASSERT_FALSE(QRectF(r).contains(QPointF(point.x, point.y))) << i;
  }
  // Beside the pointer when there is room: below right of it.
  EXPECT_EQ(qt::placeLoupe({100, 100}, {100, 100}, view).topLeft(), QPoint(124, 124));
  EXPECT_EQ(qt::placeLoupe({700, 500}, {700, 500}, view).topLeft(), QPoint(516, 316));
}

}  // namespace
}  // namespace vantory::loupetest
