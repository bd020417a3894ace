// The table of measurements exported for real: the dialog's file type, suggested name and
// suffix, and the writer's reports of a path it cannot write and of a full disk.
#include <sys/resource.h>
#include <QFileDialog>
#include <csignal>

#include "core/texts.h"
#include "save/qt_text_files.h"
#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

using TableExport = WindowTest;

TEST_F(TableExport, TheDialogSuggestsANameBesideThePictureAndAddsTheSuffix) {
  open(writeImage(dir_, "plain.bmp", filled(400, 200, Qt::gray), "bmp"));
  setReference(QPointF(100, 150), QPointF(500, 150), "50");
  QStringList filters;
  QString started;
  modals_.expect("exportDialog", choose(path("table"), [&](QWidget* box) {
                   filters = qobject_cast<QFileDialog*>(box)->nameFilters();
                   started = startName(box);
                 }));
  trigger("exportAction");
  EXPECT_EQ(filters, QStringList{"CSV 文件 (*.csv)"});
  EXPECT_EQ(started, path("plain-测量.csv"));
  EXPECT_TRUE(readBytes(path("table.csv")).startsWith("\xEF\xBB\xBF编号,类型,图片,"));
  EXPECT_EQ(modals_.pending(), 0);
}

// Whether writing `bytes` to `path` fails with error 75 and a reason that contains `reason`.
bool refused(const std::string& path, const std::string& bytes, const char* reason) {
  try {
    qt::QtTextFiles().writeFile(path, bytes);
  } catch (const AppError& error) {
    return error.code() == ErrorCode::kPathAccess && error.description().find(reason) != std::string::npos;
  }
  return false;
}

TEST(TextFiles, AFailedWriteIsReportedAndLeavesTheFileAsItWas) {
  QTemporaryDir dir;
  EXPECT_TRUE(refused(dir.filePath("missing/t.csv").toStdString(), "a", "无法写入"));
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing")));

  // A full disk: the size of a file limited to 1 kB, a write beyond it refused.
  const QString kept = dir.filePath("t.csv");
  ASSERT_TRUE(writeBytes(kept, "the original"));
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = before;
  small.rlim_cur = 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool full = refused(kept.toStdString(), std::string(4096, 'x'), "磁盘已满");
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, oldSignal);
  EXPECT_TRUE(full);
  EXPECT_EQ(readBytes(kept), "the original");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"t.csv"});  // no temporary file left
}

}  // namespace
}  // namespace vantory::qttest
