// The table's file writer reports as Save does, and leaves nothing behind: a path it cannot
// write, and a link that leads nowhere, which stays a link. (A full disk goes through the
// same writer as Save's, tested with Save's under a file-size limit.)
#include "save/qt_text_files.h"
#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

// Whether writing to `path` fails with error 75 and a reason that contains `reason`.
bool refused(const QString& path, const char* reason) {
  try {
    qt::QtTextFiles().writeFile(path.toStdString(), "a");
  } catch (const AppError& error) {
    return error.code() == ErrorCode::kPathAccess && error.description().find(reason) != std::string::npos;
  }
  return false;
}

TEST(TextFiles, AFailedWriteIsReportedAndLeavesNothingBehind) {
  QTemporaryDir dir;
  EXPECT_TRUE(refused(dir.filePath("missing/t.csv"), "无法写入"));
  const QString dangling = dir.filePath("dangling.csv");
  ASSERT_TRUE(QFile::link(dir.filePath("nowhere/x.csv"), dangling));
  EXPECT_TRUE(refused(dangling, "符号链接"));
  EXPECT_TRUE(QFileInfo(dangling).isSymLink());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
            QStringList{"dangling.csv"});
}

}  // namespace
}  // namespace vantory::qttest
