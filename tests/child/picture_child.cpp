// A child process for the tests of what the program does with bad files, low memory and
// a full disk: it runs the program's Open or Save once, under limits that would harm the
// test process itself (an address-space limit that makes allocations fail, a file-size
// limit that makes writes stop short), and prints what happened:
//
//   result ok | result error <number>
//   description <text>          (for an error)
//   vmhwm_kb <peak resident memory of the process, from /proc/self/status>
//   elapsed_ms <time of the attempt>
//
// The commands are the program's own, on its real view and picture files; only the
// window's menus and the dialogs are stand-ins, the dialogs answering with the paths
// given here.
//
// Usage: picture_child open|save PICTURE [OUTPUT] [--as-mb N] [--fsize BYTES] [--fifo]
//   open:  Open of PICTURE: the header read, the fit, the decode at the size shown
//   save:  Open, a reference placed with its length typed, then Save to OUTPUT: the
//          full decode onto the export canvas with the reference's line and label
//          drawn, and the bitmap written
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
#include <new>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/commands.h"
#include "core/errors.h"
#include "core/saved_format.h"
#include "save/qt_picture_files.h"
#include "tests/support/private_home.h"
#include "tests/support/scripted_program.h"

namespace {

long statusKb(const char* field) {
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
void warmUp() {
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
  const vantory::testing_support::PrivateHome home;
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: picture_child open|save PICTURE [OUTPUT] [options]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string picture = argv[2];
  std::string output;
  long asMb = -1;
  long long fsize = -1;
  bool fifo = false;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--as-mb" && i + 1 < argc) {
      asMb = std::atol(argv[++i]);
    } else if (arg == "--fsize" && i + 1 < argc) {
      fsize = std::atoll(argv[++i]);
    } else if (arg == "--fifo") {
      fifo = true;
    } else {
      output = argv[i];
    }
  }

  warmUp();
  vantory::testing_support::ScriptedProgram program;
  program.run([&] { program.commands.start(); });
  if (fsize >= 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(fsize), static_cast<rlim_t>(fsize)};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  if (asMb >= 0) {
    const rlim_t bytes = static_cast<rlim_t>(statusKb("VmSize") + asMb * 1024) * 1024;
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_AS, &limit);
  }

  using vantory::MouseButton;
  vantory::fakes::FakePrompts& prompts = program.prompts;
  vantory::Commands& commands = program.commands;
  const auto start = std::chrono::steady_clock::now();
  try {
    prompts.fileAnswers = {picture};
    bool ok = program.run([&] { commands.openPicture(); });
    if (ok && commands.picturePath() != picture) {
      std::printf("Open did not take the picture and reported nothing\n");
      return 1;
    }
    if (ok && mode == "save") {
      if (fifo) {
        const QString path = QString::fromStdString(picture);
        QFile::remove(path);
        ::mkfifo(QFile::encodeName(path).constData(), 0600);
      }
      // A reference from (15, 15) to (600, 600) twips from the picture's corner, 12.5 long.
      commands.chooseReferenceMode();
      prompts.textAnswers = {"12.5"};
      ok = program.run([&] { commands.press(MouseButton::kLeft, 15, 15); }) &&
           program.run([&] { commands.press(MouseButton::kLeft, 600, 600); }) &&
           program.run([&] { commands.press(MouseButton::kRight, 600, 600); });
      if (ok && !commands.session().referenceCommitted()) {
        std::printf("the reference was not committed\n");
        return 1;
      }
      prompts.fileAnswers = {output};
      if (ok) ok = program.run([&] { commands.savePicture(); });
      QFile written(QString::fromStdString(output));
      const QByteArray magic =
          vantory::savedFormatFor(output) == vantory::SavedFormat::kPng ? "\x89PNG" : "BM";
      if (ok && !(written.open(QIODevice::ReadOnly) && written.read(magic.size()) == magic)) {
        std::printf("Save wrote no picture and reported nothing\n");
        return 1;
      }
    }
  } catch (const std::bad_alloc&) {
    // Outside the commands' own guard: setting up an answer, say.
    prompts.errors.emplace_back(static_cast<int>(vantory::ErrorCode::kOutOfMemory), "std::bad_alloc");
  }
  const double elapsed =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  for (const std::string& message : prompts.messages) {
    std::printf("unexpected message %s\n", message.c_str());
    return 1;
  }
  if (prompts.errors.empty()) {
    std::printf("result ok\n");
  } else {
    const auto& [number, description] = prompts.errors.front();
    std::printf("result error %d\ndescription %s\n", number, description.c_str());
  }
  std::printf("vmhwm_kb %ld\nelapsed_ms %.0f\n", statusKb("VmHWM"), elapsed);
  return 0;
}
