#include "picture/current_picture.h"

namespace vantory::qt {

CurrentPicture::CurrentPicture() : work_(BackgroundWork::shared()) {}

CurrentPicture::~CurrentPicture() {
  dropFullPicture();
  // A decode under way tells its end through receiver_: it must be over first.
  work_->waitUntilIdle();
}

OpenedPicture CurrentPicture::probe(const std::string& path) {
  probed_ = probePicture(path);
  return *probed_;
}

OpenedPicture CurrentPicture::probed(const std::string& path) {
  if (probed_ && probed_->path == path) return *probed_;
  return probePicture(path);
}

void CurrentPicture::setShown(const OpenedPicture& picture) {
  dropFullPicture();
  shown_ = picture;
}

std::optional<OpenedPicture> CurrentPicture::shown(const std::string& path) const {
  if (shown_ && shown_->path == path) return shown_;
  return std::nullopt;
}

void CurrentPicture::dropFullPicture() {
  if (full_) full_->stop = true;  // a decode under way stops within a row
  full_.reset();
  fullArrived_ = false;
}

void CurrentPicture::wantFullPicture(std::function<void()> arrived) {
  if (full_ || !shown_) return;
  auto decode = std::make_shared<FullDecode>(*shown_);
  full_ = decode;
  work_->post([this, decode, arrived = std::move(arrived)] {
    bool decoded = true;
    try {
      decode->image = decodePicture(decode->source, QSize(), &decode->stop);
    } catch (...) {
      // The loupe goes on with the view's pixels; Save will tell what is wrong.
      decoded = false;
    }
    decode->finished = true;
    decode->finished.notify_all();
    if (!decoded) return;
    replyOn(&receiver_, [this, decode, arrived] {
      if (full_ != decode || fullArrived_) return;  // dropped or handed over since, or waited for
      fullArrived_ = true;
      if (arrived) arrived();
    });
  });
}

const QImage* CurrentPicture::awaitFullPicture(std::function<void()> arrived) {
  wantFullPicture(std::move(arrived));
  if (!full_) return nullptr;
  full_->finished.wait(false);
  fullArrived_ = true;
  return fullPicture();
}

const QImage* CurrentPicture::fullPicture() const {
  return fullArrived_ && !full_->image.isNull() ? &full_->image : nullptr;
}

std::shared_ptr<FullDecode> CurrentPicture::takeFullPicture() {
  std::shared_ptr<FullDecode> taken = std::move(full_);
  full_.reset();
  fullArrived_ = false;
  return taken;
}

}  // namespace vantory::qt
