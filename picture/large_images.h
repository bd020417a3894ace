// Large pictures in memory: asks the system to back them with huge pages where it can.
// Touching a picture of tens of megabytes page by page (4 KB each) costs a fault for every
// page, which on some machines (virtual ones especially) takes longer than decoding the
// pixels; huge pages of 2 MB take a five-hundredth of the faults, and copying out of them
// (to write a file) is several times faster.
#pragma once

#include <QImage>

namespace vantory::qt {

// Call on a freshly made image, before its pixels are written. Only advice: nothing
// happens where the system has no transparent huge pages.
void preferHugePages(QImage& image);

}  // namespace vantory::qt
