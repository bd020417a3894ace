// Open of a 6000 x 4000 JPEG: what the Open command does once the dialog has answered
// (the header read for the size, the fit, the picture decoded at the size shown, the
// view's flush), against one full decode of the same file with a plain QImageReader.
// Goals: Open within half the full decode's time, and Open raising the peak memory by at
// most 40 MB.
#include <QImageReader>

#include "bench/harness.h"
#include "picture/file_names.h"
#include "picture/picture_files.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kRepetitions = 11;
constexpr double kTimeGoal = 0.5;     // Open / full decode
constexpr double kMemoryGoalMb = 40;  // peak rise of one Open

QImage fullDecode(const QString& path) {
  QImageReader reader(path);
  QImage image = reader.read();
  if (image.isNull()) bench::fail("full decode failed: " + reader.errorString().toStdString());
  return image;
}

// The view shows the picture decoded at the size shown, pixel for pixel, at its place.
void checkShown(bench::Rig& rig, const QString& path) {
  const QRect shown = rig.view().pictureRect();
  const QImage expected =
      vantory::qt::decodePicture(vantory::qt::probePicture(vantory::qt::nativeName(path)), shown.size());
  const QImage& screen = rig.view().screen();
  for (const QPoint at : {QPoint(0, 0), QPoint(shown.width() - 1, shown.height() - 1),
                          QPoint(shown.width() / 3, shown.height() / 2), QPoint(shown.width() / 2, 7)}) {
    if (screen.pixel(shown.topLeft() + at) != expected.pixel(at))
      bench::fail("the view does not show the picture");
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  const bench::Environment environment(argc, argv);
  const QString path = environment.path("photo.jpg");
  const qint64 bytes = bench::writePhotoJpeg(path, kWidth, kHeight);
  std::printf("bench_open: %d x %d JPEG, quality 90, %.1f MB on disk; %d repetitions, medians\n", kWidth,
              kHeight, bytes / 1048576.0, kRepetitions);

  bench::PeakMeter meter;
  std::printf("memory: %s\n", meter.method());

  bench::Rig rig;

  // The first of each carries one-time costs (plugin loading, caches); shown, not counted.
  const double firstOpen = bench::timeMs([&] { rig.open(path); });
  const double firstDecode = bench::timeMs([&] { fullDecode(path); });
  std::printf("first run (not counted): Open %.1f ms, full decode %.1f ms\n", firstOpen, firstDecode);
  const QRect shown = rig.view().pictureRect();
  checkShown(rig, path);
  std::printf("shown: %d x %d px at (%d, %d)\n", shown.width(), shown.height(), shown.x(), shown.y());

  std::vector<double> openMs, decodeMs, openMb, decodeMb;
  for (int i = 0; i < kRepetitions; ++i) {
    meter.start();
    openMs.push_back(bench::timeMs([&] { rig.open(path); }));
    openMb.push_back(meter.riseMb());

    QImage decoded;
    meter.start();
    decodeMs.push_back(bench::timeMs([&] { decoded = fullDecode(path); }));
    decodeMb.push_back(meter.riseMb());
    decoded = QImage();  // let it go outside the timed part
  }
  checkShown(rig, path);

  // Where Open's time goes: the same steps one by one.
  std::vector<double> headerMs, scaledMs, flushMs;
  const vantory::TwipRect rect = rig.commands().pictureRect();
  for (int i = 0; i < kRepetitions; ++i) {
    vantory::qt::OpenedPicture opened;
    headerMs.push_back(
        bench::timeMs([&] { opened = vantory::qt::probePicture(vantory::qt::nativeName(path)); }));
    scaledMs.push_back(bench::timeMs([&] { vantory::qt::decodePicture(opened, shown.size()); }));
    rig.view().showPicture(path.toStdString(), rect);
    flushMs.push_back(bench::timeMs([&] { rig.view().flush(); }));
  }
  checkShown(rig, path);

  const double open = bench::median(openMs);
  const double decode = bench::median(decodeMs);
  const double ratio = open / decode;
  const double openRise = bench::median(openMb);
  const double openRiseMax = bench::maximum(openMb);

  std::printf("\nOpen (openPicture + flush):        %8.2f ms   (min %.2f, max %.2f)\n", open,
              bench::minimum(openMs), bench::maximum(openMs));
  std::printf("full decode (QImageReader::read):  %8.2f ms   (min %.2f, max %.2f)\n", decode,
              bench::minimum(decodeMs), bench::maximum(decodeMs));
  std::printf("  Open's steps: header read %.2f ms, decode at %d x %d %.2f ms, flush %.2f ms\n",
              bench::median(headerMs), shown.width(), shown.height(), bench::median(scaledMs),
              bench::median(flushMs));
  std::printf("ratio Open / full decode:          %8.3f   (goal <= %.2f): %s\n", ratio, kTimeGoal,
              bench::verdict(ratio <= kTimeGoal));
  std::printf("memory rise of one Open:           %8.1f MB  (max %.1f; goal <= %.0f MB): %s\n", openRise,
              openRiseMax, kMemoryGoalMb, bench::verdict(openRiseMax <= kMemoryGoalMb));
  std::printf("memory rise of one full decode:    %8.1f MB  (for comparison; the picture is %.1f MB)\n",
              bench::median(decodeMb), kWidth * kHeight * 4 / 1048576.0);
  return 0;
}
