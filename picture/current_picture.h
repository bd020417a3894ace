// The picture the user has open, as the view, the loupe and Save share it: the probe of
// the last Open (so that showing the picture does not read its header again), the picture
// shown (what Save draws on), and that picture decoded at its natural size in the
// background, which the loupe shows and Save takes over, so that at most one full-size
// picture is held or decoded at a time.
#pragma once

#include <QImage>
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "picture/background_work.h"
#include "picture/picture_files.h"

namespace vantory::qt {

// A decode of a picture at its natural size, made on the background thread.
struct FullDecode {
  explicit FullDecode(OpenedPicture picture) : source(std::move(picture)) {}
  const OpenedPicture source;
  QImage image;  // null until decoded, and when it could not be
  std::atomic<bool> stop{false};
  std::atomic<bool> finished{false};  // the decode has ended, with a picture or without
};

// Lives on the window's thread, and is used there only.
class CurrentPicture {
 public:
  CurrentPicture();
  // Stops a decode under way, and waits for the background thread to finish its work.
  ~CurrentPicture();
  CurrentPicture(const CurrentPicture&) = delete;
  CurrentPicture& operator=(const CurrentPicture&) = delete;

  // Open: probes the picture at `path` (probePicture) and keeps what it learned.
  OpenedPicture probe(const std::string& path);
  // What the last probe learned of `path`, or a new probe when it was of another path.
  OpenedPicture probed(const std::string& path);
  // The picture is shown from now on: the full-size picture of another is dropped, and
  // its decode stopped.
  void setShown(const OpenedPicture& picture);
  // The picture shown, when it is the one at `path`.
  std::optional<OpenedPicture> shown(const std::string& path) const;

  // The loupe wants the picture shown at its natural size: its decode starts on the
  // background thread, unless it is held or under way. `arrived` runs on this object's
  // thread once it is decoded.
  void wantFullPicture(std::function<void()> arrived);
  // The picture shown at its natural size, once decoded (null before, and when it could
  // not be decoded).
  const QImage* fullPicture() const;
  // The same, waiting on this thread for its decode to end (started as wantFullPicture
  // does, when it is not held or under way): null when there is no picture shown or it
  // cannot be decoded. Decodes and Save run in turn on the background thread, so this may
  // wait for a Save's work posted before the decode too.
  const QImage* awaitFullPicture(std::function<void()> arrived);
  // Hands the full-size decode of the picture shown, held or under way, over to Save
  // (null when there is none): the loupe goes on with the view's pixels until it asks
  // again. Decodes and Save run in turn on the one background thread, so Save finds the
  // decode done when its own work starts.
  std::shared_ptr<FullDecode> takeFullPicture();
  // The background thread Save runs on too.
  const std::shared_ptr<BackgroundWork>& work() const { return work_; }

 private:
  void dropFullPicture();

  std::shared_ptr<BackgroundWork> work_;
  std::optional<OpenedPicture> probed_, shown_;
  std::shared_ptr<FullDecode> full_;  // the loupe's, held or under way
  bool fullArrived_ = false;
  QObject receiver_;  // decodes reach this thread through it
};

}  // namespace vantory::qt
