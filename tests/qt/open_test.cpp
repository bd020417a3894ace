// Open through the real window and dialog: the fit and centring of Image1, the picture's
// pixels on the surface, the annotate menu, and what a file that cannot be opened leaves.
#include <QFile>
#include <functional>

#include "platform/runtime_error.h"
#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

const QColor kA(200, 40, 40), kB(40, 160, 60), kC(50, 70, 200), kD(230, 220, 90);

class OpenTest : public WindowTest {
 protected:
  qt::SurfaceImage& Image1() { return window_->Surface().Image1(); }
  QColor Background() { return window_->Surface().Background(); }
  bool Annotate() { return window_->AnnotateMenu()->menuAction()->isEnabled(); }
};

TEST_F(OpenTest, FitsAndCentresThePictureAndShowsItInImage1sRectangle) {
  const QString path = WriteImage(dir_, "wide.bmp", Quadrants(400, 200, kA, kB, kC, kD), "bmp");
  Open(path);

  EXPECT_EQ(Image1().Left(), kLeft);
  EXPECT_EQ(Image1().Top(), kTop);
  EXPECT_EQ(Image1().Width(), kWidth);
  EXPECT_EQ(Image1().Height(), kHeight);
  EXPECT_EQ(State().openPath, path.toStdString());
  EXPECT_EQ(State().picWidth, 6000);
  EXPECT_EQ(State().picHeight, 3000);
  EXPECT_EQ(window_->Dialog().FileName(), "");
  EXPECT_TRUE(Annotate());
  EXPECT_TRUE(Action("szjz")->isEnabled());
  EXPECT_FALSE(Action("celiang")->isEnabled());

  const QRect r = Image1().PixelRect();
  ASSERT_EQ(r, kImageRect);
  // What the surface holds and what the widget paints: the picture upright within the
  // rectangle, its corners at the rectangle's corners, the background around it.
  for (const QImage& shown : {Screen(), window_->Surface().grab().toImage()}) {
    ASSERT_EQ(shown.size(), QSize(777, 553));
    EXPECT_TRUE(SameRgb(shown.pixel(r.left(), r.top()), kA, 3));
    EXPECT_TRUE(SameRgb(shown.pixel(r.right(), r.top()), kB, 3));
    EXPECT_TRUE(SameRgb(shown.pixel(r.left(), r.bottom()), kC, 3));
    EXPECT_TRUE(SameRgb(shown.pixel(r.right(), r.bottom()), kD, 3));
    EXPECT_TRUE(SameRgb(shown.pixel(r.left() + r.width() / 4, r.top() + r.height() / 4), kA, 3));
    const int cx = r.center().x(), cy = r.center().y();
    for (const QPoint outside : {QPoint(r.left() - 1, cy), QPoint(r.right() + 1, cy),
                                 QPoint(cx, r.top() - 1), QPoint(cx, r.bottom() + 1),
                                 QPoint(0, 0), QPoint(776, 552)}) {
      EXPECT_TRUE(SameRgb(shown.pixel(outside), Background())) << outside.x() << "," << outside.y();
    }
  }

  // A tall picture next: bound by its height and centred across; where the wide one
  // was and the tall one is not, the background is back.
  Open(WriteImage(dir_, "tall.jpg", Quadrants(200, 400, kA, kB, kC, kD), "jpg"));
  EXPECT_EQ(Image1().Left(), 3813.75f);
  EXPECT_EQ(Image1().Top(), 120.0f);
  EXPECT_EQ(Image1().Width(), 4027.5f);
  EXPECT_EQ(Image1().Height(), 8055.0f);
  const QRect tall = Image1().PixelRect();
  EXPECT_EQ(tall, QRect(254, 8, 269, 537));
  EXPECT_TRUE(SameRgb(Screen().pixel(tall.left() + 5, tall.top() + 5), kA, 24));
  EXPECT_TRUE(SameRgb(Screen().pixel(tall.right() - 5, tall.bottom() - 5), kD, 24));
  EXPECT_TRUE(SameRgb(Screen().pixel(r.left() + 5, r.top() + 5), Background()));
  EXPECT_TRUE(SameRgb(Screen().pixel(r.right() - 5, r.bottom() - 5), Background()));
}

TEST_F(OpenTest, AFileThatCannotBeOpenedLeavesEverythingAsItWas) {
  QImage noise(160, 120, QImage::Format_RGB32);
  for (int y = 0; y < noise.height(); ++y) {
    for (int x = 0; x < noise.width(); ++x) noise.setPixel(x, y, qRgb(x * 7, y * 13, (x ^ y) * 5));
  }
  const QByteArray jpeg = ReadBytes(WriteImage(dir_, "whole.jpg", noise, "jpg"));
  ASSERT_TRUE(WriteBytes(Path("truncated.jpg"), jpeg.left(jpeg.size() / 2)));
  ASSERT_TRUE(WriteBytes(Path("notes.jpg"), "not a picture at all\n"));
  ASSERT_TRUE(WriteBytes(Path("empty.gif"), QByteArray()));
  ASSERT_TRUE(WriteBytes(Path("huge.png"), PngHeaderOnly(100000, 100000)));
  const QString gone = WriteImage(dir_, "gone.bmp", Filled(40, 20, kA), "bmp");

  struct Bad {
    QString path;
    int error;
    bool remove_once_chosen = false;  // deleted between the dialog and the load
  };
  const std::vector<Bad> bad_files = {
      {Path("truncated.jpg"), kErrInvalidPicture}, {Path("notes.jpg"), kErrInvalidPicture},
      {Path("empty.gif"), kErrInvalidPicture},     {Path("huge.png"), kErrOutOfMemory},
      {gone, kErrFileNotFound, true}};

  const auto try_open = [&](const Bad& bad) {
    QString report;
    const std::string name_before = window_->Dialog().FileName();
    modals_.Expect("openDialog", [&](QWidget* box) {
      Choose(bad.path)(box);
      if (bad.remove_once_chosen) QFile::remove(bad.path);
    });
    modals_.Expect("errorReport", Acknowledge(&report));
    Trigger("daoru");
    EXPECT_TRUE(report.contains(QString::number(bad.error))) << report.toStdString();
    // The dialog's file name is the one it had before this Open.
    EXPECT_EQ(window_->Dialog().FileName(), name_before);
  };

  // Before any picture: still no picture, nothing painted, the annotate menu off.
  try_open(bad_files[0]);
  EXPECT_EQ(Image1().Picture(), nullptr);
  EXPECT_EQ(State().openPath, "");
  EXPECT_FALSE(Annotate());
  EXPECT_TRUE(SameRgb(Screen().pixel(388, 276), Background()));

  const QString good = WriteImage(dir_, "good.bmp", Quadrants(400, 200, kA, kB, kC, kD), "bmp");
  Open(good);
  const MeasurementState state = State();
  const PictureRef picture = Image1().Picture();
  const QImage screen = Screen().copy();
  for (const Bad& bad : bad_files) {
    SCOPED_TRACE(bad.path.toStdString());
    try_open(bad);
    EXPECT_TRUE(State() == state);
    EXPECT_EQ(Image1().Picture(), picture);
    EXPECT_EQ(Image1().Left(), kLeft);
    EXPECT_EQ(Image1().Top(), kTop);
    EXPECT_EQ(Image1().Width(), kWidth);
    EXPECT_EQ(Image1().Height(), kHeight);
    EXPECT_TRUE(Annotate());
    EXPECT_FALSE(Action("celiang")->isEnabled());
    EXPECT_TRUE(Screen() == screen);
  }
}

}  // namespace
}  // namespace vantory::qttest
