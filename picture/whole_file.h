// Files written completely or not at all, with the reports Save gives when that fails.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "picture/platform/platform.h"

namespace vantory::qt {

// Writes `parts` in order to the file whose name has the bytes `path`
// (platform::ReplacingFile: through a temporary file beside it, flushed to the disk, then
// renamed over it; through a symbolic link to the file it points to), telling `written`
// how many bytes the file holds after each write. A failed write leaves no partial file
// and never harms an existing one. Throws AppError 75 naming the path and the reason: a
// full disk or a failed write, a link that leads nowhere, or a path that cannot be written.
void writeWholeFile(
    const std::string& path, std::vector<platform::WritePart> parts,
    const std::function<void(qint64)>& written = [](qint64) {});

}  // namespace vantory::qt
