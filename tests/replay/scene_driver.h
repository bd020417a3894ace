// The real window, offscreen, driven step by step as a user drives it (menus, mouse
// events, boxes answered in order), with record lines for every step: the boxes that
// appeared with their texts, the menus' states, what the window shows in words and
// numbers, the files written with their sizes, and digests of the view's pixels and of
// each file's bytes.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QInputDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/replay/qt_window_factory.h"
#include "tests/support/private_home.h"

namespace vantory::replay {

inline std::string sha1(const QByteArray& bytes) {
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(16).toStdString();
}

inline std::string environmentLine() {
  const QFont font = QApplication::font();
  return std::string("Qt ") + qVersion() + ", font " + QFontInfo(font).family().toStdString() + " " +
         std::to_string(QFontInfo(font).pointSize()) + "pt";
}

// Pictures made on the spot: smooth gradients with some texture, so that scaling and
// compression show.
inline QImage pattern(int width, int height, bool alpha = false) {
  QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const int r = 40 + 150 * x / width, g = 60 + 120 * y / height, b = 90 + ((x * 7 + y * 13) % 61);
      const int a = alpha ? (x < width / 3 ? 0 : x < 2 * width / 3 ? 128 : 255) : 255;
      line[x] = qRgba(r, g, b, a);
    }
  }
  return image;
}

class Scenes {
 public:
  Scenes() {
    window_ = makeMainWindow();
    window_->show();
    view_ = window_->centralWidget();
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { answerBoxes(); });
    timer_.start(5);
  }
  ~Scenes() { timer_.stop(); }

  QString path(const QString& name) const { return dir_.filePath(name); }
  void write(const QString& name, const QImage& image, const char* format, int quality = -1) {
    QImageWriter writer(path(name), format);
    if (quality >= 0) writer.setQuality(quality);
    ASSERT_TRUE(writer.write(image)) << writer.errorString().toStdString();
  }

  // What the next boxes are answered with, in order: the text typed into an input box or
  // a file dialog ("" cancels); message boxes are acknowledged.
  void answer(std::initializer_list<QString> answers) { answers_.insert(answers_.end(), answers); }

  void menu(const char* caption) {
    for (QAction* action : window_->findChildren<QAction*>()) {
      if (action->text() == caption) return action->trigger();
    }
    ADD_FAILURE() << "no menu item " << caption;
  }
  void press(QPointF at, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF global = view_->mapToGlobal(at);
    QMouseEvent down(QEvent::MouseButtonPress, at, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(view_, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, at, global, button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view_, &up);
  }
  // A key pressed and let go on the view, as the keyboard sends it: shortcuts first.
  void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QApplication::setActiveWindow(window_.get());  // shortcuts act in the active window
    QTest::keyClick(view_, key, modifiers);
  }
  void move(QPointF at) {
    QMouseEvent moved(QEvent::MouseMove, at, view_->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view_, &moved);
  }

  // Closes a step: the boxes seen, the menus, what the window shows (when it changed), the
  // files written; and the digests of the view's pixels and of each file's bytes, which
  // hold only for the Qt version and the font the record names.
  void step(const std::string& name, std::initializer_list<QString> written = {}) {
    settle(*window_);
    QApplication::processEvents();
    add("== " + name);
    for (const std::string& box : boxes_) add("  box " + box);
    boxes_.clear();
    add(std::string("  menus: annotate ") + (enabled("标注") ? "on" : "off") + ", measure " +
        (enabled("测量标注") ? "on" : "off") + ", undo " + (enabled("撤销") ? "on" : "off") + ", redo " +
        (enabled("重做") ? "on" : "off") + ", clear " + (enabled("清除测量") ? "on" : "off"));
    const std::vector<std::string> shown = describeWindow(*window_);
    if (shown != shown_) {
      for (const std::string& line : shown) add("  " + line);
      shown_ = shown;
    }
    const QImage view = view_->grab().toImage().convertToFormat(QImage::Format_RGB32);
    add("  " + std::string(kPixels) + "the view " +
        sha1(QByteArray(reinterpret_cast<const char*>(view.constBits()), view.sizeInBytes())));
    for (const QString& file : written) {
      QFile bytes(path(file));
      if (!bytes.open(QIODevice::ReadOnly)) {
        add("  file " + file.toStdString() + " missing");
        continue;
      }
      const QSize size = QImageReader(path(file)).size();
      add("  file " + file.toStdString() + ": " + std::to_string(size.width()) + " x " +
          std::to_string(size.height()) + " " + QImageReader(path(file)).format().toStdString() + ", " +
          std::to_string(bytes.size()) + " bytes");
      add("  " + std::string(kPixels) + file.toStdString() + " " + sha1(bytes.readAll()));
    }
    if (!answers_.empty()) add("  unanswered " + std::to_string(answers_.size()));
  }

  // The start of the lines that hold a digest of pixels.
  static constexpr const char* kPixels = "pixels of ";

  const std::vector<std::string>& lines() const { return lines_; }

 private:
  // One record line: line breaks in a box's text are written as \n.
  void add(const std::string& line) {
    std::string flat;
    for (const char c : line) c == '\n' ? flat += "\\n" : flat += c;
    lines_.push_back(flat);
  }

  bool enabled(const char* caption) const {
    for (QAction* action : window_->findChildren<QAction*>()) {
      if (action->text() == caption) return action->isEnabled();
    }
    for (QMenu* menu : window_->findChildren<QMenu*>()) {
      if (menu->title() == caption) return menu->menuAction()->isEnabled();
    }
    return false;
  }

  void answerBoxes() {
    QWidget* box = QApplication::activeModalWidget();
    if (box == nullptr || !box->isVisible() || box == handled_) return;
    handled_ = box;
    QString seen = box->objectName() + ": " + box->windowTitle();
    const QString given = answers_.empty() ? QString() : answers_.front();
    if (auto* message = qobject_cast<QMessageBox*>(box)) {
      seen += " \"" + message->text() + "\"";
      boxes_.push_back(seen.replace(dir_.path(), "<tmp>").toStdString());
      QTimer::singleShot(0, message, [message] { message->button(QMessageBox::Ok)->click(); });
      return;
    }
    if (!answers_.empty()) answers_.pop_front();
    if (auto* input = qobject_cast<QInputDialog*>(box)) {
      seen += " \"" + input->labelText() + "\" \"" + input->textValue() + "\"";
      QTimer::singleShot(0, input, [input, given] {
        if (given.isEmpty()) return input->reject();
        input->setTextValue(given);
        input->accept();
      });
    } else if (auto* dialog = qobject_cast<QFileDialog*>(box)) {
      auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
      seen += " name \"" + (name ? name->text() : QString("?")) + "\"";
      const QString chosen = given.isEmpty() ? QString() : path(given);
      QTimer::singleShot(0, dialog, [dialog, name, chosen] {
        if (chosen.isEmpty() || name == nullptr) return dialog->reject();
        name->setText(chosen);
        static_cast<QDialog*>(dialog)->accept();
      });
    } else {
      QTimer::singleShot(0, box, [box] { box->close(); });
    }
    boxes_.push_back(seen.replace(dir_.path(), "<tmp>").toStdString());
  }

  QTemporaryDir dir_;
  std::unique_ptr<QMainWindow> window_;
  QWidget* view_ = nullptr;
  QTimer timer_;
  QPointer<QWidget> handled_;
  std::deque<QString> answers_;
  std::vector<std::string> boxes_;
  std::vector<std::string> lines_;
  std::vector<std::string> shown_;
};

}  // namespace vantory::replay
