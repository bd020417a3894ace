// The table's file writer: a path it cannot write, a link that leads nowhere and a full
// disk are reported, and leave no file behind and an existing one as it was.
#include <sys/resource.h>
#include <csignal>

#include "save/qt_text_files.h"
#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

// Whether writing `bytes` to `path` fails with error 75 and a reason that contains `reason`.
bool refused(const QString& path, const std::string& bytes, const char* reason) {
  try {
    qt::QtTextFiles().writeFile(path.toStdString(), bytes);
  } catch (const AppError& error) {
    return error.code() == ErrorCode::kPathAccess && error.description().find(reason) != std::string::npos;
  }
  return false;
}

TEST(TextFiles, AFailedWriteIsReportedAndLeavesTheFileAsItWas) {
  QTemporaryDir dir;
  EXPECT_TRUE(refused(dir.filePath("missing/t.csv"), "a", "无法写入"));
  // A link that leads nowhere is not replaced by a file.
  const QString dangling = dir.filePath("dangling.csv");
  ASSERT_TRUE(QFile::link(dir.filePath("nowhere/x.csv"), dangling));
  EXPECT_TRUE(refused(dangling, "a", "符号链接"));
  EXPECT_TRUE(QFileInfo(dangling).isSymLink());
  ASSERT_TRUE(QFile::remove(dangling));
  // A full disk: files limited to 1 kB (the signal of a write beyond it ignored).
  const QString kept = dir.filePath("t.csv");
  ASSERT_TRUE(writeBytes(kept, "the original"));
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  rlimit small = before;
  small.rlim_cur = 1024;
  const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool full = refused(kept, std::string(4096, 'x'), "磁盘已满");
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, oldSignal);
  EXPECT_TRUE(full);
  EXPECT_EQ(readBytes(kept), "the original");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"t.csv"});
}

}  // namespace
}  // namespace vantory::qttest
