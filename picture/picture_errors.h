// The errors raised for a picture file: the error's standard description, then what went
// wrong with which file.
#pragma once

#include <QString>

#include "core/errors.h"

namespace vantory::qt {

[[noreturn]] inline void fail(ErrorCode code, const QString& detail) {
  throw detailedError(code, detail.toStdString());
}

// The texts shared by every reader of a picture file.
inline QString damaged(const QString& path) { return QString("图片“%1”的数据不完整或已损坏").arg(path); }
inline QString noMemory(const QString& path) { return QString("内存不够，无法读取图片“%1”").arg(path); }

}  // namespace vantory::qt
