// Save for real: the Save dialog answered, the written file read back byte by byte and
// pixel by pixel, and every way a Save can fail.
#include <QDir>
#include <QFile>
#include <QFileDialog>

#include "platform/runtime_error.h"
#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

const QColor kPlain(40, 90, 160);

class SaveTest : public WindowTest {
 protected:
  QString OpenPlain() {
    const QString path = WriteImage(dir_, "plain.bmp", Filled(400, 200, kPlain), "bmp");
    Open(path);
    return path;
  }
  // A surface pixel position in the saved picture's pixels: view twips mapped through
  // Image1's geometry onto the 6000 x 3000 twip picture.
  static QPointF InPicture(QPointF surface) {
    return {(surface.x() * 15 - kLeft) * 6000 / kWidth / 15,
            (surface.y() * 15 - kTop) * 3000 / kHeight / 15};
  }
  QStringList Files() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot); }
};

TEST_F(SaveTest, WritesA24BitBitmapOfThePictureWithItsAnnotations) {
  OpenPlain();
  const QPointF r1(100, 150), r2(500, 150), m1(150, 400), m2(650, 250);
  SetReference(r1, r2, "50");
  Trigger("celiang");
  Measure(m1, m2);

  // A cancelled Save writes nothing.
  modals_.Expect("saveDialog", Cancel());
  Trigger("save");
  EXPECT_EQ(Files(), QStringList{"plain.bmp"});

  // A JPEG name gets bitmap data all the same.
  const QString out = Path("annotated.jpg");
  bool asks_before_replacing = false;
  modals_.Expect("saveDialog", Choose(out, [&](QWidget* box) {
                   asks_before_replacing =
                       !qobject_cast<QFileDialog*>(box)->testOption(QFileDialog::DontConfirmOverwrite);
                 }));
  Trigger("save");
  EXPECT_TRUE(asks_before_replacing);
  EXPECT_EQ(State().savePath, out.toStdString());

  const QByteArray bytes = ReadBytes(out);
  ASSERT_GT(bytes.size(), 54);
  EXPECT_EQ(bytes.left(2), "BM");
  EXPECT_EQ(quint8(bytes[28]) | quint8(bytes[29]) << 8, 24);  // bits per pixel
  QImage saved;
  ASSERT_TRUE(saved.loadFromData(bytes, "BMP"));
  ASSERT_EQ(saved.size(), QSize(400, 200));

  const QPointF a1 = InPicture(r1), a2 = InPicture(r2), b1 = InPicture(m1), b2 = InPicture(m2);
  EXPECT_EQ(OnLine(saved, a1, a2, kRed), 12);
  EXPECT_EQ(OnLine(saved, b1, b2, kGreen), 12);
  EXPECT_GT(Tinted(saved, QRect(((a1 + a2) / 2).toPoint() + QPoint(1, 3), QSize(30, 12)), kRed), 3);
  EXPECT_GT(Tinted(saved, QRect(((b1 + b2) / 2).toPoint() + QPoint(1, 3), QSize(30, 12)), kGreen), 3);
  EXPECT_TRUE(AllNear(saved, QPointF(380, 20), kPlain, 3, 0));  // the picture itself, exact
  EXPECT_TRUE(AllNear(saved, QPointF(30, 180), kPlain, 3, 0));
  EXPECT_EQ(OnLine(saved, InPicture(QPointF(100, 300)), InPicture(QPointF(700, 300)), kRed, 0, 1), 0);

  // A second Save starts from the first one's path; the dialog asks before replacing
  // the file, and the same picture is written again.
  ASSERT_TRUE(WriteBytes(out, "stale"));
  QString initial;
  modals_.Expect("saveDialog", Choose(out, [&](QWidget* box) {
                   initial = qobject_cast<QFileDialog*>(box)->selectedFiles().value(0);
                 }));
  modals_.Expect("", Close);  // "already exists, replace it?": yes
  Trigger("save");
  EXPECT_EQ(initial, out);
  EXPECT_EQ(ReadBytes(out), bytes);
}

TEST_F(SaveTest, AnUnwritablePathIsReportedAndNothingIsHarmed) {
  OpenPlain();
  SetReference(QPointF(100, 150), QPointF(500, 150), "50");
  const MeasurementState before = State();

  // A folder that does not exist.
  const QString missing = Path("missing/out.bmp");
  QString report;
  modals_.Expect("saveDialog", Choose(missing));
  modals_.Expect("errorReport", Acknowledge(&report));
  Trigger("save");
  EXPECT_TRUE(report.contains(QString::number(kErrPathAccess))) << report.toStdString();
  EXPECT_FALSE(QFileInfo::exists(missing));

  // An existing file whose replacement cannot be written (even by root): its name is as
  // long as a name can be, so no temporary file can be made beside it under a longer one.
  const QString longest = Path(QString(251, 'n') + ".bmp");
  ASSERT_TRUE(WriteBytes(longest, "the original"));
  modals_.Expect("saveDialog", Choose(longest));
  modals_.Expect("", Close);  // replace it: yes
  modals_.Expect("errorReport", Acknowledge(&report));
  Trigger("save");
  EXPECT_TRUE(report.contains(QString::number(kErrPathAccess))) << report.toStdString();
  EXPECT_EQ(ReadBytes(longest), "the original");

  EXPECT_EQ(Files(), (QStringList{longest.section('/', -1), "plain.bmp"}));
  EXPECT_TRUE(State() == before);
}

TEST_F(SaveTest, APictureGoneSinceOpenIsReportedBeforeAnythingIsAsked) {
  const QString path = OpenPlain();
  SetReference(QPointF(100, 150), QPointF(500, 150), "50");
  const MeasurementState before = State();
  ASSERT_TRUE(QFile::remove(path));

  QString report;
  modals_.Expect("errorReport", Acknowledge(&report));  // and no Save dialog
  Trigger("save");
  EXPECT_TRUE(report.contains(QString::number(kErrFileNotFound))) << report.toStdString();
  EXPECT_TRUE(State() == before);
  EXPECT_TRUE(Action("celiang")->isEnabled());
  EXPECT_TRUE(Files().isEmpty());
}

TEST_F(SaveTest, BeforeAnyOpenOnlyAMessageIsShown) {
  QString text;
  modals_.Expect("msgBox", Acknowledge(&text));
  Trigger("save");
  EXPECT_EQ(text.toStdString(), text::kNothingToSave);
  EXPECT_TRUE(Files().isEmpty());
  EXPECT_EQ(State().savePath, "");
}

}  // namespace
}  // namespace vantory::qttest

namespace vantory::qttest {
namespace {

// The bitmap encoder on its own, at widths whose rows need 0 to 3 bytes of padding:
// Qt's reader must read back every pixel exactly, from a file of exactly the right size.
TEST(BitmapEncoding, RowsOfEveryPaddingReadBackExactly) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (int width : {1, 2, 3, 4, 401}) {
    QImage image(width, 7, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 37 % 256, y * 41 % 256, (x + y) % 256));
    }
    const QString path = dir.filePath(QString("w%1.bmp").arg(width));
    qt::WriteBitmap(*qt::QtPicture::FromImage(image), path);
    const QByteArray bytes = ReadBytes(path);
    const int row_bytes = (width * 3 + 3) / 4 * 4;
    EXPECT_EQ(bytes.size(), 54 + row_bytes * 7) << width;
    QImage back(path, "bmp");
    ASSERT_FALSE(back.isNull()) << width;
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), image) << width;
  }
}

}  // namespace
}  // namespace vantory::qttest
