// File names cross between the core, which holds them as the bytes the file system holds
// (std::string), and Qt, which holds text (QString), in one place. The bytes are passed to
// the system as they are, so that any name the file system holds opens and saves under
// its own bytes, UTF-8 or not; the text is what the user reads (a byte that is not UTF-8
// shows as a replacement character).
#pragma once

#include <QFile>
#include <QString>
#include <string>

namespace vantory::qt {

// The name as the user reads it.
inline QString shownName(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

// The bytes of a name chosen in a dialog or typed.
inline std::string nativeName(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace vantory::qt
