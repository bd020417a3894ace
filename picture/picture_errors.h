// The errors raised for a picture file: the error's standard description, then what went
// wrong with which file, in the words of core/texts.h.
#pragma once

#include <QString>

#include "core/errors.h"
#include "core/texts.h"

namespace vantory::qt {

[[noreturn]] inline void fail(ErrorCode code, const QString& detail) {
  throw detailedError(code, detail.toStdString());
}

// The texts shared by every reader of a picture file, for the file shown as `name`.
inline QString damaged(const QString& name) { return QString(texts::kPictureDamaged).arg(name); }
inline QString noMemory(const QString& name) { return QString(texts::kPictureNoMemory).arg(name); }

}  // namespace vantory::qt
