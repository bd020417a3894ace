// The work of Save, done on the background thread (BackgroundWork) while the user chooses
// a file name: the picture decoded again at its natural size (or taken over from the
// loupe, which decoded it already), the annotations drawn on it, the bitmap laid out and
// encoded as a PNG as well and, once a name is chosen, written in the format the name asks
// for. One Save after the other, in turn with the loupe's
// decodes: no more than one picture at natural size is ever held.
#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "core/ports.h"
#include "picture/background_work.h"
#include "picture/current_picture.h"

namespace vantory::qt {

class ExportQueue {
 public:
  explicit ExportQueue(std::shared_ptr<BackgroundWork> work);
  // Writes what was confirmed; drops what was not.
  ~ExportQueue();

  // What a Save draws on: the picture `opened` (when it is not known, the file at `path`
  // is probed first), or `full`, its decode at natural size, when there is one.
  struct Source {
    std::string path;
    std::optional<OpenedPicture> opened;
    std::shared_ptr<FullDecode> full;
  };
  // Starts readying `source` with `drawing`; labels in `labelFont`, parts the picture
  // leaves transparent in `background`.
  std::unique_ptr<ExportJob> prepare(Source source, ExportDrawing drawing, const QFont& labelFont,
                                     const QColor& background);
  // Waits until every Save asked for so far is written (or has failed), then tells their
  // outcome.
  void finish();

  struct Job;

 private:
  std::shared_ptr<BackgroundWork> work_;
  QObject receiver_;  // outcomes reach the commands' thread through it
};

}  // namespace vantory::qt
