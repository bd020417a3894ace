// The file dialogs list a folder from the file names alone: Qt's own icon provider reads
// the start of every file it lists to learn its type, and a file whose reading blocks
// (such as /proc/kmsg) would freeze the dialog and the program with it.
#include <sys/inotify.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QSet>

#include "tests/qt/qt_support.h"
#include "ui/prompts.h"

namespace vantory::qttest {
namespace {

// The names of the files in a folder that were opened or read while it was watched.
class OpenedFiles {
 public:
  explicit OpenedFiles(const QString& folder) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ >= 0) inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_OPEN | IN_ACCESS);
  }
  ~OpenedFiles() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool watching() const { return fd_ >= 0; }
  QSet<QString> names() {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
      const ssize_t got = ::read(fd_, buffer, sizeof buffer);
      if (got <= 0) break;
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if (event->len > 0 && !(event->mask & IN_ISDIR)) names_.insert(QString::fromUtf8(event->name));
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    return names_;
  }

 private:
  int fd_;
  QSet<QString> names_;
};

// Shows the dialog in its detail view (icons and the type column) once the folder is
// listed, paints it, and closes it. The dialog lists the files of the selected type; the
// others are looked at all the same.
ModalScript::Action listThenCancel(bool* listed) {
  return [=](QWidget* box) {
    auto* dialog = qobject_cast<QFileDialog*>(box);
    ASSERT_NE(dialog, nullptr);
    dialog->setViewMode(QFileDialog::Detail);
    auto* model = dialog->findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    const QModelIndex root = model->index(dialog->directory().absolutePath());
    QElapsedTimer waited;
    waited.start();
    while (model->rowCount(root) == 0 && waited.elapsed() < 2000) {
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    *listed = model->rowCount(root) > 0;
    for (int row = 0; row < model->rowCount(root); ++row) {
      for (int column = 0; column < model->columnCount(root); ++column) {
        const QModelIndex index = model->index(row, column, root);
        model->data(index, Qt::DisplayRole);
        model->data(index, Qt::DecorationRole);
      }
    }
    dialog->grab();  // paints every visible row
    for (int i = 0; i < 10; ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
    dialog->reject();
  };
}

TEST(FileDialogs, ListAFolderWithoutReadingItsFiles) {
  QTemporaryDir dir;
  // Names that tell nothing of the type, and names of the listed types.
  const QStringList names{"notes", "kmsg", "data.xyz", "photo.jpg", "scan.bmp"};
  for (const QString& name : names) ASSERT_TRUE(writeBytes(dir.filePath(name), "some bytes\n"));
  OpenedFiles opened(dir.path());
  ASSERT_TRUE(opened.watching());

  for (const bool save : {false, true}) {
    SCOPED_TRACE(save ? "save" : "open");
    ModalScript modals;
    bool listed = false;
    modals.expect(save ? "saveDialog" : "openDialog", listThenCancel(&listed));
    qt::DialogPrompts prompts({}, {});
    const std::string initial = dir.filePath("notes").toStdString();
    const std::string chosen = save ? prompts.chooseFileToSave(initial) : prompts.chooseFileToOpen(initial);
    EXPECT_TRUE(listed);
    EXPECT_EQ(modals.pending(), 0u);
    EXPECT_TRUE(modals.problems().empty());
    EXPECT_EQ(chosen, "");  // cancelled
  }
  EXPECT_EQ(opened.names(), QSet<QString>());
}

// Types and icons come from the name: a known extension gives its type.
TEST(FileDialogs, TypesFollowTheFileName) {
  QTemporaryDir dir;
  ASSERT_TRUE(writeBytes(dir.filePath("photo.jpg"), "not really a JPEG"));
  ASSERT_TRUE(writeBytes(dir.filePath("plain"), "\x89PNG\r\n\x1a\n"));  // PNG bytes, no name
  const qt::NameOnlyIconProvider icons;
  QMimeDatabase types;
  EXPECT_EQ(icons.type(QFileInfo(dir.filePath("photo.jpg"))), types.mimeTypeForName("image/jpeg").comment());
  EXPECT_EQ(icons.type(QFileInfo(dir.filePath("plain"))),
            types.mimeTypeForName("application/octet-stream").comment());
  EXPECT_EQ(icons.type(QFileInfo(dir.path())), QFileIconProvider().type(QFileInfo(dir.path())));
  EXPECT_FALSE(icons.icon(QFileInfo(dir.filePath("plain"))).isNull());
}

}  // namespace
}  // namespace vantory::qttest
