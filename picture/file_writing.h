// A file written completely or not at all: the bytes go to a temporary file beside it,
// flushed to the disk and then renamed over the path, so a failed write leaves no partial
// file and never harms an existing one.
#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <vector>

#include <sys/uio.h>

namespace vantory::qt {

// Writes every byte of `parts`, in order, to `path`. After each write `written` is told
// how many bytes are in the file so far. Throws AppError 75 naming the path and the
// reason, a full disk or a failed write said as such. `parts` is used up.
void writeFileAtomically(const QString& path, std::vector<iovec>& parts,
                         const std::function<void(qint64)>& written = {});

}  // namespace vantory::qt
