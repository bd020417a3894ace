#include "picture/side_thread.h"

namespace vantory::qt {

SideThread::SideThread(std::function<void()> work) : thread_(QThread::create(std::move(work))) {
  thread_->setStackSize(256 << 10);
  thread_->start();
  // A thread that could not be created is neither running nor finished.
  started_ = thread_->isRunning() || thread_->isFinished();
}

void SideThread::join() {
  if (started_) thread_->wait();
  started_ = false;
}

}  // namespace vantory::qt
