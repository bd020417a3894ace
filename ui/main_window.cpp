#include "ui/main_window.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeySequence>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>

#include "core/texts.h"
#include "picture/file_names.h"

#ifndef VANTORY_VERSION
#error "VANTORY_VERSION must give the program's version"
#endif

namespace vantory::qt {
namespace {

// The local file a drag brings first, or "" when it brings none.
QString firstDroppedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().isEmpty()) return {};
  const QUrl first = data->urls().first();
  return first.isLocalFile() ? first.toLocalFile() : QString();
}

// A label of the status line: it takes the width the status line gives it, whatever its
// text, so that a long file name never widens the window.
QLabel* statusLabel(QStatusBar* bar, const char* name, int stretch) {
  auto* label = new QLabel(bar);
  label->setObjectName(name);
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  bar->addWidget(label, stretch);
  return label;
}

}  // namespace

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

  setAcceptDrops(true);

  commands_ = std::make_unique<Commands>(Commands::Ports{*this, *view_, files_, prompts_, textFiles_, *view_},
                                         VANTORY_VERSION);

  fileMenu_ = menuBar()->addMenu(texts::kFileMenu);
  fileMenu_->setObjectName("fileMenu");
  annotateMenu_ = menuBar()->addMenu(texts::kAnnotateMenu);
  annotateMenu_->setObjectName("annotateMenu");
  QAction* about = menuBar()->addAction(texts::kAboutMenu);
  about->setObjectName("aboutAction");
  connect(about, &QAction::triggered, this, [this] { run([this] { commands_->showAbout(); }); });

  addCommand(fileMenu_, texts::kOpen, "openAction", &Commands::openPicture, QKeySequence::Open,
             QKeySequence(Qt::CTRL | Qt::Key_O));
  addCommand(fileMenu_, texts::kSave, "saveAction", &Commands::savePicture, QKeySequence::Save,
             QKeySequence(Qt::CTRL | Qt::Key_S));
  exportAction_ =
      addCommand(fileMenu_, texts::kExportMeasurements, "exportAction", &Commands::exportMeasurements);
  fileMenu_->addSeparator();
  addCommand(fileMenu_, texts::kExit, "exitAction", &Commands::exitProgram, QKeySequence::Quit,
             QKeySequence(Qt::CTRL | Qt::Key_Q));
  addCommand(annotateMenu_, texts::kSetReference, "setReferenceAction", &Commands::chooseReferenceMode);
  measureAction_ = addCommand(annotateMenu_, texts::kMeasure, "measureAction", &Commands::chooseMeasureMode);
  annotateMenu_->addSeparator();
  undoAction_ = addCommand(annotateMenu_, texts::kUndo, "undoAction", &Commands::undo);
  undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  redoAction_ = addCommand(annotateMenu_, texts::kRedo, "redoAction", &Commands::redo);
  redoAction_->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  clearAction_ =
      addCommand(annotateMenu_, texts::kClearMeasurements, "clearAction", &Commands::clearMeasurements);
  annotateMenu_->addSeparator();
  copyAction_ = addCommand(annotateMenu_, texts::kCopyMeasurements, "copyAction", &Commands::copyMeasurements,
                           QKeySequence::UnknownKey, QKeySequence(Qt::CTRL | Qt::Key_C));
  // Escape gives up the pair being placed: a shortcut of the window, in no menu.
  QAction* abandon = new QAction(this);
  abandon->setObjectName("abandonPairAction");
  abandon->setShortcut(QKeySequence(Qt::Key_Escape));
  connect(abandon, &QAction::triggered, this, [this] { run([this] { commands_->abandonPair(); }); });
  addAction(abandon);

  // The status line under the view: the window grows by its height, the view keeps its size.
  statusBar()->setSizeGripEnabled(false);
  stepLabel_ = statusLabel(statusBar(), "stepLabel", 5);
  // How the ends placed with Ctrl held snapped: shown only while there is something to tell.
  snapLabel_ = statusLabel(statusBar(), "snapLabel", 6);
  snapLabel_->hide();
  pictureLabel_ = statusLabel(statusBar(), "pictureLabel", 3);
  scaleLabel_ = statusLabel(statusBar(), "scaleLabel", 2);

  view_->onPress = [this](MouseButton button, float x, float y, bool snap) {
    run([&] { commands_->press(button, x, y, snap); });
  };
  view_->onMove = [this](float x, float y, bool snap) {
    run([&] { commands_->move(x, y, view_->activeLoupe(), snap); }, true);
  };
  view_->setFocus();

  run([this] { commands_->start(); });
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::addCommand(QMenu* menu, const char* caption, const char* name,
                                void (Commands::*command)(), QKeySequence::StandardKey key,
                                QKeySequence fallback) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  // The platform's keys for the command where it has them (and shows them in the menu);
  // `fallback` where it has none.
  if (key != QKeySequence::UnknownKey) action->setShortcuts(key);
  if (action->shortcuts().isEmpty() && !fallback.isEmpty()) action->setShortcut(fallback);
  connect(action, &QAction::triggered, this,
          [this, command] { run([this, command] { (commands_.get()->*command)(); }); });
  return action;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  finishSaving();
  QMainWindow::closeEvent(event);
}

void MainWindow::openFile(const std::string& path) {
  // Relative to the folder the program was started in, as a shell gives it.
  const std::string absolute =
      QDir::isRelativePath(shownName(path)) ? nativeName(QDir::currentPath()) + '/' + path : path;
  run([&] { commands_->openFile(absolute); });
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!firstDroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString path = firstDroppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  // Once the drop has ended: the file manager that sent it must not wait on a box the
  // Open may show.
  QMetaObject::invokeMethod(
      this, [this, path] { openFile(nativeName(path)); }, Qt::QueuedConnection);
}

void MainWindow::setAnnotateMenuEnabled(bool enabled) { annotateMenu_->menuAction()->setEnabled(enabled); }

void MainWindow::setMeasureCommandEnabled(bool enabled) { measureAction_->setEnabled(enabled); }

void MainWindow::setTableCommandsEnabled(bool enabled) {
  exportAction_->setEnabled(enabled);
  copyAction_->setEnabled(enabled);
}

void MainWindow::copyToClipboard(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void MainWindow::setEditCommandsEnabled(bool undo, bool redo, bool clear) {
  undoAction_->setEnabled(undo);
  redoAction_->setEnabled(redo);
  clearAction_->setEnabled(clear);
}

void MainWindow::showStatus(const SessionStatus& status) {
  setWindowTitle(QString::fromStdString(status.title));
  for (auto [label, text] :
       {std::pair{stepLabel_, &status.step}, std::pair{snapLabel_, &status.snap},
        std::pair{pictureLabel_, &status.picture}, std::pair{scaleLabel_, &status.scale}}) {
    label->setText(QString::fromStdString(*text));
    label->setToolTip(label->text());  // the whole text, where the line cuts it
  }
  snapLabel_->setVisible(!status.snap.empty());
  view_->setPlacing(status.placing);
}

}  // namespace vantory::qt
