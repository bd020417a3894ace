// Low memory, a full disk, and a named pipe where a picture was: allocations are made to
// fail and writes to stop short in the picture child, which runs Open or Save once under
// those limits; each is reported with the error of its kind, and nothing the user had is
// changed or written.
#include <QFile>

#include <sys/stat.h>

#include "tests/qt/child_run.h"
#include "tests/qt/crafted_files.h"
#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

// ---------------------------------------------------------------- not a regular file

TEST(NotARegularFile, ANamedPipeIsRefusedAtOnceAtOpenAndAtSave) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath("pipe.jpg");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const ChildResult opened = runChild({"open", fifo}, 20000);
  ASSERT_TRUE(opened.finished) << "Open blocked on a named pipe";
  EXPECT_EQ(opened.error, number(ErrorCode::kPathAccess)) << ::testing::PrintToString(opened);
  EXPECT_TRUE(opened.description.contains(fifo)) << ::testing::PrintToString(opened);
  EXPECT_LT(opened.elapsedMs, 5000);

  // The picture replaced by a pipe between Open and Save.
  const QString picture = writeImage(dir, "photo.jpg", noise(60, 40, 5), "jpg");
  const QString out = dir.filePath("out.bmp");
  const ChildResult saved = runChild({"save", picture, out, "--fifo"}, 20000);
  ASSERT_TRUE(saved.finished) << "Save blocked on a named pipe";
  EXPECT_EQ(saved.error, number(ErrorCode::kPathAccess)) << ::testing::PrintToString(saved);
  EXPECT_FALSE(QFileInfo::exists(out));
}

// ---------------------------------------------------------------- failed allocations

TEST(FailedAllocation, OpenAndSaveReportOutOfMemoryAndWriteNothing) {
  QTemporaryDir dir;
  // 3000 x 2000: 23 MB of 32-bit pixels, with 12 MB of address space to spare.
  const QImage picture = noise(3000, 2000, 17);
  struct Case {
    const char* name;
    const char* format;
    const char* mode;
  };
  // A TIFF is decoded whole even to be shown; a BMP is reduced as it is read, and needs its
  // whole picture only for Save.
  for (const Case c : {Case{"photo.tif", "tiff", "open"}, Case{"photo.bmp", "bmp", "save"},
                       Case{"photo.jpg", "jpg", "save"}, Case{"photo.png", "png", "save"}}) {
    SCOPED_TRACE(c.name);
    const QString path = writeImage(dir, c.name, picture, c.format);
    const QString out = dir.filePath("out.bmp");
    ASSERT_TRUE(writeBytes(out, "the original"));
    const QStringList before = fileNames(dir.path());
    const ChildResult r = runChild({c.mode, path, out, "--as-mb", "12"});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.error, number(ErrorCode::kOutOfMemory)) << ::testing::PrintToString(r);
    EXPECT_EQ(fileNames(dir.path()), before);  // no partial file, no temporary file
    EXPECT_EQ(readBytes(out), "the original");
    // Without the limit the same steps work.
    const ChildResult free = runChild({c.mode, path, out});
    EXPECT_EQ(free.error, 0) << ::testing::PrintToString(free);
    if (QString(c.format) == "bmp") {
      // The BMP opens under the limit: shown, it is reduced as it is read, in two halves
      // at once, the second on a thread that reserves little address space.
      const ChildResult shown = runChild({"open", path, "--as-mb", "12"});
      EXPECT_EQ(shown.error, 0) << ::testing::PrintToString(shown);
    }
  }
}

// ---------------------------------------------------------------- a full disk

TEST(FullDisk, AShortWriteIsReportedAsSuchAndLeavesNoFile) {
  // Noise, which no PNG makes much smaller: 360 KB of bitmap, about as much PNG; the disk
  // takes 100 KB.
  QImage noise(400, 300, QImage::Format_RGB32);
  std::uint32_t state = 1;
  for (int y = 0; y < noise.height(); ++y) {
    for (int x = 0; x < noise.width(); ++x) {
      state = state * 1664525u + 1013904223u;
      noise.setPixel(x, y, state >> 8);
    }
  }
  for (const char* name : {"out.bmp", "out.png"}) {
    SCOPED_TRACE(name);
    QTemporaryDir dir;
    const QString picture = writeImage(dir, "noise.bmp", noise, "bmp");
    const QString out = dir.filePath(name);
    const QStringList before = fileNames(dir.path());
    ChildResult r = runChild({"save", picture, out, "--fsize", "100000"});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.error, number(ErrorCode::kPathAccess)) << ::testing::PrintToString(r);
    EXPECT_TRUE(r.description.contains(QString("无法写入“%1”（磁盘已满或写入失败").arg(out)))
        << ::testing::PrintToString(r);
    EXPECT_FALSE(r.description.contains("位图格式的范围")) << ::testing::PrintToString(r);
    EXPECT_EQ(fileNames(dir.path()), before);

    // An existing file is left as it was.
    ASSERT_TRUE(writeBytes(out, "the original"));
    r = runChild({"save", picture, out, "--fsize", "100000"});
    EXPECT_EQ(r.error, number(ErrorCode::kPathAccess)) << ::testing::PrintToString(r);
    EXPECT_EQ(readBytes(out), "the original");
    QStringList withOut = before + QStringList{name};
    withOut.sort();
    EXPECT_EQ(fileNames(dir.path()), withOut);
  }
}

}  // namespace
}  // namespace vantory::qttest
