// The main window of the program as built, loaded and ready to be shown.
#pragma once

#include <QMainWindow>
#include <memory>

namespace vantory::replay {
std::unique_ptr<QMainWindow> makeMainWindow();
}  // namespace vantory::replay
