// The real window offscreen, driven as a user drives it for fine placement: a picture
// opened through the dialog, mouse moves and presses, Shift pressed and released.
#pragma once

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <memory>

#include "ui/main_window.h"

namespace vantory::loupetest {

class Driver {
 public:
  Driver() : window_(std::make_unique<qt::MainWindow>()) {
    window_->show();
    QApplication::processEvents();
  }
  qt::MainWindow& window() { return *window_; }
  qt::ViewSurface& view() { return window_->view(); }
  const MeasurementSession& session() { return window_->commands().session(); }

  // 文件 > 打开 with `path` typed into the dialog.
  void open(const QString& path) { choose("openAction", path); }
  // 文件 > 保存 with `path` typed into the dialog, until the file is written.
  void save(const QString& path) {
    choose("saveAction", path);
    window_->finishSaving();
  }
  // The next input box answered with `text`.
  void answerLength(const QString& text) {
    answerNext([text](QWidget* box) {
      auto* input = qobject_cast<QInputDialog*>(box);
      input->setTextValue(text);
      input->accept();
    });
  }
  void trigger(const char* name) { window_->findChild<QAction*>(name)->trigger(); }
  // With `ctrl`, Ctrl is held too.
  void move(QPointF at, bool shift = false, bool ctrl = false) {
    QMouseEvent e(QEvent::MouseMove, at, view().mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                  modifiers(shift, ctrl));
    QApplication::sendEvent(&view(), &e);
  }
  void press(QPointF at, Qt::MouseButton button = Qt::LeftButton, bool shift = false, bool ctrl = false) {
    const Qt::KeyboardModifiers mods = modifiers(shift, ctrl);
    QMouseEvent down(QEvent::MouseButtonPress, at, view().mapToGlobal(at), button, button, mods);
    QApplication::sendEvent(&view(), &down);
    QMouseEvent up(QEvent::MouseButtonRelease, at, view().mapToGlobal(at), button, Qt::NoButton, mods);
    QApplication::sendEvent(&view(), &up);
  }
  void shift(bool down) {
    QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Shift,
                down ? Qt::ShiftModifier : Qt::NoModifier);
    QApplication::sendEvent(&view(), &e);
  }
  // Waits until `done` holds, at most `ms`, in an event loop that sleeps between events as
  // the program's own does (a busy loop would take a core from the work waited for).
  template <typename Done>
  bool waitFor(Done&& done, int ms = 10000) {
    if (done()) return true;
    QEventLoop loop;
    QTimer poll, limit;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      if (done()) loop.quit();
    });
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(1);
    limit.setSingleShot(true);
    limit.start(ms);
    loop.exec();
    return done();
  }
  // The view as the screen shows it, loupe included.
  QImage grabbed() { return view().grab().toImage().convertToFormat(QImage::Format_RGB32); }

 private:
  static Qt::KeyboardModifiers modifiers(bool shift, bool ctrl) {
    return (shift ? Qt::ShiftModifier : Qt::NoModifier) | (ctrl ? Qt::ControlModifier : Qt::NoModifier);
  }
  void choose(const char* action, const QString& path) {
    answerNext([path](QWidget* box) {
      auto* dialog = qobject_cast<QFileDialog*>(box);
      dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
      static_cast<QDialog*>(dialog)->accept();
    });
    trigger(action);
  }
  void answerNext(std::function<void(QWidget*)> answer) {
    auto* poll = new QTimer(window_.get());
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
      QWidget* box = QApplication::activeModalWidget();
      if (box == nullptr || !box->isVisible()) return;
      poll->stop();
      poll->deleteLater();
      QTimer::singleShot(0, box, [box, answer] { answer(box); });
    });
    poll->start(5);
  }
  std::unique_ptr<qt::MainWindow> window_;
};

}  // namespace vantory::loupetest
