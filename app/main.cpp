// Vantory: measure the sizes of objects in a picture. The program's entry: the
// application object, Qt's own Chinese translation for the standard dialogs, the command
// line (`vantory [FILE]`), the main window, and the event loop.
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <exception>
#include <new>
#include <string>

#include "core/errors.h"
#include "core/texts.h"
#include "picture/file_names.h"
#include "ui/main_window.h"

namespace {

using vantory::AppError;
using vantory::ErrorCode;

// Shows the error report for an exception that reached the event loop. A failure while
// showing it (or a second one while the first box is open) is only logged: the program
// must go on.
void showReport(const AppError& error) {
  static bool showing = false;
  if (showing) {
    qWarning("Vantory: %s", error.what());
    return;
  }
  showing = true;
  try {
    QMessageBox::critical(QApplication::activeWindow(), vantory::texts::kTitle,
                          QString::fromStdString(error.reportText()));
  } catch (...) {
    qWarning("Vantory: %s", error.what());
  }
  showing = false;
}

// The last safety net: an exception that escapes an event is reported, never fatal. The
// commands report their own errors; this catches what is raised elsewhere in an event
// (painting, a widget of Qt's).
class Application : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const AppError& error) {
      showReport(error);
    } catch (const std::bad_alloc&) {
      showReport(AppError(ErrorCode::kOutOfMemory));
    } catch (const std::exception& error) {
      showReport(vantory::detailedError(ErrorCode::kInternal, error.what()));
    } catch (...) {
      showReport(AppError(ErrorCode::kInternal));
    }
    return false;
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  Application app(argc, argv);
  // No display name: Qt would append it to every dialog's title, and the input box's
  // title is the program's own text. The main window and the message boxes carry
  // "Vantory" themselves.
  QApplication::setApplicationName("Vantory");
  QApplication::setApplicationVersion(VANTORY_VERSION);
  QApplication::setWindowIcon(QIcon(":/vantory.png"));

  // The whole interface is Chinese, whatever the user's locale: the standard dialogs
  // (file dialogs, input box, message boxes) take Qt's own Simplified Chinese texts.
  // Without the translation files they stay in English; nothing is said.
  QTranslator qtTranslator;
  if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtTranslator);
  }

  // Qt's own options (-style, -platform and the like) are taken by the application
  // already; --help and --version print and end here.
  QCommandLineParser commandLine;
  commandLine.setApplicationDescription(vantory::texts::kCommandLineHelp);
  commandLine.addHelpOption();
  commandLine.addVersionOption();
  commandLine.addPositionalArgument("FILE", vantory::texts::kCommandLineFile, "[FILE]");
  commandLine.process(app);

  vantory::qt::MainWindow window;
  window.show();
  // A picture named on the command line (a file manager's "open with") opens as soon as
  // the window is up, as 文件 > 打开 opens it; a file that cannot be opened is reported,
  // and the window stays empty.
  if (const QStringList files = commandLine.positionalArguments(); !files.isEmpty()) {
    // The name's own bytes, from the arguments as given: Qt's text of a name that is not
    // UTF-8 has lost them.
    std::string file = vantory::qt::nativeName(files.first());
    for (int i = 1; i < argc; ++i) {
      if (QFile::decodeName(argv[i]) == files.first()) file = argv[i];
    }
    QMetaObject::invokeMethod(
        &window, [&window, file] { window.openFile(file); }, Qt::QueuedConnection);
  }
  return QApplication::exec();
}
