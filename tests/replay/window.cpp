// The main window of the program as built.
#include "tests/replay/qt_window_factory.h"
#include "ui/main_window.h"

namespace vantory::replay {
std::unique_ptr<QMainWindow> makeMainWindow() { return std::make_unique<qt::MainWindow>(); }
void settle(QMainWindow& window) { static_cast<qt::MainWindow&>(window).finishSaving(); }
}  // namespace vantory::replay
