// Open of a 6000 x 4000 JPEG: what daoru_Click does once the dialog has answered (the
// header read for the probe, the fit, Image1's geometry, the picture decoded at the
// displayed size, the surface's Flush), against one full decode of the same file with a
// plain QImageReader. Goals: Open within half the full decode's time, and Open raising
// the peak memory by at most 40 MB.
#include <QImageReader>

#include "bench/harness.h"
#include "platform/qt/qt_pictures.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kRepetitions = 11;
constexpr double kTimeGoal = 0.5;     // Open / full decode
constexpr double kMemoryGoalMb = 40;  // peak rise of one Open

QImage FullDecode(const QString& path) {
  QImageReader reader(path);
  QImage image = reader.read();
  if (image.isNull()) bench::Fail("full decode failed: " + reader.errorString().toStdString());
  return image;
}

}  // namespace

int main(int argc, char* argv[]) {
  const bench::Session session(argc, argv);
  const QString path = session.Path("photo.jpg");
  const qint64 bytes = bench::WritePhotoJpeg(path, kWidth, kHeight);
  std::printf("bench_open: %d x %d JPEG, quality 90, %.1f MB on disk; %d repetitions, medians\n",
              kWidth, kHeight, bytes / 1048576.0, kRepetitions);

  bench::PeakMeter meter;
  std::printf("memory: %s\n", meter.Method());

  bench::Rig rig;
  vantory::qt::SurfaceImage& image1 = rig.Surface().Image1();

  // The first of each carries one-time costs (plugin loading, caches); shown, not counted.
  const double first_open = bench::TimeMs([&] { rig.Open(path); });
  const double first_decode = bench::TimeMs([&] { FullDecode(path); });
  std::printf("first run (not counted): Open %.1f ms, full decode %.1f ms\n", first_open,
              first_decode);
  const QRect shown = image1.PixelRect();
  if (image1.Shown().size() != shown.size()) bench::Fail("Image1 does not show the picture");
  std::printf("Image1: %d x %d px at (%d, %d)\n", shown.width(), shown.height(), shown.x(),
              shown.y());

  std::vector<double> open_ms, decode_ms, open_mb, decode_mb;
  for (int i = 0; i < kRepetitions; ++i) {
    meter.Start();
    open_ms.push_back(bench::TimeMs([&] { rig.Open(path); }));
    open_mb.push_back(meter.RiseMb());

    QImage decoded;
    meter.Start();
    decode_ms.push_back(bench::TimeMs([&] { decoded = FullDecode(path); }));
    decode_mb.push_back(meter.RiseMb());
    decoded = QImage();  // let it go outside the timed part
  }

  // Where Open's time goes: the same steps one by one.
  std::vector<double> header_ms, scaled_ms, flush_ms;
  for (int i = 0; i < kRepetitions; ++i) {
    std::shared_ptr<const vantory::qt::QtPicture> picture;
    header_ms.push_back(bench::TimeMs([&] { picture = vantory::qt::QtPicture::Open(path); }));
    scaled_ms.push_back(bench::TimeMs([&] { picture->Decode(shown.size()); }));
    image1.SetPicture(picture);
    flush_ms.push_back(bench::TimeMs([&] { rig.Surface().Flush(); }));
  }

  const double open = bench::Median(open_ms);
  const double decode = bench::Median(decode_ms);
  const double ratio = open / decode;
  const double open_rise = bench::Median(open_mb);
  const double open_rise_max = *std::max_element(open_mb.begin(), open_mb.end());

  std::printf("\nOpen (daoru_Click + Flush):        %8.2f ms   (min %.2f, max %.2f)\n", open,
              *std::min_element(open_ms.begin(), open_ms.end()),
              *std::max_element(open_ms.begin(), open_ms.end()));
  std::printf("full decode (QImageReader::read):  %8.2f ms   (min %.2f, max %.2f)\n", decode,
              *std::min_element(decode_ms.begin(), decode_ms.end()),
              *std::max_element(decode_ms.begin(), decode_ms.end()));
  std::printf("  Open's steps: header read %.2f ms, decode at %d x %d %.2f ms, Flush %.2f ms\n",
              bench::Median(header_ms), shown.width(), shown.height(), bench::Median(scaled_ms),
              bench::Median(flush_ms));
  std::printf("ratio Open / full decode:          %8.3f   (goal <= %.2f): %s\n", ratio, kTimeGoal,
              bench::Verdict(ratio <= kTimeGoal));
  std::printf("memory rise of one Open:           %8.1f MB  (max %.1f; goal <= %.0f MB): %s\n",
              open_rise, open_rise_max, kMemoryGoalMb, bench::Verdict(open_rise_max <= kMemoryGoalMb));
  std::printf("memory rise of one full decode:    %8.1f MB  (for comparison; the picture is %.1f MB)\n",
              bench::Median(decode_mb), kWidth * kHeight * 4 / 1048576.0);
  return 0;
}
