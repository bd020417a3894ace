// The picture at its natural size, for the loupe: decoded on a thread of its own the first
// time the loupe asks for it, kept until another picture is shown. Opening a picture
// stays as light as it was.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace vantory::qt {

class FullPicture {
 public:
  // `arrived` is called on the thread this object lives on when a decode is done.
  explicit FullPicture(std::function<void()> arrived);
  ~FullPicture();

  // Another picture is shown: what is held, or being decoded, is dropped.
  void forget();
  // The loupe wants the picture at `path`: decoding starts unless it is held or under way.
  void want(const QString& path);
  // The picture, once decoded (null before, and when it could not be decoded).
  const QImage* picture() const { return picture_.isNull() ? nullptr : &picture_; }

 private:
  void run();

  std::function<void()> arrived_;
  QImage picture_;
  QString wanted_;  // the path asked for since the last forget ("" for none)
  unsigned generation_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  QString pending_;  // the next decode to do, for `pendingGeneration_`
  unsigned pendingGeneration_ = 0;
  bool stopping_ = false;
  QObject receiver_;
  std::thread worker_;
};

}  // namespace vantory::qt
