// The main window of the program as built.
#include "qt/main_window.h"
#include "tests/replay/qt_window_factory.h"

namespace vantory::replay {
std::unique_ptr<QMainWindow> makeMainWindow() { return std::make_unique<qt::MainWindow>(); }
void settle(QMainWindow& window) { static_cast<qt::MainWindow&>(window).finishSaving(); }
}  // namespace vantory::replay
