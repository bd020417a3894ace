// A child process for the tests of what the program does with bad files, low memory and
// a full disk: it runs the Open or Save path of the Qt layer once, under limits that
// would harm the test process itself (an address-space limit that makes allocations
// fail, a file-size limit that makes writes stop short), and prints what happened:
//
//   result ok | result error <number>
//   description <text>          (for an error)
//   vmhwm_kb <peak resident memory of the process, from /proc/self/status>
//   elapsed_ms <time of the attempt>
//
// Usage: picture_child open|save PICTURE [OUTPUT] [--as-mb N] [--fsize BYTES] [--fifo]
//   open:  the header read and the decode at a display size, as Open does
//   save:  Open, then the full decode onto the export canvas with a line and a label
//          drawn, then the bitmap written to OUTPUT, as Save does
//   --as-mb N      after start-up, limit the address space to what is mapped plus N MB
//   --fsize BYTES  limit the size of files this process writes (SIGXFSZ ignored)
//   --fifo         after Open, replace the picture by a named pipe before saving
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>

#include "platform/qt/qt_pictures.h"
#include "platform/qt/qt_surface.h"
#include "platform/runtime_error.h"

namespace {

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
  }
  return -1;
}

// Loads what the attempt will need besides the picture (the image plugins, fonts), so
// that a limit set afterwards bears on the picture alone.
void WarmUp() {
  for (const char* format : {"jpg", "png", "bmp"}) {
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::white);
    const QString path = QString("/tmp/picture_child_warm_%1.%2").arg(::getpid()).arg(format);
    small.save(path, format);
    QImage back(path);
    QFile::remove(path);
  }
  QImage canvas(64, 64, QImage::Format_RGB32);
  QPainter painter(&canvas);
  painter.drawText(2, 20, "0.123");
  // Smooth scaling of a large picture runs on Qt's thread pool: its threads are started
  // now (they stay for half a minute). Under an address-space limit a thread could not
  // be started later, and the scaling would wait for it for ever.
  QImage large(2000, 2000, QImage::Format_RGB32);
  large.fill(Qt::gray);
  large = large.scaled(700, 500, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: picture_child open|save PICTURE [OUTPUT] [options]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const QString picture_path = QString::fromLocal8Bit(argv[2]);
  QString output;
  long as_mb = -1;
  long long fsize = -1;
  bool fifo = false;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--as-mb" && i + 1 < argc) {
      as_mb = std::atol(argv[++i]);
    } else if (arg == "--fsize" && i + 1 < argc) {
      fsize = std::atoll(argv[++i]);
    } else if (arg == "--fifo") {
      fifo = true;
    } else {
      output = QString::fromLocal8Bit(argv[i]);
    }
  }

  WarmUp();
  if (fsize >= 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(fsize), static_cast<rlim_t>(fsize)};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  if (as_mb >= 0) {
    const rlim_t bytes = static_cast<rlim_t>(StatusKb("VmSize") + as_mb * 1024) * 1024;
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_AS, &limit);
  }

  using vantory::qt::AsQt;
  const auto start = std::chrono::steady_clock::now();
  int error = 0;
  std::string description;
  try {
    const auto picture = vantory::qt::QtPicture::Open(picture_path);
    // Shown fitted into a 761 x 507 rectangle, as a window shows it.
    const QSize shown = picture->PixelSize().scaled(761, 507, Qt::KeepAspectRatio);
    picture->Decode(shown.isEmpty() ? QSize(1, 1) : shown);
    if (mode == "save") {
      if (fifo) {
        QFile::remove(picture_path);
        ::mkfifo(QFile::encodeName(picture_path).constData(), 0600);
      }
      vantory::qt::CanvasBox canvas;
      canvas.SetAutoSize(true);
      canvas.SetPicture(picture);
      canvas.SetForeColor(255);
      canvas.Line(15, 15, 600, 600, 255);
      canvas.SetCurrentX(150);
      canvas.SetCurrentY(150);
      canvas.Print(12.5f);
      const auto image = canvas.Image();
      vantory::qt::WriteBitmap(*AsQt(image), output);
    }
  } catch (const vantory::RuntimeError& e) {
    error = e.Number();
    description = e.Description();
  } catch (const std::bad_alloc&) {
    error = vantory::kErrOutOfMemory;
    description = "std::bad_alloc";
  }
  const double elapsed =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (error == 0) {
    std::printf("result ok\n");
  } else {
    std::printf("result error %d\ndescription %s\n", error, description.c_str());
  }
  std::printf("vmhwm_kb %ld\nelapsed_ms %.0f\n", StatusKb("VmHWM"), elapsed);
  return 0;
}
