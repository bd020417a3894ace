#include "picture/side_thread.h"

#include <cstddef>

namespace vantory::qt {

SideThread::SideThread(std::function<void()> work) : work_(std::move(work)) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return;
  if (pthread_attr_setstacksize(&attributes, std::size_t{256} << 10) == 0) {
    started_ = pthread_create(&thread_, &attributes, &SideThread::run, this) == 0;
  }
  pthread_attr_destroy(&attributes);
}

void SideThread::join() {
  if (started_) pthread_join(thread_, nullptr);
  started_ = false;
}

void* SideThread::run(void* self) {
  static_cast<SideThread*>(self)->work_();
  return nullptr;
}

}  // namespace vantory::qt
