// Open through the real window and dialog: the fit and centring of the picture, its pixels
// on the view, the annotate menu, the name the next dialog starts with, and what a file
// that cannot be opened leaves.
#include <QFile>
#include <functional>

#include "tests/qt/qt_support.h"
#include "tests/support/pictures.h"

namespace vantory::qttest {
namespace {

const QColor kA(200, 40, 40), kB(40, 160, 60), kC(50, 70, 200), kD(230, 220, 90);

using OpenTest = WindowTest;

TEST_F(OpenTest, FitsAndCentresThePictureAndShowsItInItsRectangle) {
  const QString wide = writeImage(dir_, "wide.bmp", quadrants(400, 200, kA, kB, kC, kD), "bmp");
  QString started = "?";
  open(wide, &started);

  EXPECT_EQ(started, "");
  EXPECT_EQ(testing_support::probedSize(wide), QSize(400, 200));  // 6000 x 3000 twips
  EXPECT_EQ(commands().pictureRect(), kWideRect);
  EXPECT_EQ(commands().picturePath(), wide.toStdString());
  EXPECT_TRUE(annotateEnabled());
  EXPECT_TRUE(action("setReferenceAction")->isEnabled());
  EXPECT_FALSE(action("measureAction")->isEnabled());

  const QRect r = window_->view().pictureRect();
  ASSERT_EQ(r, kImageRect);
  // What the view holds and what the widget paints: the picture upright within the
  // rectangle, its corners at the rectangle's corners, the background around it.
  for (const QImage& shown : {screen(), window_->view().grab().toImage()}) {
    ASSERT_EQ(shown.size(), QSize(777, 553));
    EXPECT_TRUE(sameRgb(shown.pixel(r.left(), r.top()), kA, 3));
    EXPECT_TRUE(sameRgb(shown.pixel(r.right(), r.top()), kB, 3));
    EXPECT_TRUE(sameRgb(shown.pixel(r.left(), r.bottom()), kC, 3));
    EXPECT_TRUE(sameRgb(shown.pixel(r.right(), r.bottom()), kD, 3));
    EXPECT_TRUE(sameRgb(shown.pixel(r.left() + r.width() / 4, r.top() + r.height() / 4), kA, 3));
    const int cx = r.center().x(), cy = r.center().y();
    for (const QPoint outside : {QPoint(r.left() - 1, cy), QPoint(r.right() + 1, cy), QPoint(cx, r.top() - 1),
                                 QPoint(cx, r.bottom() + 1), QPoint(0, 0), QPoint(776, 552)}) {
      EXPECT_TRUE(sameRgb(shown.pixel(outside), background())) << outside.x() << "," << outside.y();
    }
  }

  // A tall picture next, from a dialog that starts empty again: bound by its height and
  // centred across; where the wide one was and the tall one is not, the background is
  // back.
  const QString tall = writeImage(dir_, "tall.jpg", quadrants(200, 400, kA, kB, kC, kD), "jpg");
  started = "?";
  open(tall, &started);
  EXPECT_EQ(started, "");
  EXPECT_EQ(commands().picturePath(), tall.toStdString());
  EXPECT_EQ(commands().pictureRect(), (TwipRect{3813.75f, 120.0f, 4027.5f, 8055.0f}));
  const QRect shownTall = window_->view().pictureRect();
  EXPECT_EQ(shownTall, QRect(254, 8, 269, 537));
  EXPECT_TRUE(sameRgb(screen().pixel(shownTall.left() + 5, shownTall.top() + 5), kA, 24));
  EXPECT_TRUE(sameRgb(screen().pixel(shownTall.right() - 5, shownTall.bottom() - 5), kD, 24));
  EXPECT_TRUE(sameRgb(screen().pixel(r.left() + 5, r.top() + 5), background()));
  EXPECT_TRUE(sameRgb(screen().pixel(r.right() - 5, r.bottom() - 5), background()));
}

TEST_F(OpenTest, AFileThatCannotBeOpenedLeavesEverythingAsItWas) {
  QImage noise(160, 120, QImage::Format_RGB32);
  for (int y = 0; y < noise.height(); ++y) {
    for (int x = 0; x < noise.width(); ++x) noise.setPixel(x, y, qRgb(x * 7, y * 13, (x ^ y) * 5));
  }
  const QByteArray jpeg = readBytes(writeImage(dir_, "whole.jpg", noise, "jpg"));
  ASSERT_TRUE(writeBytes(path("truncated.jpg"), jpeg.left(jpeg.size() / 2)));
  ASSERT_TRUE(writeBytes(path("notes.jpg"), "not a picture at all\n"));
  ASSERT_TRUE(writeBytes(path("empty.gif"), QByteArray()));
  ASSERT_TRUE(writeBytes(path("huge.png"), pngHeaderOnly(100000, 100000)));
  const QString gone = writeImage(dir_, "gone.bmp", filled(40, 20, kA), "bmp");

  struct Bad {
    QString path;
    ErrorCode error;
    bool removeOnceChosen = false;  // deleted between the dialog and the load
  };
  const std::vector<Bad> badFiles = {{path("truncated.jpg"), ErrorCode::kInvalidPicture},
                                     {path("notes.jpg"), ErrorCode::kInvalidPicture},
                                     {path("empty.gif"), ErrorCode::kInvalidPicture},
                                     {path("huge.png"), ErrorCode::kOutOfMemory},
                                     {gone, ErrorCode::kFileNotFound, true}};

  // A failed Open reports the error of its kind, and the dialog's name stays the one it
  // had before: the next dialog starts with `nameBefore` again.
  const auto tryOpen = [&](const Bad& bad, const QString& nameBefore) {
    QString report, started = "?";
    modals_.expect("openDialog", [&](QWidget* box) {
      started = startName(box);
      choose(bad.path)(box);
      if (bad.removeOnceChosen) QFile::remove(bad.path);
    });
    modals_.expect("errorReport", acknowledge(&report));
    trigger("openAction");
    EXPECT_EQ(started, nameBefore);
    EXPECT_TRUE(report.startsWith(QString("运行时错误 '%1':").arg(number(bad.error))))
        << report.toStdString();
  };

  // Before any picture: still no picture, nothing painted, the annotate menu off.
  tryOpen(badFiles[0], "");
  EXPECT_EQ(commands().picturePath(), "");
  EXPECT_EQ(commands().pictureRect(), kEmptyRect);
  EXPECT_FALSE(annotateEnabled());
  EXPECT_TRUE(sameRgb(screen().pixel(388, 276), background()));

  const QString good = writeImage(dir_, "good.bmp", quadrants(400, 200, kA, kB, kC, kD), "bmp");
  QString started = "?";
  open(good, &started);
  EXPECT_EQ(started, "");  // the failed Open left the name as it was: none
  // A Save gives the dialogs a name of its own, which every failed Open keeps.
  const QString saved = path("saved.bmp");
  modals_.expect("saveDialog", choose(saved));
  trigger("saveAction");
  ASSERT_TRUE(QFile::exists(saved));

  const MeasurementSession before = session();
  const QImage shown = screen().copy();
  for (const Bad& bad : badFiles) {
    SCOPED_TRACE(bad.path.toStdString());
    tryOpen(bad, saved);
    EXPECT_TRUE(session() == before);
    EXPECT_EQ(commands().picturePath(), good.toStdString());
    EXPECT_EQ(commands().pictureRect(), kWideRect);
    EXPECT_EQ(window_->view().pictureRect(), kImageRect);
    EXPECT_TRUE(annotateEnabled());
    EXPECT_FALSE(action("measureAction")->isEnabled());
    EXPECT_TRUE(screen() == shown);
  }
  started = "?";
  open(good, &started);
  EXPECT_EQ(started, saved);
}

}  // namespace
}  // namespace vantory::qttest
