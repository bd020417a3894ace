// The main window: a fixed-size QMainWindow with the menu bar and the view surface as its
// client area. Every menu command, press and move runs a command of the core; afterwards
// the view shows what the command drew. A picture file dropped on the window is opened.
#pragma once

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QString>
#include <memory>

#include "core/commands.h"
#include "save/qt_picture_files.h"
#include "ui/prompts.h"
#include "ui/view_surface.h"

namespace vantory::qt {

class MainWindow : public QMainWindow, public Window {
 public:
  // The client area: 777 x 553 logical pixels, 11655 x 8295 twips.
  MainWindow();
  ~MainWindow() override;

  // Window
  TwipSize clientArea() const override { return ViewSurface::kArea; }
  void setAnnotateMenuEnabled(bool enabled) override;
  void setMeasureCommandEnabled(bool enabled) override;
  void closeWindow() override { QWidget::close(); }

  // Opens the picture at `path` as 文件 > 打开 does once it is chosen.
  void openFile(const QString& path);

 protected:
  // A Save still writing is finished first: closing never loses a file being saved.
  void closeEvent(QCloseEvent* event) override;
  // Files dragged from a file manager: the first one is opened once dropped.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 public:
  // Waits until every Save asked for so far is written, and tells their outcome.
  void finishSaving() { files_.finishExports(); }
  ViewSurface& view() { return *view_; }
  const Commands& commands() const { return *commands_; }
  QMenu* fileMenu() const { return fileMenu_; }
  QMenu* annotateMenu() const { return annotateMenu_; }

 private:
  QAction* addCommand(QMenu* menu, const char* caption, const char* name, void (Commands::*command)(),
                      QKeySequence::StandardKey key = QKeySequence::UnknownKey, QKeySequence fallback = {});
  // Runs a command, then shows what it drew.
  template <typename Command>
  void run(Command&& command) {
    command();
    view_->flush();
  }

  ViewSurface* view_;
  DialogPrompts prompts_;
  QtPictureFiles files_;
  QMenu* fileMenu_;
  QMenu* annotateMenu_;
  QAction* measureAction_ = nullptr;
  std::unique_ptr<Commands> commands_;
};

}  // namespace vantory::qt
