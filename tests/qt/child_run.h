// The picture child: a process of its own that runs Open or Save once, under limits that
// would harm the test process itself (an address space that makes allocations fail, a
// file-size limit that makes writes stop short), or where a reader might block.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <ostream>

#include "picture/limits.h"

namespace vantory::qttest {

struct ChildResult {
  bool finished = false;  // within the time allowed
  int error = -1;         // 0 for success
  QString description;
  double peakMb = 0;  // VmHWM
  double elapsedMs = 0;
};
void printTo(const ChildResult& r, std::ostream* out);

// Runs the child with `arguments`, in a home of its own, for at most `timeoutMs`.
ChildResult runChild(const QStringList& arguments, int timeoutMs = 30000);

// What the child holds before it opens anything (the application, the plugins, fonts):
// measured once, on a picture that costs nothing, written into `dir`.
double baselineMb(const QTemporaryDir& dir);

// The most a decode may take, in MB.
inline constexpr double kLimitMb = double(qt::kMaxDecodedBytes >> 20);

// The files in `folder` (system files such as pipes included).
QStringList fileNames(const QString& folder);

}  // namespace vantory::qttest
