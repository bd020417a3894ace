#include "save/qt_picture_files.h"

#include <QGuiApplication>
#include <QPalette>

#include "draw/image_painter.h"

namespace vantory::qt {

QtPictureFiles::QtPictureFiles(std::shared_ptr<CurrentPicture> picture)
    : picture_(std::move(picture)), exports_(picture_->work()) {}

TwipSize QtPictureFiles::probe(const std::string& path) {
  const QSize size = picture_->probe(path).upright();
  return {toTwips(size.width()), toTwips(size.height())};
}

std::unique_ptr<ExportJob> QtPictureFiles::prepareExport(const std::string& path, ExportDrawing drawing) {
  ExportQueue::Source source{path, picture_->shown(path), nullptr};
  if (source.opened) source.full = picture_->takeFullPicture();
  // The labels in the default font, whatever size the view's labels have taken; what the
  // picture leaves transparent shows the view's background.
  return exports_.prepare(std::move(source), std::move(drawing), QGuiApplication::font(),
                          QGuiApplication::palette().color(QPalette::Base));
}

}  // namespace vantory::qt
