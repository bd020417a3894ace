// The main window: a fixed-size QMainWindow with the menu bar, the view surface as its
// client area and the status line under it. Every menu command, shortcut, press and move
// runs a command of the core; afterwards the view shows what the command drew. A picture
// file dropped on the window is opened.
// The table of measurements is copied to the clipboard through it.
#pragma once

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QString>
#include <memory>

#include "core/commands.h"
#include "save/qt_picture_files.h"
#include "save/qt_text_files.h"
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
  void setEditCommandsEnabled(bool undo, bool redo, bool clear) override;
  void showStatus(const SessionStatus& status) override;
  void setTableCommandsEnabled(bool enabled) override;
  void copyToClipboard(const std::string& text) override;
  void closeWindow() override { QWidget::close(); }

  // Opens the picture whose name has the bytes `path` as 文件 > 打开 does once it is
  // chosen.
  void openFile(const std::string& path);

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
  // What the view and Save share of the picture open.
  const std::shared_ptr<CurrentPicture>& currentPicture() const { return picture_; }
  const Commands& commands() const { return *commands_; }
  QMenu* fileMenu() const { return fileMenu_; }
  QMenu* annotateMenu() const { return annotateMenu_; }

 private:
  QAction* addCommand(QMenu* menu, const char* caption, const char* name, void (Commands::*command)(),
                      QKeySequence::StandardKey key = QKeySequence::UnknownKey, QKeySequence fallback = {});
  // Runs a command, then shows what it drew; after any but a move, the loupe (while it
  // shows) is drawn again too, for what the command changed.
  template <typename Command>
  void run(Command&& command, bool move = false) {
    command();
    if (!move) view_->refreshLoupe();
    view_->flush();
  }

  std::shared_ptr<CurrentPicture> picture_;
  ViewSurface* view_;
  DialogPrompts prompts_;
  QtPictureFiles files_;
  QtTextFiles textFiles_;
  QMenu* fileMenu_;
  QMenu* annotateMenu_;
  QAction* measureAction_ = nullptr;
  QAction* exportAction_ = nullptr;
  QAction* copyAction_ = nullptr;
  QAction* undoAction_ = nullptr;
  QAction* redoAction_ = nullptr;
  QAction* clearAction_ = nullptr;
  QLabel* stepLabel_;
  QLabel* snapLabel_;
  QLabel* pictureLabel_;
  QLabel* scaleLabel_;
  std::unique_ptr<Commands> commands_;
};

}  // namespace vantory::qt
