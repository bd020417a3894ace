// Vantory: measure the sizes of objects in a picture. The program's entry: the
// application object, Qt's own Chinese translation for the standard dialogs, the main
// window, and the event loop.
#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <exception>

#include "platform/qt/qt_window.h"

namespace {

// The last safety net: an exception that escapes an event is reported, never fatal.
class Application : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
      qWarning("Vantory: %s", error.what());
    } catch (...) {
      qWarning("Vantory: unknown error");
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
  QApplication::setWindowIcon(QIcon(":/vantory.png"));

  // The whole interface is Chinese, whatever the user's locale: the standard dialogs
  // (file dialogs, input box, message boxes) take Qt's own Simplified Chinese texts.
  // Without the translation files they stay in English; nothing is said.
  QTranslator qt_translator;
  if (qt_translator.load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qt_translator);
  }

  vantory::qt::QtMainWindow window;
  window.Load();
  window.show();
  return QApplication::exec();
}
