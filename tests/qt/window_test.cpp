// The window itself: title, client size, menu bar, start-up states, About, Exit and the
// file types the dialogs offer.
#include <QComboBox>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>

#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

QStringList Captions(const QList<QAction*>& actions) {
  QStringList captions;
  for (const QAction* action : actions) captions << (action->isSeparator() ? "-" : action->text());
  return captions;
}

using Shell = WindowTest;

TEST_F(Shell, TitleFixedClientAreaAndMenuTree) {
  EXPECT_EQ(window_->windowTitle(), "Vantory");
  EXPECT_EQ(window_->centralWidget(), &window_->Surface());
  EXPECT_EQ(window_->centralWidget()->size(), QSize(777, 553));
  EXPECT_EQ(Screen().size(), QSize(777, 553));
  EXPECT_EQ(window_->minimumSize(), window_->maximumSize());  // the user cannot resize it

  EXPECT_EQ(Captions(window_->menuBar()->actions()), (QStringList{"文件", "标注", "关于"}));
  EXPECT_EQ(Captions(window_->FileMenu()->actions()), (QStringList{"打开", "保存", "-", "退出"}));
  EXPECT_EQ(Captions(window_->AnnotateMenu()->actions()), (QStringList{"设置基准尺寸", "测量标注"}));
  for (QAction* action : window_->findChildren<QAction*>()) {
    SCOPED_TRACE(action->text().toStdString());
    EXPECT_TRUE(action->shortcut().isEmpty());
    EXPECT_FALSE(action->isCheckable());
    EXPECT_FALSE(action->text().contains('&'));
  }

  // Start-up: the annotate menu and Measure are off, everything else on.
  EXPECT_FALSE(window_->AnnotateMenu()->menuAction()->isEnabled());
  EXPECT_FALSE(Action("celiang")->isEnabled());
  EXPECT_TRUE(window_->FileMenu()->menuAction()->isEnabled());
  for (const char* name : {"daoru", "save", "tuichu", "szjz", "about"}) {
    EXPECT_TRUE(Action(name)->isEnabled()) << name;
  }
  // Nothing is shown but the background yet.
  EXPECT_EQ(Screen().pixel(388, 276), window_->Surface().Background().rgb());
}

TEST_F(Shell, AboutShowsItsMessageWithOneOkButtonAndChangesNothing) {
  QString text, caption;
  QMessageBox::StandardButtons buttons;
  QMessageBox::Icon icon = QMessageBox::Critical;
  modals_.Expect("msgBox", [&](QWidget* box) {
    auto* message = qobject_cast<QMessageBox*>(box);
    buttons = message->standardButtons();
    icon = message->icon();
    Acknowledge(&text, &caption)(box);
  });
  const MeasurementState before = State();
  Trigger("about");

  EXPECT_EQ(text, "Vantory 图片尺寸测量工具，By Tarvo  联系邮箱：tarvo@example.com");
  EXPECT_EQ(caption, "Vantory");
  EXPECT_EQ(buttons, QMessageBox::Ok);
  EXPECT_EQ(icon, QMessageBox::NoIcon);
  EXPECT_TRUE(State() == before);
  EXPECT_FALSE(window_->AnnotateMenu()->menuAction()->isEnabled());
}

TEST_F(Shell, OpenDialogListsTheFileTypesAndACancelChangesNothing) {
  QStringList filters, shown;
  int selected = -1;
  modals_.Expect("openDialog", [&](QWidget* box) {
    auto* dialog = qobject_cast<QFileDialog*>(box);
    filters = dialog->nameFilters();
    if (auto* types = dialog->findChild<QComboBox*>("fileTypeCombo")) {
      selected = types->currentIndex();
      for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
    }
    Cancel()(box);
  });
  const MeasurementState before = State();
  Trigger("daoru");

  EXPECT_EQ(filters, (QStringList{"jpg文件 (*.jpg)", "位图 (*.bmp)", "图标 (*.ico)", "GIF图 (*.gif)"}));
  EXPECT_EQ(shown, (QStringList{"jpg文件", "位图", "图标", "GIF图"}));  // descriptions only
  EXPECT_EQ(selected, 0);

  EXPECT_TRUE(State() == before);
  EXPECT_EQ(window_->Dialog().FileName(), "");
  EXPECT_FALSE(window_->AnnotateMenu()->menuAction()->isEnabled());
  const auto& image1 = window_->Surface().Image1();
  EXPECT_EQ(image1.Picture(), nullptr);
  EXPECT_EQ(image1.Left(), 720);
  EXPECT_EQ(image1.Top(), 840);
}

TEST_F(Shell, ExitClosesTheWindowWithoutAQuestion) {
  ASSERT_TRUE(window_->isVisible());
  Trigger("tuichu");
  EXPECT_FALSE(window_->isVisible());
}

}  // namespace
}  // namespace vantory::qttest
