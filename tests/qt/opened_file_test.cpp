// The file behind a picture once it is open: Save draws on the picture that was opened and
// tells when its file was replaced or written to since; a header swapped after the probe
// is checked again where it is decoded; a name that is not UTF-8 opens and saves under its
// own bytes.
#include <QBuffer>
#include <QFile>
#include <filesystem>
#include <fstream>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>

#include "core/texts.h"
#include "tests/qt/crafted_files.h"
#include "tests/qt/qt_support.h"
#include "tests/support/pictures.h"
#include "tests/support/scripted_program.h"

namespace vantory::qttest {
namespace {

using testing_support::errorOf;
using testing_support::ScriptedProgram;

QByteArray bitmapOf(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, "BMP"));
  return bytes;
}

// The bytes of the file named `path` (any bytes), or "" when there is none.
[[maybe_unused]] std::string contentOf(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(OpenedFile, ASaveOfAPictureChangedSinceOpenWritesNothingAndSaysSo) {
  QTemporaryDir dir;
  const QString picture = dir.filePath("photo.bmp"), out = dir.filePath("out.bmp");
  struct Change {
    const char* name;
    std::function<void()> make;
    ErrorCode error;
  };
  const std::vector<Change> changes = {
      // Another picture renamed over it, as a camera tool or a sync does.
      {"replaced",
       [&] {
         writeBytes(dir.filePath("new.bmp"), bitmapOf(noise(90, 60, 2))),
             std::filesystem::rename(qt::nativeName(dir.filePath("new.bmp")), qt::nativeName(picture));
       },
       ErrorCode::kPathAccess},
      // Written again in place, the same file.
      {"rewritten", [&] { writeBytes(picture, bitmapOf(noise(90, 60, 3))); }, ErrorCode::kPathAccess},
      {"deleted", [&] { QFile::remove(picture); }, ErrorCode::kFileNotFound},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.name);
    ASSERT_TRUE(writeBytes(picture, bitmapOf(noise(60, 40, 1))));
    ScriptedProgram program;
    ASSERT_TRUE(program.open(qt::nativeName(picture)));
    change.make();
    EXPECT_FALSE(program.save(qt::nativeName(out)));
    ASSERT_EQ(program.prompts.errors.size(), 1u);
    EXPECT_EQ(program.prompts.errors[0].first, number(change.error));
    if (change.error == ErrorCode::kPathAccess) {
      EXPECT_EQ(QString::fromStdString(program.prompts.errors[0].second),
                QString("路径/文件访问错误：") + QString(texts::kPictureChanged).arg(picture));
    }
    EXPECT_FALSE(QFile::exists(out));
    // Opened again, the picture as it is now is saved.
    if (QFile::exists(picture)) {
      program.prompts.errors.clear();
      ASSERT_TRUE(program.open(qt::nativeName(picture)));
      ASSERT_TRUE(program.save(qt::nativeName(out)));
      EXPECT_EQ(QImage(out).size(), QSize(90, 60));
      QFile::remove(out);
    }
  }
}

// A JPEG whose frame says 23000 x 23000 in as many bytes as the small one opened: written
// over it in place with its time put back, the file is the one opened to every check of
// its identity, and the decode refuses it on the header it reads itself (2 GB of pixels);
// renamed over it, the decode refuses it as another file.
TEST(OpenedFile, AHeaderSwappedAfterTheProbeIsRefusedBeforeItsMemoryIsTaken) {
  QTemporaryDir dir;
  const QString path = dir.filePath("photo.jpg");
  const QByteArray small = jpegOf(noise(64, 48, 5), false);
  const QByteArray huge = withFrameSize(small, 23000, 23000);
  ASSERT_EQ(small.size(), huge.size());
  ASSERT_TRUE(writeBytes(path, small));
  const qt::OpenedPicture opened = testing_support::probed(path);
  ASSERT_EQ(opened.upright(), QSize(64, 48));

  struct stat before {};
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
  QFile inPlace(path);
  ASSERT_TRUE(inPlace.open(QIODevice::ReadWrite));  // the same file, not truncated
  ASSERT_EQ(inPlace.write(huge), huge.size());
  inPlace.close();
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
  for (const QSize size : {QSize(), QSize(32, 24)}) {
    EXPECT_EQ(errorOf([&] { qt::decodePicture(opened, size); }), number(ErrorCode::kOutOfMemory));
  }

  ASSERT_TRUE(writeBytes(dir.filePath("other.jpg"), huge));
  std::filesystem::rename(qt::nativeName(dir.filePath("other.jpg")), qt::nativeName(path));
  EXPECT_EQ(errorOf([&] { qt::decodePicture(opened, QSize(32, 24)); }), number(ErrorCode::kPathAccess));
}

// On the Linux side; the portable side, on systems where names are text, refuses such a
// name rather than open or write another file.
TEST(OpenedFile, ANameThatIsNotUtf8OpensAndSavesUnderItsOwnBytes) {
  QTemporaryDir dir;
  const std::string folder = qt::nativeName(dir.path());
  const std::string picture = folder + "/bad\xff\xfename.bmp", out = folder + "/out\xff.bmp";
  const QByteArray bytes = bitmapOf(noise(60, 40, 7));
  std::ofstream(picture, std::ios::binary).write(bytes.constData(), bytes.size());
  ScriptedProgram program;
#if VANTORY_PORTABLE_SIDE
  EXPECT_FALSE(program.open(picture));
  ASSERT_EQ(program.prompts.errors.size(), 1u);
  EXPECT_EQ(program.prompts.errors[0].first, number(ErrorCode::kPathAccess));
  EXPECT_TRUE(QString::fromStdString(program.prompts.errors[0].second).contains(texts::kNameNotText));
#else
  ASSERT_TRUE(program.open(picture)) << program.prompts.errors.at(0).second;
  EXPECT_EQ(program.commands.picturePath(), picture);
  ASSERT_TRUE(program.save(out)) << program.prompts.errors.at(0).second;
  const std::string written = contentOf(out);
  EXPECT_EQ(written.substr(0, 2), "BM");
  EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(written)).size(), QSize(60, 40));
#endif
  EXPECT_FALSE(std::filesystem::exists(folder + "/out\xEF\xBF\xBD.bmp"));
}

}  // namespace
}  // namespace vantory::qttest
