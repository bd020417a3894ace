#include "picture/background_work.h"

#include <QtGlobal>

#include "core/errors.h"

namespace vantory::qt {

std::shared_ptr<BackgroundWork> BackgroundWork::shared() {
  static std::mutex made;
  static std::weak_ptr<BackgroundWork> current;
  const std::lock_guard lock(made);
  std::shared_ptr<BackgroundWork> work = current.lock();
  if (!work) {
    work = std::make_shared<BackgroundWork>();
    current = work;
  }
  return work;
}

BackgroundWork::BackgroundWork() : thread_([this] { run(); }) {}

BackgroundWork::~BackgroundWork() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void BackgroundWork::post(std::function<void()> work) {
  {
    const std::lock_guard lock(mutex_);
    work_.push_back(std::move(work));
  }
  wake_.notify_all();
}

void BackgroundWork::waitUntilIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return work_.empty() && !busy_; });
}

void BackgroundWork::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !work_.empty(); });
    if (work_.empty()) return;  // stopping, and nothing left to do
    std::function<void()> work = std::move(work_.front());
    work_.pop_front();
    busy_ = true;
    lock.unlock();
    try {
      work();
    } catch (...) {
      qWarning("Vantory: background work failed: %s", currentError().what());
    }
    work = nullptr;  // what it held goes before the next piece starts
    lock.lock();
    busy_ = false;
    idle_.notify_all();
  }
}

void replyOn(QObject* receiver, std::function<void()> then) {
  QMetaObject::invokeMethod(receiver, std::move(then), Qt::QueuedConnection);
}

}  // namespace vantory::qt
