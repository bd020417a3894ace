// The real window offscreen, driven as a user drives it for fine placement: a picture
// opened through the dialog, mouse moves and presses, Shift pressed and released.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <QElapsedTimer>
#include <memory>

#include "qt/main_window.h"

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
  void open(const QString& path) {
    answerNext([path](QWidget* box) {
      auto* dialog = qobject_cast<QFileDialog*>(box);
      dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
      static_cast<QDialog*>(dialog)->accept();
    });
    trigger("openAction");
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
  void move(QPointF at, bool shift = false) {
    QMouseEvent e(QEvent::MouseMove, at, view().mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                  shift ? Qt::ShiftModifier : Qt::NoModifier);
    QApplication::sendEvent(&view(), &e);
  }
  void press(QPointF at, Qt::MouseButton button = Qt::LeftButton, bool shift = false) {
    const Qt::KeyboardModifiers mods = shift ? Qt::ShiftModifier : Qt::NoModifier;
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
  // Waits (processing events) until `done` holds, at most `ms`.
  template <typename Done>
  bool waitFor(Done&& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
  }
  // The view as the screen shows it, loupe included.
  QImage grabbed() { return view().grab().toImage().convertToFormat(QImage::Format_RGB32); }

 private:
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
