// The runtime's error as the Qt layer raises it for a picture file.
#pragma once

#include <QString>

#include "platform/runtime_error.h"

namespace vantory::qt {

// Raises the runtime's error `number`: its standard description, then `detail`.
[[noreturn]] inline void Fail(int number, const QString& detail) {
  throw RuntimeError(number, StandardDescription(number) + "：" + detail.toStdString());
}

// The texts shared by every reader of a picture file.
inline QString Damaged(const QString& path) {
  return QString("图片“%1”的数据不完整或已损坏").arg(path);
}
inline QString NoMemory(const QString& path) {
  return QString("内存不够，无法读取图片“%1”").arg(path);
}

}  // namespace vantory::qt
