// The program's bitmap writer against Qt's QImageWriter, on a picture of 12000 x 8400
// (101 MP, 385 MB in memory), both completely or not at all (flushed to the disk, then
// renamed into place): the time to write, the memory the program holds once the file is
// complete (the picture object still alive), and whether both wrote the same bytes.
// Usage: bench_bitmap_writer [runs]   (medians; 5 by default)
#include <QCryptographicHash>
#include <QImageWriter>
#include <QSaveFile>

#include "bench/harness.h"
#include "picture/bitmap_writer.h"
#include "picture/file_names.h"

namespace {

constexpr int kWidth = 12000, kHeight = 8400;

QImage picture() {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < kWidth; ++x)
      line[x] = qRgb(x * 255 / kWidth, y * 255 / kHeight, (x * 7 + y * 3) & 255);
  }
  return image;
}

QByteArray digest(const QString& path) {
  QFile file(path);
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
    bench::fail("cannot read " + path.toStdString());
  return hash.result().toHex();
}

struct Run {
  double ms = 0, heldMb = 0;  // the time, and the resident memory above that before the picture was made
};

}  // namespace

int main(int argc, char* argv[]) {
  const bench::Environment environment(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const QString ours = environment.path("ours.bmp"), qts = environment.path("qt.bmp");
  std::printf("bench_bitmap_writer: %d x %d, %.0f MB in memory, %d runs each, taking turns, medians\n",
              kWidth, kHeight, kWidth * double(kHeight) * 4 / 1048576, runs);
  std::vector<double> oursMs, qtMs, oursHeld, qtHeld;
  for (int i = 0; i < runs; ++i) {
    for (const bool mine : {true, false}) {
      QFile::remove(mine ? ours : qts);
      const long before = bench::statusKb("VmRSS");
      QImage image = picture();
      Run run;
      if (mine) {
        vantory::qt::BitmapRows rows(std::move(image));
        run.ms = bench::timeMs([&] { std::move(rows).writeTo(vantory::qt::nativeName(ours)); });
        run.heldMb = bench::mb(bench::statusKb("VmRSS") - before);
      } else {
        run.ms = bench::timeMs([&] {
          QSaveFile file(qts);
          QImageWriter writer(&file, "bmp");
          if (!file.open(QIODevice::WriteOnly) || !writer.write(image) || !file.commit())
            bench::fail("Qt's write");
        });
        run.heldMb = bench::mb(bench::statusKb("VmRSS") - before);
      }
      (mine ? oursMs : qtMs).push_back(run.ms);
      (mine ? oursHeld : qtHeld).push_back(run.heldMb);
    }
  }
  const bool same = digest(ours) == digest(qts);
  std::printf("the program's writer:  %7.1f ms, %6.1f MB held when the file is complete\n",
              bench::median(oursMs), bench::median(oursHeld));
  std::printf("QImageWriter:          %7.1f ms, %6.1f MB held when the file is complete\n",
              bench::median(qtMs), bench::median(qtHeld));
  std::printf("ratio of times: %.2f; memory given back while writing: %.0f MB; the same bytes: %s\n",
              bench::median(oursMs) / bench::median(qtMs), bench::median(qtHeld) - bench::median(oursHeld),
              same ? "yes" : "NO");
  return same ? 0 : 1;
}
