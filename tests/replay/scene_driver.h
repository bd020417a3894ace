// The real window, offscreen, driven step by step as a user drives it (menus, mouse
// events, boxes answered in order), with a record line for every step: a hash of what the
// view shows, the boxes that appeared with their texts, the menus' states and a hash of
// every file written.
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
  void move(QPointF at) {
    QMouseEvent moved(QEvent::MouseMove, at, view_->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view_, &moved);
  }

  // Closes a step: what the view shows, the boxes seen, the menus, the files written.
  void step(const std::string& name, std::initializer_list<QString> written = {}) {
    settle(*window_);
    QApplication::processEvents();
    const QImage shown = view_->grab().toImage().convertToFormat(QImage::Format_RGB32);
    std::string line =
        name + " | view " +
        sha1(QByteArray(reinterpret_cast<const char*>(shown.constBits()), shown.sizeInBytes()));
    for (const std::string& box : boxes_) line += " | " + box;
    boxes_.clear();
    line += std::string(" | menus ") + (enabled("标注") ? "annotate" : "-") + " " +
            (enabled("测量标注") ? "measure" : "-");
    for (const QString& name : written) {
      QFile file(path(name));
      line += " | " + name.toStdString() + " " +
              (file.open(QIODevice::ReadOnly) ? sha1(file.readAll()) + " " + std::to_string(file.size())
                                              : std::string("missing"));
    }
    if (!answers_.empty()) line += " | unanswered " + std::to_string(answers_.size());
    // One record line a step: line breaks in a box's text are written as \n.
    std::string flat;
    for (const char c : line) c == '\n' ? flat += "\\n" : flat += c;
    lines_.push_back(flat);
  }

  const std::vector<std::string>& lines() const { return lines_; }

 private:
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
};

}  // namespace vantory::replay
