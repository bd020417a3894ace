#include "platform/qt/qt_window.h"

#include <QIcon>
#include <QLayout>
#include <QMenuBar>

namespace vantory::qt {

QtMainWindow::QtMainWindow()
    : surface_(new ViewSurface(this)),
      dialog_([this] { return static_cast<QWidget*>(this); }),
      runtime_([this] { return static_cast<QWidget*>(this); }) {
  setWindowTitle(text::kTitle);
  setWindowIcon(QIcon(":/vantory.png"));
  setCentralWidget(surface_);
  // The window keeps its size: nothing in the program follows a resize.
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  dialog_.before_modal = [this] { surface_->Flush(); };
  runtime_.before_modal = [this] { surface_->Flush(); };

  file_menu_ = menuBar()->addMenu("文件");
  file_menu_->setObjectName("wenjian");
  annotate_menu_ = menuBar()->addMenu("标注");
  annotate_menu_->setObjectName("biaozhu");
  QAction* about = menuBar()->addAction("关于");
  about->setObjectName("about");

  wenjian_ = std::make_unique<QtMenuItem>(file_menu_->menuAction());
  biaozhu_ = std::make_unique<QtMenuItem>(annotate_menu_->menuAction());
  about_ = std::make_unique<QtMenuItem>(about);
  daoru_ = std::make_unique<QtMenuItem>(AddCommand(file_menu_, "打开", &Form1::daoru_Click));
  save_ = std::make_unique<QtMenuItem>(AddCommand(file_menu_, "保存", &Form1::save_Click));
  file_menu_->addSeparator()->setObjectName("heng");
  tuichu_ = std::make_unique<QtMenuItem>(AddCommand(file_menu_, "退出", &Form1::tuichu_Click));
  szjz_ = std::make_unique<QtMenuItem>(AddCommand(annotate_menu_, "设置基准尺寸", &Form1::szjz_Click));
  celiang_ = std::make_unique<QtMenuItem>(AddCommand(annotate_menu_, "测量标注", &Form1::celiang_Click));

  daoru_->Action()->setObjectName("daoru");
  save_->Action()->setObjectName("save");
  tuichu_->Action()->setObjectName("tuichu");
  szjz_->Action()->setObjectName("szjz");
  celiang_->Action()->setObjectName("celiang");

  form1_ = std::make_unique<Form1>(Controls{*this, canvas_, *surface_, surface_->Image1(), probe_,
                                            dialog_, *wenjian_, *daoru_, *save_, *tuichu_,
                                            *biaozhu_, *szjz_, *celiang_, *about_, runtime_});
  connect(about, &QAction::triggered, this, [this] { Dispatch([this] { form1_->about_Click(); }); });

  surface_->on_press = [this](std::int16_t button, std::int16_t shift, float x, float y) {
    Dispatch([&] { form1_->Image1_MouseDown(button, shift, x, y); });
  };
  surface_->on_move = [this](std::int16_t button, std::int16_t shift, float x, float y) {
    Dispatch([&] { form1_->Image1_MouseMove(button, shift, x, y); });
  };
}

QtMainWindow::~QtMainWindow() = default;

QAction* QtMainWindow::AddCommand(QMenu* menu, const char* caption, void (Form1::*handler)()) {
  QAction* action = menu->addAction(caption);
  connect(action, &QAction::triggered, this, [this, handler] {
    Dispatch([this, handler] { (form1_.get()->*handler)(); });
  });
  return action;
}

void QtMainWindow::Load() {
  Dispatch([this] { form1_->Form_Load(); });
}

void QtMainWindow::SetMousePointer(int pointer) {
  if (pointer == mouse_pointer_) return;
  mouse_pointer_ = pointer;
  surface_->setCursor(Qt::ArrowCursor);
}

}  // namespace vantory::qt
