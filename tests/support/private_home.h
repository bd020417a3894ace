// A private home for a process that starts Qt: Qt keeps its settings under HOME and
// XDG_CONFIG_HOME (the file dialogs' shared history of visited folders among them), and
// a test or a benchmark must never read or write the user's own.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace vantory::testing_support {

class PrivateHome {
 public:
  // Call before the application object is made.
  PrivateHome() {
    if (!dir_.isValid()) {
      std::fprintf(stderr, "no temporary folder for a private home\n");
      std::exit(1);
    }
    const QDir home(dir_.path());
    set("HOME", home.path());
    set("XDG_CONFIG_HOME", home.filePath(".config"));
    set("XDG_DATA_HOME", home.filePath(".local/share"));
    set("XDG_CACHE_HOME", home.filePath(".cache"));
    set("XDG_STATE_HOME", home.filePath(".local/state"));
  }
  QString path() const { return dir_.path(); }

 private:
  static void set(const char* name, const QString& value) {
    QDir().mkpath(value);
    qputenv(name, value.toLocal8Bit());
  }
  QTemporaryDir dir_;
};

}  // namespace vantory::testing_support
