// The main window on Qt: a fixed-size QMainWindow with the menu bar, the view surface
// as its client area, the off-screen probe and canvas, the file dialogs and the runtime
// services, and Form1 on top of them. Every menu command and every press and move over
// Image1 reaches Form1 through Dispatch, which reports any error and goes on.
#pragma once

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <memory>

#include "app/main_window.h"
#include "platform/qt/qt_runtime.h"
#include "platform/qt/qt_surface.h"

namespace vantory::qt {

// A menu item: an action (for a menu on the bar, the menu's own action).
class QtMenuItem : public MenuItem {
 public:
  explicit QtMenuItem(QAction* action) : action_(action) {}
  bool Enabled() const override { return action_->isEnabled(); }
  void SetEnabled(bool on) override { action_->setEnabled(on); }
  QAction* Action() const { return action_; }

 private:
  QAction* action_;
};

class QtMainWindow : public QMainWindow, public FormWindow {
 public:
  // The client area at creation: 777 x 553 logical pixels, 11655 x 8295 twips.
  static constexpr int kClientWidth = 777;
  static constexpr int kClientHeight = 553;

  QtMainWindow();
  ~QtMainWindow() override;

  // Runs Form_Load, as the window is loaded before it is shown.
  void Load();

  // FormWindow
  float ScaleWidth() const override { return ToTwips(kClientWidth); }
  float ScaleHeight() const override { return ToTwips(kClientHeight); }
  int MousePointer() const override { return mouse_pointer_; }
  void SetMousePointer(int pointer) override;

  Form1& Form() { return *form1_; }
  ViewSurface& Surface() { return *surface_; }
  CanvasBox& Canvas() { return canvas_; }
  ProbeImage& Probe() { return probe_; }
  QtCommonDialog& Dialog() { return dialog_; }
  QtRuntime& Services() { return runtime_; }
  QMenu* FileMenu() const { return file_menu_; }
  QMenu* AnnotateMenu() const { return annotate_menu_; }
  QAction* AboutAction() const { return about_->Action(); }

  // Runs one handler of Form1 and shows what it drew.
  template <typename Handler>
  void Dispatch(Handler&& handler) {
    form1_->Dispatch(std::forward<Handler>(handler));
    surface_->Flush();
  }

 private:
  QAction* AddCommand(QMenu* menu, const char* caption, void (Form1::*handler)());

  ViewSurface* surface_;
  ProbeImage probe_;
  CanvasBox canvas_;
  QtCommonDialog dialog_;
  QtRuntime runtime_;
  QMenu* file_menu_;
  QMenu* annotate_menu_;
  std::unique_ptr<QtMenuItem> wenjian_, daoru_, save_, tuichu_, biaozhu_, szjz_, celiang_, about_;
  std::unique_ptr<Form1> form1_;
  int mouse_pointer_ = 0;
};

}  // namespace vantory::qt
