// Save for real: the Save dialog answered, the written file read back byte by byte and
// pixel by pixel, and every way a Save can fail.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>

#include "core/texts.h"
#include "picture/bitmap_writer.h"
#include "picture/file_names.h"
#include "picture/png_writer.h"
#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

const QColor kPlain(40, 90, 160);

class SaveTest : public WindowTest {
 protected:
  QString openPlain() {
    const QString opened = writeImage(dir_, "plain.bmp", filled(400, 200, kPlain), "bmp");
    open(opened);
    return opened;
  }
  // A view pixel position in the saved picture's pixels: view twips mapped through the
  // shown rectangle onto the 6000 x 3000 twip picture.
  static QPointF inPicture(QPointF view) {
    return {(view.x() * 15 - kLeft) * 6000 / kWidth / 15, (view.y() * 15 - kTop) * 3000 / kHeight / 15};
  }
  QStringList files() const {
    return QDir(dir_.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
  }
  // The name the next Open dialog starts with (the dialog is cancelled).
  QString nextDialogName() {
    QString started = "?";
    modals_.expect("openDialog", [&](QWidget* box) {
      started = startName(box);
      cancel()(box);
    });
    trigger("openAction");
    return started;
  }
};

TEST_F(SaveTest, WritesA24BitBitmapOfThePictureWithItsAnnotations) {
  openPlain();
  const QPointF r1(100, 150), r2(500, 150), m1(150, 400), m2(650, 250);
  setReference(r1, r2, "50");
  trigger("measureAction");
  measure(m1, m2);

  // A cancelled Save writes nothing.
  modals_.expect("saveDialog", cancel());
  trigger("saveAction");
  EXPECT_EQ(files(), QStringList{"plain.bmp"});

  // A JPEG name gets bitmap data all the same.
  const QString out = path("annotated.jpg");
  bool asksBeforeReplacing = false;
  modals_.expect("saveDialog", choose(out, [&](QWidget* box) {
                   asksBeforeReplacing =
                       !qobject_cast<QFileDialog*>(box)->testOption(QFileDialog::DontConfirmOverwrite);
                 }));
  trigger("saveAction");
  EXPECT_TRUE(asksBeforeReplacing);

  const QByteArray bytes = readBytes(out);
  ASSERT_GT(bytes.size(), 54);
  EXPECT_EQ(bytes.left(2), "BM");
  EXPECT_EQ(quint8(bytes[28]) | quint8(bytes[29]) << 8, 24);  // bits per pixel
  QImage saved;
  ASSERT_TRUE(saved.loadFromData(bytes, "BMP"));
  ASSERT_EQ(saved.size(), QSize(400, 200));

  const QPointF a1 = inPicture(r1), a2 = inPicture(r2), b1 = inPicture(m1), b2 = inPicture(m2);
  EXPECT_EQ(onLine(saved, a1, a2, kRed), 12);
  EXPECT_EQ(onLine(saved, b1, b2, kGreen), 12);
  EXPECT_GT(tinted(saved, QRect(((a1 + a2) / 2).toPoint() + QPoint(1, 3), QSize(30, 12)), kRed), 3);
  EXPECT_GT(tinted(saved, QRect(((b1 + b2) / 2).toPoint() + QPoint(1, 3), QSize(30, 12)), kGreen), 3);
  EXPECT_TRUE(allNear(saved, QPointF(380, 20), kPlain, 3, 0));  // the picture itself, exact
  EXPECT_TRUE(allNear(saved, QPointF(30, 180), kPlain, 3, 0));
  EXPECT_EQ(onLine(saved, inPicture(QPointF(100, 300)), inPicture(QPointF(700, 300)), kRed, 0, 1), 0);

  // A second Save starts from the first one's path; the dialog asks before replacing
  // the file, and the same picture is written again.
  ASSERT_TRUE(writeBytes(out, "stale"));
  QString initial;
  modals_.expect("saveDialog", choose(out, [&](QWidget* box) {
                   initial = qobject_cast<QFileDialog*>(box)->selectedFiles().value(0);
                 }));
  modals_.expect("", closeBox);  // "already exists, replace it?": yes
  trigger("saveAction");
  EXPECT_EQ(initial, out);
  EXPECT_EQ(readBytes(out), bytes);
  // The Open dialog shares the name.
  EXPECT_EQ(nextDialogName(), out);
}

// The dialog offers bitmaps first, then PNG. It starts beside the picture with the
// picture's name and -标注, then with the name last saved to; a name typed without a
// suffix gets the chosen type's.
TEST_F(SaveTest, TheDialogSuggestsANameBesideThePictureAndAddsTheSuffix) {
  openPlain();
  setReference(QPointF(100, 150), QPointF(500, 150), "50");
  QStringList filters;
  QString started, selected;
  modals_.expect("saveDialog", choose(path("annotated"), [&](QWidget* box) {
                   auto* dialog = qobject_cast<QFileDialog*>(box);
                   filters = dialog->nameFilters();
                   selected = dialog->selectedNameFilter();  // as it is shown: the description
                   started = startName(box);
                 }));
  trigger("saveAction");
  EXPECT_EQ(filters, (QStringList{"位图 (*.bmp)", "PNG 图片 (*.png)"}));
  EXPECT_EQ(selected, "位图");
  EXPECT_EQ(started, path("plain-标注.bmp"));
  EXPECT_EQ(files(), (QStringList{"annotated.bmp", "plain.bmp"}));
  EXPECT_EQ(readBytes(path("annotated.bmp")).left(2), "BM");

  // PNG chosen in the list of types with the keyboard, as a user does.
  modals_.expect("saveDialog", choose(path("second"), [&](QWidget* box) {
                   started = startName(box);
                   auto* types = box->findChild<QComboBox*>("fileTypeCombo");
                   ASSERT_NE(types, nullptr);
                   QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
                   QApplication::sendEvent(types, &down);
                   selected = qobject_cast<QFileDialog*>(box)->selectedNameFilter();
                 }));
  trigger("saveAction");
  EXPECT_EQ(started, path("annotated.bmp"));
  EXPECT_EQ(selected, "PNG 图片");
  EXPECT_EQ(files(), (QStringList{"annotated.bmp", "plain.bmp", "second.png"}));
}

TEST_F(SaveTest, AnUnwritablePathIsReportedAndNothingIsHarmed) {
  const QString opened = openPlain();
  setReference(QPointF(100, 150), QPointF(500, 150), "50");
  const MeasurementSession before = session();

  // A folder that does not exist.
  const QString missing = path("missing/out.bmp");
  QString report;
  modals_.expect("saveDialog", choose(missing));
  modals_.expect("errorReport", acknowledge(&report));
  trigger("saveAction");
  EXPECT_TRUE(report.startsWith(QString("运行时错误 '%1':").arg(number(ErrorCode::kPathAccess))))
      << report.toStdString();
  EXPECT_FALSE(QFileInfo::exists(missing));

  // An existing file whose replacement cannot be written (even by root): its name is as
  // long as a name can be, so no temporary file can be made beside it under a longer one.
  const QString longest = path(QString(251, 'n') + ".bmp");
  ASSERT_TRUE(writeBytes(longest, "the original"));
  modals_.expect("saveDialog", choose(longest));
  modals_.expect("", closeBox);  // replace it: yes
  modals_.expect("errorReport", acknowledge(&report));
  trigger("saveAction");
  EXPECT_TRUE(report.startsWith(QString("运行时错误 '%1':").arg(number(ErrorCode::kPathAccess))))
      << report.toStdString();
  EXPECT_EQ(readBytes(longest), "the original");

  EXPECT_EQ(files(), (QStringList{longest.section('/', -1), "plain.bmp"}));
  EXPECT_TRUE(session() == before);
  EXPECT_EQ(commands().picturePath(), opened.toStdString());
  EXPECT_EQ(commands().pictureRect(), kWideRect);
}

// The Save dialog comes at once; the picture gone since Open is told after it, and
// nothing is written. Cancelled, nothing is told.
TEST_F(SaveTest, APictureGoneSinceOpenIsReportedAfterTheDialog) {
  const QString opened = openPlain();
  setReference(QPointF(100, 150), QPointF(500, 150), "50");
  const MeasurementSession before = session();
  ASSERT_TRUE(QFile::remove(opened));

  modals_.expect("saveDialog", cancel());
  trigger("saveAction");
  QString report;
  modals_.expect("saveDialog", choose(path("after.bmp")));
  modals_.expect("errorReport", acknowledge(&report));
  trigger("saveAction");
  EXPECT_TRUE(report.startsWith(QString("运行时错误 '%1':").arg(number(ErrorCode::kFileNotFound))))
      << report.toStdString();
  EXPECT_TRUE(session() == before);
  EXPECT_TRUE(action("measureAction")->isEnabled());
  EXPECT_TRUE(files().isEmpty());
}

TEST_F(SaveTest, BeforeAnyOpenOnlyAMessageIsShown) {
  QString text;
  modals_.expect("msgBox", acknowledge(&text));
  trigger("saveAction");
  EXPECT_EQ(text.toStdString(), texts::kNothingToSave);
  EXPECT_TRUE(files().isEmpty());
  // No name was chosen: the next dialog starts empty.
  EXPECT_EQ(nextDialogName(), "");
}

// The bitmap writer on its own, at widths whose rows need 0 to 3 bytes of padding, and a
// picture of 18 MB, written over many writes while the memory behind them is given back:
// Qt's reader must read back every pixel exactly, from a file of exactly the right size,
// and the picture handed to the writer keeps its pixels.
TEST(BitmapEncoding, RowsOfEveryPaddingReadBackExactly) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const auto& [width, height] : {std::pair{1, 7}, {2, 7}, {3, 7}, {4, 7}, {401, 7}, {3001, 1500}}) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < width; ++x) line[x] = qRgb(x * 37 % 256, y * 41 % 256, (x * y + x + y) % 256);
    }
    const QImage original = image.copy();
    const QString written = dir.filePath(QString("w%1.bmp").arg(width));
    qt::writeBitmap(image, qt::nativeName(written));
    EXPECT_EQ(image, original) << width;
    const QByteArray bytes = readBytes(written);
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    EXPECT_EQ(bytes.size(), 54 + qint64{rowBytes} * height) << width;
    QImage back(written, "bmp");
    ASSERT_FALSE(back.isNull()) << width;
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), original) << width;
  }
}

// The PNG encoder on its own: Qt's reader reads back every pixel exactly, for a single
// pixel, single rows and columns, halves of uneven height, a plain picture (one byte
// value in every block), noise (every byte value), and a picture of many blocks and
// chunks; the resolution goes with it. Asked to stop, it gives up.
TEST(PngEncoding, PicturesOfEveryShapeReadBackExactly) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  enum Fill { kGradient, kPlainColour, kNoise };
  const struct {
    int width, height;
    Fill fill;
  } rows[] = {{1, 1, kGradient},      {1, 9, kGradient},  {9, 1, kGradient},       {7, 3, kNoise},
              {64, 64, kPlainColour}, {300, 201, kNoise}, {3001, 1500, kGradient}, {1200, 900, kNoise}};
  std::uint32_t state = 7;
  for (const auto& [width, height, fill] : rows) {
    SCOPED_TRACE(::testing::Message() << width << " x " << height << " fill " << fill);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < width; ++x) {
        state = state * 1664525u + 1013904223u;
        line[x] = fill == kPlainColour ? kPlain.rgb()
                  : fill == kNoise     ? (state >> 8) | 0xFF000000u
                                       : qRgb(x * 37 % 256, y * 41 % 256, (x * y + x + y) % 256);
      }
    }
    image.setDotsPerMeterX(5906);  // 150 dots an inch
    image.setDotsPerMeterY(3937);
    const qt::BitmapRows laidOut(image.copy());
    std::atomic<bool> stop{false};
    const std::optional<qt::PngFile> png = qt::PngFile::encode(laidOut, stop);
    ASSERT_TRUE(png.has_value());
    const QString written = dir.filePath("w.png");
    png->writeTo(written.toStdString());
    EXPECT_EQ(QFileInfo(written).size(), png->size());
    QImageReader reader(written);
    EXPECT_EQ(reader.format(), "png");
    const QImage back = reader.read();
    ASSERT_FALSE(back.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), image);
    EXPECT_EQ(back.dotsPerMeterX(), 5906);
    EXPECT_EQ(back.dotsPerMeterY(), 3937);
    stop = true;
    EXPECT_FALSE(qt::PngFile::encode(laidOut, stop).has_value());
  }
}

}  // namespace
}  // namespace vantory::qttest
