// Save's work on its own thread: the picture read and drawn while the dialog is open, the
// file written on confirm, Cancel throwing the work away, one Save after the other, and
// the outcome told back on the commands' thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <future>
#include <memory>
#include <optional>
#include <stdexcept>

#include "core/errors.h"
#include "draw/image_painter.h"
#include "draw/label_images.h"
#include "picture/bitmap_writer.h"
#include "picture/file_names.h"
#include "save/qt_picture_files.h"
#include "tests/support/pictures.h"

namespace vantory::qt {
namespace {

QImage pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x ^ y) & 255));
  }
  return image;
}

QByteArray bytesOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A red line across the picture.
void aLine(Painter& painter, TwipSize size) {
  painter.line({0, 0}, {size.width, size.height}, Ink::kReference);
}

// The outcome of a Save, as the commands' thread is told it.
struct Outcome {
  bool told = false;
  std::optional<int> error;
  bool onTheCommandsThread = false;
  std::function<void(const AppError*)> callback() {
    return [this](const AppError* e) {
      told = true;
      if (e) error = e->number();
      onTheCommandsThread = QThread::currentThread() == QApplication::instance()->thread();
    };
  }
};

class SaveQueue : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(QImageWriter(path("photo.png"), "png").write(pattern(320, 200)));
  }
  QString path(const char* name) const { return dir_.filePath(name); }
  // What the same Save writes when done at once, in the foreground.
  QByteArray expected(const char* picture) {
    QImage image = testing_support::decoded(path(picture));
    QImage drawn = image.convertToFormat(QImage::Format_RGB32);
    {
      LabelImages labels(QApplication::font());
      ImagePainter painter(drawn, labels, ImagePainter::Labels::kDirect);
      aLine(painter, {toTwips(drawn.width()), toTwips(drawn.height())});
    }
    writeBitmap(drawn, nativeName(path("expected.bmp")));
    return bytesOf(path("expected.bmp"));
  }

  QTemporaryDir dir_;
  QtPictureFiles files_;
};

TEST_F(SaveQueue, WritesOnConfirmWhatTheForegroundWouldAndTellsItOnTheCommandsThread) {
  Outcome outcome;
  std::unique_ptr<ExportJob> job = files_.prepareExport(path("photo.png").toStdString(), aLine);
  job->writeTo(path("out.bmp").toStdString(), outcome.callback());
  job.reset();  // written, not dropped
  files_.finishExports();
  EXPECT_TRUE(outcome.told);
  EXPECT_FALSE(outcome.error);
  EXPECT_TRUE(outcome.onTheCommandsThread);
  EXPECT_EQ(bytesOf(path("out.bmp")), expected("photo.png"));
}

TEST_F(SaveQueue, CancelThrowsTheWorkAwayAndWritesNothing) {
  // A first Save, cancelled while its picture is being drawn; a second, cancelled before
  // the thread comes to it: that one is not even read.
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> drawnAfter = 0;
  {
    const std::unique_ptr<ExportJob> busy =
        files_.prepareExport(path("photo.png").toStdString(), [released](Painter& p, TwipSize s) {
          released.wait();
          aLine(p, s);
        });
    const std::unique_ptr<ExportJob> dropped = files_.prepareExport(
        path("photo.png").toStdString(), [&](Painter& p, TwipSize s) { ++drawnAfter, aLine(p, s); });
  }  // both dialogs cancelled
  release.set_value();
  files_.finishExports();
  EXPECT_EQ(drawnAfter, 0);
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"photo.png"});
  // The next Save goes on as usual.
  Outcome outcome;
  files_.prepareExport(path("photo.png").toStdString(), aLine)
      ->writeTo(path("out.bmp").toStdString(), outcome.callback());
  files_.finishExports();
  EXPECT_EQ(bytesOf(path("out.bmp")), expected("photo.png"));
}

// The picture deleted while the dialog is open (before the Save thread has read it): the
// error comes after the dialog, and nothing is written.
TEST_F(SaveQueue, APictureDeletedDuringTheDialogIsToldAfterItAndNothingIsWritten) {
  ASSERT_TRUE(QFile::copy(path("photo.png"), path("doomed.png")));
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  // A first Save holds the thread until the test lets it go.
  Outcome first, second;
  files_
      .prepareExport(path("photo.png").toStdString(),
                     [released](Painter& p, TwipSize s) {
                       released.wait();
                       aLine(p, s);
                     })
      ->writeTo(path("first.bmp").toStdString(), first.callback());
  std::unique_ptr<ExportJob> job = files_.prepareExport(path("doomed.png").toStdString(), aLine);
  ASSERT_TRUE(QFile::remove(path("doomed.png")));
  release.set_value();
  job->writeTo(path("second.bmp").toStdString(), second.callback());
  files_.finishExports();
  EXPECT_FALSE(first.error);
  ASSERT_TRUE(second.told);
  EXPECT_EQ(second.error, 53);
  EXPECT_FALSE(QFile::exists(path("second.bmp")));
}

// A Save chosen while an earlier one is still at work waits for it: its picture is read
// only once the earlier file is complete, so one picture at natural size is held at most.
TEST_F(SaveQueue, ASecondSaveWaitsUntilTheFirstIsWritten) {
  ASSERT_TRUE(QImageWriter(path("big.png"), "png").write(pattern(2000, 1500)));
  QByteArray firstWhenSecondStarted;
  Outcome first, second;
  files_.prepareExport(path("big.png").toStdString(), aLine)
      ->writeTo(path("first.bmp").toStdString(), first.callback());
  files_
      .prepareExport(path("photo.png").toStdString(),
                     [&](Painter& p, TwipSize s) {
                       firstWhenSecondStarted = bytesOf(path("first.bmp"));
                       aLine(p, s);
                     })
      ->writeTo(path("second.bmp").toStdString(), second.callback());
  files_.finishExports();
  EXPECT_FALSE(first.error);
  EXPECT_FALSE(second.error);
  EXPECT_EQ(firstWhenSecondStarted, bytesOf(path("first.bmp")));
  EXPECT_EQ(firstWhenSecondStarted, expected("big.png"));
  EXPECT_EQ(bytesOf(path("second.bmp")), expected("photo.png"));
}

// Whatever the work throws, a failed allocation or anything else, reaches the user as the
// error report, and nothing is written.
TEST_F(SaveQueue, AnExceptionInTheWorkIsReportedAndWritesNothing) {
  const std::vector<std::pair<std::function<void()>, int>> failures = {
      {[] { throw std::bad_alloc(); }, 7},
      {[] { throw std::runtime_error("broken"); }, 51},
      {[] { throw 42; }, 51}};
  for (const auto& [thrown, error] : failures) {
    Outcome outcome;
    files_.prepareExport(path("photo.png").toStdString(), [&](Painter&, TwipSize) { thrown(); })
        ->writeTo(path("out.bmp").toStdString(), outcome.callback());
    files_.finishExports();
    EXPECT_EQ(outcome.error, error);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"photo.png"});
  }
}

// Save to a symbolic link writes the file at the end of its chain, as editors do, and the
// links stay; a loop or a dangling link is refused, and nothing is replaced or made.
TEST_F(SaveQueue, ThroughSymbolicLinksTheFileTheyPointToIsWritten) {
  ASSERT_TRUE(QFile(path("target.bmp")).open(QIODevice::WriteOnly));
  struct Link {
    const char* name;
    const char* to;
  };
  for (const Link link :
       {Link{"link.bmp", "target.bmp"}, Link{"chain.bmp", "link.bmp"}, Link{"loop-a.bmp", "loop-b.bmp"},
        Link{"loop-b.bmp", "loop-a.bmp"}, Link{"dangling.bmp", "missing.bmp"}}) {
    ASSERT_TRUE(QFile::link(link.to, path(link.name)));
  }
  const QByteArray drawn = expected("photo.png");
  const QStringList before = QDir(dir_.path()).entryList(QDir::Files | QDir::System);
  const std::vector<std::pair<const char*, std::optional<int>>> saves = {
      {"link.bmp", std::nullopt}, {"chain.bmp", std::nullopt}, {"loop-a.bmp", 75}, {"dangling.bmp", 75}};
  for (const auto& [name, error] : saves) {
    SCOPED_TRACE(name);
    QFile::resize(path("target.bmp"), 0);
    Outcome outcome;
    files_.prepareExport(path("photo.png").toStdString(), aLine)
        ->writeTo(path(name).toStdString(), outcome.callback());
    files_.finishExports();
    EXPECT_EQ(outcome.error, error);
    EXPECT_EQ(bytesOf(path("target.bmp")), error ? QByteArray() : drawn);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::System), before);
    for (const char* each : {"link.bmp", "chain.bmp", "loop-a.bmp", "loop-b.bmp", "dangling.bmp"})
      EXPECT_TRUE(QFileInfo(path(each)).isSymLink()) << each;
  }
}

TEST_F(SaveQueue, APathThatCannotBeWrittenIsToldAndLeavesNothing) {
  Outcome outcome;
  files_.prepareExport(path("photo.png").toStdString(), aLine)
      ->writeTo(path("no-folder/out.bmp").toStdString(), outcome.callback());
  files_.finishExports();
  EXPECT_EQ(outcome.error, 75);
  EXPECT_FALSE(QDir(path("no-folder")).exists());
}

// A name ending in .png, in any case, writes a PNG of the very pixels the bitmap holds; any
// other name a bitmap. The name may come before the picture is ready or after it (when
// the PNG has been encoded while the dialog was open).
TEST_F(SaveQueue, ANameEndingInPngWritesAPngOfTheBitmapsPixels) {
  const struct {
    const char* name;
    bool afterReady;
    QByteArray format;
  } rows[] = {{"out.png", false, "png"},
              {"OUT.PNG", true, "png"},
              {"out.bmp", true, "bmp"},
              {"out.jpg", false, "bmp"},
              {"out.Png.bmp", false, "bmp"}};
  QImage drawn;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Outcome outcome;
    std::unique_ptr<ExportJob> job = files_.prepareExport(path("photo.png").toStdString(), aLine);
    if (row.afterReady) files_.finishExports();
    job->writeTo(path(row.name).toStdString(), outcome.callback());
    files_.finishExports();
    ASSERT_TRUE(outcome.told);
    EXPECT_FALSE(outcome.error);
    QImageReader reader(path(row.name));
    reader.setDecideFormatFromContent(true);
    EXPECT_EQ(reader.format(), row.format);
    const QImage read = reader.read().convertToFormat(QImage::Format_RGB32);
    if (drawn.isNull()) drawn = read;
    EXPECT_EQ(read, drawn);
  }
  EXPECT_EQ(bytesOf(path("out.bmp")), expected("photo.png"));
}

// Closing the program with a Save confirmed but not yet written finishes the file.
TEST_F(SaveQueue, ASaveConfirmedIsWrittenEvenAsTheProgramCloses) {
  {
    QtPictureFiles closing;
    closing.prepareExport(path("photo.png").toStdString(), aLine)
        ->writeTo(path("out.bmp").toStdString(), [](const AppError*) {});
    const std::unique_ptr<ExportJob> unconfirmed =
        closing.prepareExport(path("photo.png").toStdString(), aLine);
  }
  EXPECT_EQ(bytesOf(path("out.bmp")), expected("photo.png"));
  EXPECT_EQ(QDir(dir_.path()).entryList({"*.bmp"}, QDir::Files), (QStringList{"expected.bmp", "out.bmp"}));
}

}  // namespace
}  // namespace vantory::qt
