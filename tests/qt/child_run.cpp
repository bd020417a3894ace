#include "tests/qt/child_run.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include "tests/qt/qt_support.h"

namespace vantory::qttest {

void printTo(const ChildResult& r, std::ostream* out) {
  *out << "error " << r.error << " (" << r.description.toStdString() << "), peak " << r.peakMb << " MB, "
       << r.elapsedMs << " ms";
}

ChildResult runChild(const QStringList& arguments, int timeoutMs) {
  QTemporaryDir home;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", home.path());
  env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
  env.insert("XDG_RUNTIME_DIR", home.path());
  env.insert("QT_QPA_PLATFORM", "offscreen");
  QProcess child;
  child.setProcessEnvironment(env);
  child.start(PICTURE_CHILD, arguments);
  ChildResult result;
  if (!child.waitForStarted(10000)) return result;
  result.finished = child.waitForFinished(timeoutMs);
  if (!result.finished) {
    child.kill();
    child.waitForFinished(5000);
    return result;
  }
  const QString out = QString::fromUtf8(child.readAllStandardOutput());
  for (const QString& line : out.split('\n')) {
    if (line == "result ok") result.error = 0;
    if (line.startsWith("result error ")) result.error = line.mid(13).toInt();
    if (line.startsWith("description ")) result.description = line.mid(12);
    if (line.startsWith("vmhwm_kb ")) result.peakMb = line.mid(9).toDouble() / 1024;
    if (line.startsWith("elapsed_ms ")) result.elapsedMs = line.mid(11).toDouble();
  }
  if (result.error < 0) {
    ADD_FAILURE() << "child said: " << out.toStdString() << child.readAllStandardError().toStdString();
  }
  return result;
}

double baselineMb(const QTemporaryDir& dir) {
  static const double kBaseline = [&dir] {
    const QString small = writeImage(dir, "baseline.bmp", filled(8, 8, Qt::gray), "bmp");
    return runChild({"open", small}).peakMb;
  }();
  return kBaseline;
}

QStringList fileNames(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
}

}  // namespace vantory::qttest
