// The window itself: title, client size, menu bar and its keys, start-up states, About,
// Exit and the file types the Open dialog offers.
#include <QComboBox>
#include <QFileDialog>
#include <QImageReader>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <map>

#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

QStringList captions(const QList<QAction*>& actions) {
  QStringList texts;
  for (const QAction* action : actions) texts << (action->isSeparator() ? "-" : action->text());
  return texts;
}

// Every pixel of `image` is `colour`.
bool allOf(const QImage& image, QColor colour) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != colour.rgb()) return false;
    }
  }
  return true;
}

using Shell = WindowTest;

TEST_F(Shell, TitleFixedClientAreaAndMenuTree) {
  EXPECT_EQ(window_->windowTitle(), "Vantory");
  EXPECT_EQ(window_->centralWidget(), &window_->view());
  EXPECT_EQ(window_->centralWidget()->size(), QSize(777, 553));
  EXPECT_EQ(screen().size(), QSize(777, 553));
  EXPECT_EQ(window_->minimumSize(), window_->maximumSize());  // the user cannot resize it

  EXPECT_EQ(captions(window_->menuBar()->actions()), (QStringList{"文件", "标注", "关于"}));
  EXPECT_EQ(captions(window_->fileMenu()->actions()), (QStringList{"打开", "保存", "-", "退出"}));
  EXPECT_EQ(captions(window_->annotateMenu()->actions()),
            (QStringList{"设置基准尺寸", "测量标注", "-", "撤销", "重做", "清除测量"}));
  // Ctrl+O, Ctrl+S and Ctrl+Q, shown beside their captions, the keys of undo and redo, and
  // Esc; no other keys.
  const std::map<QString, QString> keys{{"openAction", "Ctrl+O"},
                                        {"saveAction", "Ctrl+S"},
                                        {"exitAction", "Ctrl+Q"},
                                        {"undoAction", "Ctrl+Z"},
                                        {"redoAction", "Ctrl+Y; Ctrl+Shift+Z"},
                                        {"abandonPairAction", "Esc"}};
  for (QAction* each : window_->findChildren<QAction*>()) {
    SCOPED_TRACE(each->objectName().toStdString());
    const auto key = keys.find(each->objectName());
    EXPECT_EQ(QKeySequence::listToString(each->shortcuts()), key == keys.end() ? "" : key->second);
    EXPECT_FALSE(each->isCheckable());
    EXPECT_FALSE(each->text().contains('&'));
  }
  // The status line lies under the view, which keeps its size: the window grows by it.
  const QStatusBar* status = window_->statusBar();
  EXPECT_EQ(status->geometry().top(), window_->centralWidget()->geometry().bottom() + 1);
  EXPECT_EQ(window_->height(), window_->menuBar()->height() + 553 + status->height());
  EXPECT_EQ(window_->width(), 777);

  // Start-up: the annotate menu, Measure, Undo, Redo and Clear are off, everything else on.
  EXPECT_FALSE(annotateEnabled());
  for (const char* name : {"measureAction", "undoAction", "redoAction", "clearAction"}) {
    EXPECT_FALSE(action(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(window_->fileMenu()->menuAction()->isEnabled());
  for (const char* name : {"openAction", "saveAction", "exitAction", "setReferenceAction", "aboutAction"}) {
    EXPECT_TRUE(action(name)->isEnabled()) << name;
  }
  // Nothing is shown but the background yet.
  EXPECT_TRUE(allOf(screen(), background()));
  EXPECT_EQ(commands().picturePath(), "");
  EXPECT_EQ(commands().pictureRect(), kEmptyRect);
  EXPECT_EQ(window_->view().pictureRect(), kEmptyPixelRect);
}

TEST_F(Shell, AboutShowsItsMessageWithOneOkButtonAndChangesNothing) {
  QString text, caption;
  QMessageBox::StandardButtons buttons;
  QMessageBox::Icon icon = QMessageBox::Critical;
  modals_.expect("msgBox", [&](QWidget* box) {
    auto* message = qobject_cast<QMessageBox*>(box);
    buttons = message->standardButtons();
    icon = message->icon();
    acknowledge(&text, &caption)(box);
  });
  const MeasurementSession before = session();
  trigger("aboutAction");

  EXPECT_EQ(text, "Vantory 图片尺寸测量工具，By Tarvo  联系邮箱：tarvo@example.com\n版本 " VANTORY_VERSION);
  EXPECT_EQ(caption, "Vantory");
  EXPECT_EQ(buttons, QMessageBox::Ok);
  EXPECT_EQ(icon, QMessageBox::NoIcon);
  EXPECT_TRUE(session() == before);
  EXPECT_FALSE(annotateEnabled());
  EXPECT_TRUE(allOf(screen(), background()));
}

// First every picture type Qt reads, by its suffixes in both cases (file names are told
// apart by case here), then the four types of old, then every file.
TEST_F(Shell, OpenDialogListsTheFileTypesAndACancelChangesNothing) {
  QStringList filters, shown;
  int selected = -1;
  QString started = "?";
  modals_.expect("openDialog", [&](QWidget* box) {
    auto* dialog = qobject_cast<QFileDialog*>(box);
    filters = dialog->nameFilters();
    if (auto* types = dialog->findChild<QComboBox*>("fileTypeCombo")) {
      selected = types->currentIndex();
      for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
    }
    started = startName(box);
    cancel()(box);
  });
  const MeasurementSession before = session();
  trigger("openAction");

  ASSERT_EQ(filters.size(), 6);
  ASSERT_TRUE(filters[0].startsWith("所有图片 (") && filters[0].endsWith(")")) << filters[0].toStdString();
  const QStringList all = filters[0].section('(', 1).chopped(1).split(' ');
  for (const QByteArray& format : QImageReader::supportedImageFormats()) {
    for (const QString& suffix : {QString(format).toLower(), QString(format).toUpper()}) {
      EXPECT_TRUE(all.contains("*." + suffix)) << suffix.toStdString();
    }
  }
  for (const char* pattern :
       {"*.jpg", "*.JPEG", "*.png", "*.PNG", "*.tif", "*.bmp", "*.gif", "*.ico", "*.webp"}) {
    EXPECT_TRUE(all.contains(pattern)) << pattern;
  }
  EXPECT_EQ(filters.mid(1), (QStringList{"jpg文件 (*.jpg)", "位图 (*.bmp)", "图标 (*.ico)", "GIF图 (*.gif)",
                                         "所有文件 (*)"}));
  EXPECT_EQ(shown,
            (QStringList{"所有图片", "jpg文件", "位图", "图标", "GIF图", "所有文件"}));  // descriptions only
  EXPECT_EQ(selected, 0);
  EXPECT_EQ(started, "");

  EXPECT_TRUE(session() == before);
  EXPECT_FALSE(annotateEnabled());
  EXPECT_EQ(commands().picturePath(), "");
  EXPECT_EQ(commands().pictureRect(), kEmptyRect);
  EXPECT_TRUE(allOf(screen(), background()));

  // The next dialog starts with no name either.
  modals_.expect("openDialog", [&](QWidget* box) {
    started = startName(box);
    cancel()(box);
  });
  trigger("openAction");
  EXPECT_EQ(started, "");
}

TEST_F(Shell, ExitClosesTheWindowWithoutAQuestion) {
  ASSERT_TRUE(window_->isVisible());
  trigger("exitAction");
  EXPECT_FALSE(window_->isVisible());
}

}  // namespace
}  // namespace vantory::qttest
