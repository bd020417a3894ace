// The core's picture files on Qt: the probe of a picture's header, and Save's work handed
// to the export queue.
#pragma once

#include <memory>

#include "core/ports.h"
#include "picture/current_picture.h"
#include "save/export_queue.h"

namespace vantory::qt {

class QtPictureFiles : public PictureFiles {
 public:
  // `picture`: what is shared with the view of the picture open (the view's, in the
  // program; one of its own otherwise).
  explicit QtPictureFiles(std::shared_ptr<CurrentPicture> picture = std::make_shared<CurrentPicture>());
  TwipSize probe(const std::string& path) override;
  // Returns at once: the picture shown (or, for another path, the file at `path`) is read
  // and drawn on the background thread (see ExportQueue).
  std::unique_ptr<ExportJob> prepareExport(const std::string& path, ExportDrawing drawing) override;
  // Waits until every Save asked for so far is written, and tells their outcome.
  void finishExports() { exports_.finish(); }

 private:
  std::shared_ptr<CurrentPicture> picture_;
  ExportQueue exports_;
};

}  // namespace vantory::qt
