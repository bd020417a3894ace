// The picture library as the tests call it by a file's path: the probe, and a decode from
// a probe made on the spot, as an Open and then the view or Save read the file.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

#include "core/errors.h"
#include "picture/file_names.h"
#include "picture/picture_files.h"

namespace vantory::testing_support {

inline qt::OpenedPicture probed(const QString& path) { return qt::probePicture(qt::nativeName(path)); }
// The picture's upright natural size, from its header.
inline QSize probedSize(const QString& path) { return probed(path).upright(); }
inline QImage decoded(const QString& path, QSize size = QSize()) {
  return qt::decodePicture(probed(path), size);
}

// The number of the error `step` raises; 0 for none.
inline int errorOf(const std::function<void()>& step) {
  try {
    step();
  } catch (const AppError& error) {
    return error.number();
  }
  return 0;
}

}  // namespace vantory::testing_support
