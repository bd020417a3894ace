// Bad files. Files crafted here announce a small picture in the header their reader
// reports and need gigabytes to decode, or are cut off or damaged where the decoder's
// warnings would not tell. Each is refused with the report of its kind, quickly, with the
// peak memory far below what the file asks for, and nothing the user had is changed.
// What could harm the test process itself runs in the picture child.
#include <QFile>
#include <functional>

#include "tests/qt/child_run.h"
#include "tests/qt/crafted_files.h"
#include "tests/qt/qt_support.h"
#include "tests/support/pictures.h"

namespace vantory::qttest {
namespace {

struct Crafted {
  const char* name;
  std::function<QByteArray()> make;
  ErrorCode error;  // what Open reports
};

const std::vector<Crafted>& craftedFiles() {
  static const std::vector<Crafted> kFiles = {
      // The directory says 16 x 16; the entry holds a PNG of 16384 x 16384.
      {"lying.ico", [] { return iconHolding(zeroPng(16384, 16384, 8, 6, false), 16, 16); },
       ErrorCode::kOutOfMemory},
      // 8-bit run-length bitmap of 16384 x 16384 with only its end code as data.
      {"runs.bmp", [] { return rleBitmap(16384, 16384); }, ErrorCode::kOutOfMemory},
      // Interlaced: decoded whole for display, then copied to scale it.
      {"interlaced.png", [] { return zeroPng(16384, 16384, 8, 6, true); }, ErrorCode::kOutOfMemory},
      // One zip-compressed strip of 768 MB besides the picture.
      {"zip.tiff", [] { return zipTiff(16384, 16384); }, ErrorCode::kOutOfMemory},
      // A progressive JPEG whose frame says 16384 x 16384: libjpeg's coefficients alone
      // take 768 MB.
      {"progressive.jpg", [] { return withFrameSize(jpegOf(noise(64, 64, 7), true), 16384, 16384); },
       ErrorCode::kOutOfMemory},
      // 16-bit colour: 8 bytes a pixel, then converted: 1.6 GB for 12000 x 12000.
      {"deep.png", [] { return zeroPng(12000, 12000, 16, 2, false); }, ErrorCode::kOutOfMemory},
      // A baseline JPEG whose frame says 16384 x 16384 with a few hundred bytes of data:
      // within the limit, and refused as incomplete once decoded.
      {"cut.jpg", [] { return withFrameSize(jpegOf(noise(64, 64, 9), false), 16384, 16384); },
       ErrorCode::kInvalidPicture},
  };
  return kFiles;
}

using BadFilesTest = WindowTest;

TEST_F(BadFilesTest, CraftedFilesAreRefusedWithTheirReportAndNothingChanges) {
  const QString good = writeImage(dir_, "good.bmp", filled(400, 200, QColor(40, 90, 160)), "bmp");
  open(good);
  setReference(QPointF(100, 150), QPointF(500, 150), "50");
  const MeasurementSession before = session();
  const QImage shown = screen().copy();

  for (const Crafted& crafted : craftedFiles()) {
    SCOPED_TRACE(crafted.name);
    const QString file = path(crafted.name);
    ASSERT_TRUE(writeBytes(file, crafted.make()));
    QString report;
    modals_.expect("openDialog", choose(file));
    modals_.expect("errorReport", acknowledge(&report));
    trigger("openAction");
    EXPECT_TRUE(report.startsWith(QString("运行时错误 '%1':").arg(number(crafted.error))))
        << report.toStdString();
    EXPECT_TRUE(report.contains(file)) << report.toStdString();
    if (crafted.error == ErrorCode::kOutOfMemory) {
      EXPECT_TRUE(report.contains("内存不足")) << report.toStdString();
      EXPECT_TRUE(report.contains("像素")) << report.toStdString();  // with its size
    }
    EXPECT_TRUE(session() == before);
    EXPECT_EQ(commands().picturePath(), good.toStdString());
    EXPECT_EQ(commands().pictureRect(), kWideRect);
    EXPECT_TRUE(screen() == shown);
  }
}

TEST_F(BadFilesTest, CraftedFilesAreRefusedQuicklyWithoutTheirMemory) {
  const double baseline = baselineMb(dir_);
  for (const Crafted& crafted : craftedFiles()) {
    SCOPED_TRACE(crafted.name);
    const QString file = path(crafted.name);
    ASSERT_TRUE(writeBytes(file, crafted.make()));
    for (const char* mode : {"open", "save"}) {
      const QString out = path("out.bmp");
      const ChildResult r = runChild({mode, file, out});
      ASSERT_TRUE(r.finished);
      EXPECT_EQ(r.error, number(crafted.error)) << ::testing::PrintToString(r);
      EXPECT_LT(r.elapsedMs, 10000) << ::testing::PrintToString(r);
      // Refused before the picture's memory is taken: a few MB of header and buffers.
      EXPECT_LT(r.peakMb, baseline + 64) << ::testing::PrintToString(r);
      EXPECT_FALSE(QFileInfo::exists(out));
      std::printf("[ measured ] %-16s %s: error %d, peak %.0f MB (baseline %.0f MB), %.0f ms\n", crafted.name,
                  mode, r.error, r.peakMb, baseline, r.elapsedMs);
    }
    QFile::remove(file);
  }
}

// What passes the check does fit: a run-length bitmap just inside the limit is read in
// full with the peak within the limit and 64 MB; a little larger is refused at Open. Qt's
// reader decodes it at a byte a pixel; shown, it is then converted to 32-bit pixels to be
// scaled (6 bytes a pixel at the peak), and for Save converted to 32-bit pixels (5). (The
// Save is made to a folder that does not exist, so that the whole picture is read and
// nothing is written.)
TEST(DecodeCost, APictureJustInsideTheLimitStaysWithinItAndOneJustOutsideIsRefused) {
  QTemporaryDir dir;
  const double baseline = baselineMb(dir);
  const QString inside = dir.filePath("inside.bmp");
  const QString outside = dir.filePath("outside.bmp");
  ASSERT_TRUE(writeBytes(inside, rleBitmap(13300, 13300)));   // 6 x 169 MB: 1061 MB
  ASSERT_TRUE(writeBytes(outside, rleBitmap(13450, 13450)));  // 6 x 173 MB: 1085 MB
  const ChildResult read = runChild({"save", inside, dir.filePath("no-folder/out.bmp")}, 60000);
  ASSERT_TRUE(read.finished);
  EXPECT_EQ(read.error, number(ErrorCode::kPathAccess)) << ::testing::PrintToString(read);
  EXPECT_GT(read.peakMb, baseline + 800) << "the picture was not read in full";
  EXPECT_LT(read.peakMb, baseline + kLimitMb + 64) << ::testing::PrintToString(read);
  std::printf("[ measured ] 13300 x 13300 RLE bitmap shown and read for Save: peak %.0f MB, %.0f ms\n",
              read.peakMb, read.elapsedMs);
  const ChildResult refused = runChild({"open", outside});
  EXPECT_EQ(refused.error, number(ErrorCode::kOutOfMemory)) << ::testing::PrintToString(refused);
  EXPECT_LT(refused.peakMb, baseline + 64) << ::testing::PrintToString(refused);
}

// What Qt's readers and libjpeg do not count against their own limits is counted at Open,
// from the header alone: the copy that turns a picture upright, the premultiplied copy
// made to scale a picture with alpha (Qt's WebP reader does not tell its pixel format), so
// that one of 12000 x 12000 opens plain and is refused turned or transparent.
TEST(DecodeCost, TheCopiesQtDoesNotCountAreCountedAtOpen) {
  QTemporaryDir dir;
  const QByteArray jpeg = withFrameSize(jpegOf(noise(64, 48, 3), false), 12000, 12000);
  const std::vector<std::tuple<const char*, QByteArray, int>> files = {
      {"plain.jpg", jpeg, 0},
      {"turned.jpg", withExifOrientation(jpeg, 6), number(ErrorCode::kOutOfMemory)},
      {"lossy.webp", webpWithSize(false, 12000, 12000), 0},
      {"alpha.webp", webpWithSize(true, 12000, 12000), number(ErrorCode::kOutOfMemory)}};
  for (const auto& [name, bytes, error] : files) {
    SCOPED_TRACE(name);
    const QString file = dir.filePath(name);
    ASSERT_TRUE(writeBytes(file, bytes));
    int refused = 0;
    try {
      EXPECT_EQ(testing_support::probedSize(file), QSize(12000, 12000));
    } catch (const AppError& e) {
      refused = e.number();
    }
    EXPECT_EQ(refused, error);
  }
}

TEST(DecodeCost, SmallPicturesOfTheSameKindsStillOpen) {
  QTemporaryDir dir;
  const std::vector<std::pair<const char*, QByteArray>> files = {
      {"small.ico", iconHolding(zeroPng(240, 160, 8, 6, false), 240, 160)},
      {"small.bmp", rleBitmap(240, 160)},
      {"small.png", zeroPng(240, 160, 8, 6, true)},
      {"small.tiff", zipTiff(240, 160)},
      {"small-deep.png", zeroPng(240, 160, 16, 2, false)},
      {"small.jpg", jpegOf(noise(240, 160, 3), true)}};
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const QString file = dir.filePath(name);
    ASSERT_TRUE(writeBytes(file, bytes));
    EXPECT_EQ(testing_support::probedSize(file), QSize(240, 160));
    EXPECT_EQ(testing_support::decoded(file, QSize(120, 80)).size(), QSize(120, 80));
    EXPECT_EQ(testing_support::decoded(file).size(), QSize(240, 160));
  }
}

// ---------------------------------------------------------------- JPEG damage

class JpegDamage : public ::testing::Test {
 protected:
  // The error number of an Open and both decodes of `bytes`; 0 for none.
  int errorOf(const QByteArray& bytes) {
    const QString file = dir_.filePath("cut.jpg");
    if (!writeBytes(file, bytes)) return -1;
    try {
      testing_support::probedSize(file);
      testing_support::decoded(file, QSize(30, 20));
      testing_support::decoded(file);
    } catch (const AppError& error) {
      return error.number();
    }
    return 0;
  }
  // The lengths at which a cut of `whole` is not refused with 481.
  QList<int> takenCuts(const QByteArray& whole) {
    QList<int> taken;
    for (int length = 0; length < whole.size(); ++length) {
      if (errorOf(whole.left(length)) != number(ErrorCode::kInvalidPicture)) taken << length;
    }
    return taken;
  }

  QTemporaryDir dir_;
};

TEST_F(JpegDamage, EveryCutOfABaselineAndOfAProgressiveFileIsRefused) {
  for (const bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "progressive" : "baseline");
    const QByteArray whole = jpegOf(noise(48, 32, 11), progressive);
    ASSERT_EQ(errorOf(whole), 0);
    EXPECT_EQ(takenCuts(whole), QList<int>());
  }
}

TEST_F(JpegDamage, StrayBytesBeforeAMarkerDoNotHideACut) {
  const QByteArray whole = jpegOf(noise(48, 32, 13), false);
  // One 0x00 before the first quantisation table: libjpeg warns of extraneous bytes, which
  // camera files often carry and which harm no pixel.
  const qsizetype table = whole.indexOf(QByteArray("\xFF\xDB", 2));
  ASSERT_GT(table, 0);
  QByteArray stray = whole;
  stray.insert(table, '\0');
  EXPECT_EQ(errorOf(stray), 0);
  EXPECT_EQ(takenCuts(stray), QList<int>());
}

}  // namespace
}  // namespace vantory::qttest
