// The core's picture files on Qt: the probe of a picture's header, and Save's work handed
// to the export queue.
#pragma once

#include "core/ports.h"
#include "save/export_queue.h"

namespace vantory::qt {

class QtPictureFiles : public PictureFiles {
 public:
  TwipSize probe(const std::string& path) override;
  // Returns at once: the picture is read and drawn on the Save thread (see ExportQueue).
  std::unique_ptr<ExportJob> prepareExport(const std::string& path, ExportDrawing drawing) override;
  // Waits until every Save asked for so far is written, and tells their outcome.
  void finishExports() { exports_.finish(); }

 private:
  ExportQueue exports_;
};

}  // namespace vantory::qt
