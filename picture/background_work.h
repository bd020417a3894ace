// The one thread for picture work beside the window: the loupe's decode of the picture at
// its natural size, and Save's decode, drawing and write. Work runs one piece at a time, in
// the order it was posted, so that two full-size decodes never run at once; each piece
// reports its own errors (errors.h: currentError) and tells its outcome on the window's
// thread (replyOn).
#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace vantory::qt {

class BackgroundWork {
 public:
  // The thread of the process, started by its first user; it ends once the last lets go.
  static std::shared_ptr<BackgroundWork> shared();

  BackgroundWork();
  // Runs what was posted, then ends the thread.
  ~BackgroundWork();
  BackgroundWork(const BackgroundWork&) = delete;
  BackgroundWork& operator=(const BackgroundWork&) = delete;

  // Runs `work` after everything posted before it. An exception that escapes it is logged:
  // it never ends the program.
  void post(std::function<void()> work);
  // Waits until everything posted so far has run.
  void waitUntilIdle();

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<std::function<void()>> work_;
  bool busy_ = false, stopping_ = false;
  std::thread thread_;
};

// Runs `then` on the thread `receiver` lives on, from its event loop.
void replyOn(QObject* receiver, std::function<void()> then);

}  // namespace vantory::qt
