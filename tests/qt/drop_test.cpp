// Files dropped on the window from a file manager: the first one is opened as 文件 > 打开
// opens it, with the measurements kept; a file that is not a picture is reported; what
// is not a local file is not taken.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

const QColor kA(200, 40, 40), kB(40, 160, 60);

class DropTest : public WindowTest {
 protected:
  // Drags `urls` onto the view, where the pointer is, and drops them there. Returns whether
  // the window took the drop.
  bool drop(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPointF at(300, 300);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window_->view(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window_->view(), &dropped);
    // The picture is opened once the drop has ended.
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    return dropped.isAccepted();
  }
};

TEST_F(DropTest, TheFirstFileDroppedIsOpenedAndTheMeasurementsStay) {
  const QString wide = writeImage(dir_, "wide.bmp", filled(400, 200, kA), "bmp");
  const QString tall = writeImage(dir_, "tall.png", filled(200, 400, kB), "png");
  ASSERT_TRUE(drop({QUrl::fromLocalFile(wide), QUrl::fromLocalFile(tall)}));
  EXPECT_EQ(commands().picturePath(), wide.toStdString());
  EXPECT_EQ(commands().pictureRect(), kWideRect);
  EXPECT_TRUE(annotateEnabled());
  EXPECT_TRUE(sameRgb(screen().pixel(kImageRect.center()), kA, 3));

  setReference(QPointF(100, 150), QPointF(500, 150), "50");
  const MeasurementSession before = session();
  ASSERT_TRUE(drop({QUrl::fromLocalFile(tall)}));
  EXPECT_EQ(commands().picturePath(), tall.toStdString());
  EXPECT_TRUE(sameRgb(screen().pixel(window_->view().pictureRect().center()), kB, 3));
  EXPECT_TRUE(session() == before);

  // Not a picture: the usual report, and the picture shown stays.
  ASSERT_TRUE(writeBytes(path("notes.txt"), "not a picture at all\n"));
  QString report;
  modals_.expect("errorReport", acknowledge(&report));
  ASSERT_TRUE(drop({QUrl::fromLocalFile(path("notes.txt")), QUrl::fromLocalFile(wide)}));
  EXPECT_TRUE(report.startsWith(QString("运行时错误 '%1':").arg(number(ErrorCode::kInvalidPicture))))
      << report.toStdString();
  EXPECT_EQ(commands().picturePath(), tall.toStdString());
  EXPECT_TRUE(session() == before);

  // What is not a local file is not taken at all.
  EXPECT_FALSE(drop({QUrl("https://example.com/wide.bmp"), QUrl::fromLocalFile(wide)}));
  EXPECT_FALSE(drop({}));
  EXPECT_EQ(commands().picturePath(), tall.toStdString());
}

}  // namespace
}  // namespace vantory::qttest
