#include "save/qt_picture_files.h"

#include <QGuiApplication>
#include <QPalette>

#include "draw/image_painter.h"
#include "picture/picture_files.h"

namespace vantory::qt {

TwipSize QtPictureFiles::probe(const std::string& path) {
  const QSize size = probePicture(QString::fromStdString(path));
  return {toTwips(size.width()), toTwips(size.height())};
}

std::unique_ptr<ExportJob> QtPictureFiles::prepareExport(const std::string& path, ExportDrawing drawing) {
  // The labels in the default font, whatever size the view's labels have taken; what the
  // picture leaves transparent shows the view's background.
  return exports_.prepare(QString::fromStdString(path), std::move(drawing), QGuiApplication::font(),
                          QGuiApplication::palette().color(QPalette::Base));
}

}  // namespace vantory::qt
