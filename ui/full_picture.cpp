#include "ui/full_picture.h"

#include "core/errors.h"
#include "picture/picture_files.h"

namespace vantory::qt {

FullPicture::FullPicture(std::function<void()> arrived)
    : arrived_(std::move(arrived)), worker_([this] { run(); }) {}

FullPicture::~FullPicture() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    pending_.clear();
  }
  wake_.notify_all();
  worker_.join();
}

void FullPicture::forget() {
  picture_ = QImage();
  wanted_.clear();
  std::lock_guard lock(mutex_);
  ++generation_;
  pending_.clear();
}

void FullPicture::want(const QString& path) {
  if (path.isEmpty() || path == wanted_) return;
  wanted_ = path;
  {
    std::lock_guard lock(mutex_);
    pending_ = path;
    pendingGeneration_ = generation_;
  }
  wake_.notify_all();
}

void FullPicture::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !pending_.isEmpty(); });
    if (stopping_) return;
    const QString path = std::exchange(pending_, QString());
    const unsigned generation = pendingGeneration_;
    lock.unlock();
    QImage decoded;
    try {
      decoded = decodePicture(path);
    } catch (...) {
      // The loupe goes on with the view's pixels; Save will tell what is wrong.
    }
    lock.lock();
    if (generation != generation_ || stopping_ || decoded.isNull()) continue;
    QMetaObject::invokeMethod(
        &receiver_,
        [this, generation, picture = std::move(decoded)]() mutable {
          if (generation != generation_) return;  // another picture since
          picture_ = std::move(picture);
          if (arrived_) arrived_();
        },
        Qt::QueuedConnection);
  }
}

}  // namespace vantory::qt
