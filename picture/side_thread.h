// A second thread for half of a large decode, with a small stack: the work needs little
// of it, and in a process short of address space the usual reservation of megabytes could
// fail where the work itself would not. Where no thread can be had, the caller does the
// work itself.
#pragma once

#include <QThread>
#include <functional>
#include <memory>

namespace vantory::qt {

class SideThread {
 public:
  // Starts `work`, which must not throw, unless no thread can be had (see started()).
  explicit SideThread(std::function<void()> work);
  SideThread(const SideThread&) = delete;
  SideThread& operator=(const SideThread&) = delete;
  ~SideThread() { join(); }

  bool started() const { return started_; }
  // Waits until the work is done (at once when it never started).
  void join();

 private:
  std::unique_ptr<QThread> thread_;
  bool started_ = false;
};

}  // namespace vantory::qt
