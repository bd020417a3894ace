// The main window of the program as built, loaded and ready to be shown.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

namespace vantory::replay {
std::unique_ptr<QMainWindow> makeMainWindow();
// Waits until what the window does in the background (a Save being written) is done, and
// its outcome told.
void settle(QMainWindow& window);
// What the window shows, in words and logical pixels: where the picture is, the reference
// and the measurements with their labels, the pair being placed.
std::vector<std::string> describeWindow(QMainWindow& window);
}  // namespace vantory::replay
