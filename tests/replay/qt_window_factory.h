// The main window of the program as built, loaded and ready to be shown.
#pragma once

#include <QMainWindow>
#include <memory>

namespace vantory::replay {
std::unique_ptr<QMainWindow> makeMainWindow();
// Waits until what the window does in the background (a Save being written) is done, and
// its outcome told.
void settle(QMainWindow& window);
}  // namespace vantory::replay
