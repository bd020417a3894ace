// The work of Save, done on a thread of its own while the user chooses a file name: the
// picture read again at its natural size, the annotations drawn on it, the bitmap laid out
// and encoded as a PNG as well, and, once a name is chosen, written in the format the name
// asks for. One Save after the other: a Save chosen while an
// earlier one is still reading or writing waits its turn, and no more than one picture at
// natural size is ever held.
#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/ports.h"

namespace vantory::qt {

class ExportQueue {
 public:
  ExportQueue();
  // Writes what was confirmed; drops what was not.
  ~ExportQueue();

  // Starts readying the picture at `path` with `drawing`; labels in `labelFont`, parts the
  // picture leaves transparent in `background`.
  std::unique_ptr<ExportJob> prepare(const QString& path, ExportDrawing drawing, const QFont& labelFont,
                                     const QColor& background);
  // Waits until every Save asked for so far is written (or has failed), then tells their
  // outcome.
  void finish();

  struct Job;

 private:
  void post(std::function<void()> task);
  void run();

  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<std::function<void()>> tasks_;
  bool busy_ = false, stopping_ = false;
  QObject receiver_;  // outcomes reach the commands' thread through it
  std::thread worker_;
};

}  // namespace vantory::qt
