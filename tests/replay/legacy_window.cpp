// The main window of the program as it was.
#include "platform/qt/qt_window.h"
#include "tests/replay/qt_window_factory.h"

namespace vantory::replay {
std::unique_ptr<QMainWindow> makeMainWindow() {
  auto window = std::make_unique<qt::QtMainWindow>();
  window->Load();
  return window;
}
void settle(QMainWindow&) {}
}  // namespace vantory::replay
