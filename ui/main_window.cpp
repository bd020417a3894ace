#include "ui/main_window.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLayout>
#include <QMenuBar>

#include "core/texts.h"

namespace vantory::qt {

MainWindow::MainWindow()
    : picture_(std::make_shared<CurrentPicture>()),
      view_(new ViewSurface(this, picture_)),
      prompts_([this] { return static_cast<QWidget*>(this); }, [this] { view_->flush(); }),
      files_(picture_) {
  setWindowTitle(texts::kTitle);
  setWindowIcon(QIcon(":/vantory.png"));
  setCentralWidget(view_);
  // The window keeps its size: nothing follows a resize.
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  commands_ = std::make_unique<Commands>(Commands::Ports{*this, *view_, files_, prompts_});

  fileMenu_ = menuBar()->addMenu(texts::kFileMenu);
  fileMenu_->setObjectName("fileMenu");
  annotateMenu_ = menuBar()->addMenu(texts::kAnnotateMenu);
  annotateMenu_->setObjectName("annotateMenu");
  QAction* about = menuBar()->addAction(texts::kAboutMenu);
  about->setObjectName("aboutAction");
  connect(about, &QAction::triggered, this, [this] { run([this] { commands_->showAbout(); }); });

  addCommand(fileMenu_, texts::kOpen, "openAction", &Commands::openPicture);
  addCommand(fileMenu_, texts::kSave, "saveAction", &Commands::savePicture);
  fileMenu_->addSeparator();
  addCommand(fileMenu_, texts::kExit, "exitAction", &Commands::exitProgram);
  addCommand(annotateMenu_, texts::kSetReference, "setReferenceAction", &Commands::chooseReferenceMode);
  measureAction_ = addCommand(annotateMenu_, texts::kMeasure, "measureAction", &Commands::chooseMeasureMode);

  view_->onPress = [this](MouseButton button, float x, float y) {
    run([&] { commands_->press(button, x, y); });
  };
  view_->onMove = [this](float x, float y) { run([&] { commands_->move(x, y, view_->activeLoupe()); }); };
  view_->setFocus();

  run([this] { commands_->start(); });
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::addCommand(QMenu* menu, const char* caption, const char* name,
                                void (Commands::*command)()) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  connect(action, &QAction::triggered, this,
          [this, command] { run([this, command] { (commands_.get()->*command)(); }); });
  return action;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  finishSaving();
  QMainWindow::closeEvent(event);
}

void MainWindow::setAnnotateMenuEnabled(bool enabled) { annotateMenu_->menuAction()->setEnabled(enabled); }

void MainWindow::setMeasureCommandEnabled(bool enabled) { measureAction_->setEnabled(enabled); }

}  // namespace vantory::qt
