// A file written completely or not at all (platform::ReplacingFile), with the program's
// reports when it cannot be: the bitmap and the PNG writers share it.
#pragma once

#include <QtGlobal>
#include <functional>
#include <string>
#include <vector>

#include "picture/platform/platform.h"

namespace vantory::qt {

// Writes every byte of `parts`, in order, to the file whose name has the bytes `path`:
// through a temporary file beside it, flushed to the disk, then renamed over it; through a
// symbolic link to the file it points to. After each write `written` is told how many
// bytes the file holds so far. Throws AppError 75 naming the file and the reason (a full
// disk or a failed write said as such); nothing is left behind and an existing file is
// not harmed.
void writeFileCompletely(const std::string& path, std::vector<platform::WritePart> parts,
                         const std::function<void(qint64)>& written = {});

}  // namespace vantory::qt
