// Open of a 6000 x 4000 24-bit BMP at the shown size, 761 x 507: the streamed display
// decode (decodePicture, header checks included) against reading the whole file with
// read(), page cache warm, and against today's path (QImageReader with the scaled size at
// quality 75: the whole picture decoded, then scaled). Goals: the streamed decode within
// twice the time of reading the file, and raising the peak memory by at most 40 MB.
//
// Each variant runs in a child process of its own (this program again, with the variant's
// name): its times are the median of several runs after a first one, its peak the rise of
// VmHWM over VmRSS before one decode in a fresh child. Figures only; the benchmark fails
// only when something did not work.
#include <fcntl.h>
#include <unistd.h>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "picture/file_names.h"
#include "picture/picture_files.h"
#include "tests/support/private_home.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;
const QSize kShown(761, 507);
constexpr int kRuns = 9;

[[noreturn]] void failed(const std::string& what) {
  std::fprintf(stderr, "FAILED: %s\n", what.c_str());
  std::exit(1);
}

// A field of /proc/self/status in kB (VmRSS, VmHWM).
long statusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0 && line[std::strlen(field)] == ':')
      return std::stol(line.substr(std::strlen(field) + 1));
  }
  return -1;
}

// Resets VmHWM to the resident size; false where the kernel does not allow it.
bool resetPeak() {
  std::FILE* file = std::fopen("/proc/self/clear_refs", "w");
  if (file == nullptr) return false;
  const bool written = std::fputs("5", file) >= 0;
  return std::fclose(file) == 0 && written;
}

// A photo-like 24-bit BMP written row by row: gradients, soft bands, a little noise;
// bottom up, or top down (a negative height).
void writeBmp(const QString& path, bool topDown = false) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) failed("cannot write " + path.toStdString());
  const qint64 row = (kWidth * 3 + 3) / 4 * 4;
  QByteArray head(54, '\0');
  const auto put = [&head](int at, quint32 value) {
    for (int i = 0; i < 4; ++i) head[at + i] = static_cast<char>(value >> (8 * i));
  };
  head[0] = 'B', head[1] = 'M';
  put(2, static_cast<quint32>(54 + row * kHeight)), put(10, 54), put(14, 40), put(18, kWidth),
      put(22, topDown ? -kHeight : kHeight);
  put(26, 1 | 24 << 16);
  file.write(head);
  std::vector<char> line(static_cast<size_t>(row), 0);
  quint32 state = 12345;
  for (int i = 0; i < kHeight; ++i) {
    const int y = topDown ? i : kHeight - 1 - i;
    for (int x = 0; x < kWidth; ++x) {
      state ^= state << 13, state ^= state >> 17, state ^= state << 5;
      const int band = ((x / 37 + y / 53) % 7) * 6, noise = static_cast<int>(state % 15) - 7;
      const double fx = double(x) / kWidth, fy = double(y) / kHeight;
      line[3 * x + 2] = static_cast<char>(std::clamp(int(200 * fx + 40 * fy) + band + noise, 0, 255));
      line[3 * x + 1] =
          static_cast<char>(std::clamp(int(160 * fy + 60 * (1 - fx)) + band / 2 + noise, 0, 255));
      line[3 * x] = static_cast<char>(std::clamp(int(120 + 100 * fx * fy) - band + noise, 0, 255));
    }
    file.write(line.data(), row);
  }
  // Cached as a file read from disk is: written out, dropped from the page cache, read
  // back once. (A file just written in small pieces reads several times slower.)
  file.flush();
  ::fsync(file.handle());
  ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_DONTNEED);
  file.close();
  if (!file.open(QIODevice::ReadOnly)) failed("cannot read " + path.toStdString());
  while (!file.read(1 << 20).isEmpty()) {
  }
}

// The work of one variant, once.
void runOnce(const std::string& variant, const QString& path, std::vector<char>& kept) {
  if (variant == "read-new" || variant == "read-kept") {
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY);
    if (fd < 0) failed("cannot open the file");
    // A new buffer is left uninitialised: read() alone fills it (and faults its pages in).
    const size_t size = static_cast<size_t>(QFile(path).size());
    std::unique_ptr<char[]> fresh;
    if (variant == "read-kept" && kept.empty()) kept.resize(size);
    if (variant == "read-new") fresh.reset(new char[size]);
    char* buffer = variant == "read-new" ? fresh.get() : kept.data();
    size_t got = 0;
    for (ssize_t n; got < size && (n = ::read(fd, buffer + got, size - got)) > 0;) got += n;
    ::close(fd);
    if (got != size) failed("short read");
  } else if (variant == "streamed") {
    if (vantory::qt::decodePicture(vantory::qt::probePicture(vantory::qt::nativeName(path)), kShown).size() !=
        kShown)
      failed("streamed decode");
  } else if (variant == "today") {
    QImageReader reader(path);
    reader.setScaledSize(kShown);
    reader.setQuality(75);
    QImage image = reader.read();
    image.convertTo(QImage::Format_RGB32);
    if (image.size() != kShown) failed("today's decode");
  } else {
    failed("no variant " + variant);
  }
}

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// In the child: "time" prints the median and the spread of kRuns runs after a first;
// "peak" prints the rise of the peak over the resident size for one run.
int child(const std::string& what, const std::string& variant, const QString& path) {
  std::vector<char> kept;
  if (what == "peak") {
    const bool reset = resetPeak();
    const long before = statusKb("VmRSS");
    runOnce(variant, path, kept);
    std::printf("%ld %d\n", statusKb("VmHWM") - before, reset ? 1 : 0);
    return 0;
  }
  runOnce(variant, path, kept);
  std::vector<double> ms;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    runOnce(variant, path, kept);
    ms.push_back(msSince(start));
  }
  std::sort(ms.begin(), ms.end());
  std::printf("%.3f %.3f %.3f\n", ms[ms.size() / 2], ms.front(), ms.back());
  return 0;
}

std::vector<double> inChild(const char* self, const QString& what, const QString& variant,
                            const QString& path) {
  QProcess process;
  process.start(QString::fromLocal8Bit(self), {what, variant, path});
  if (!process.waitForFinished(600000) || process.exitCode() != 0) {
    failed("child " + what.toStdString() + " " + variant.toStdString() + ": " +
           process.readAllStandardError().toStdString());
  }
  std::vector<double> values;
  for (const QByteArray& field : process.readAllStandardOutput().simplified().split(' '))
    values.push_back(field.toDouble());
  return values;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const vantory::testing_support::PrivateHome home;
  QGuiApplication app(argc, argv);
  if (argc == 4) return child(argv[1], argv[2], QString::fromLocal8Bit(argv[3]));

  QTemporaryDir folder;
  const QString path = folder.filePath("photo.bmp");
  const QString topDown = folder.filePath("top-down.bmp");
  writeBmp(path);
  writeBmp(topDown, true);
  std::printf(
      "bench_bmp_open: %d x %d 24-bit BMP, %.1f MB, shown at %d x %d; medians of %d runs "
      "after a first, each variant in a child process\n",
      kWidth, kHeight, QFile(path).size() / 1048576.0, kShown.width(), kShown.height(), kRuns);

  const auto time = [&](const char* variant, const char* label, const QString& file) {
    const std::vector<double> t = inChild(argv[0], "time", variant, file);
    std::printf("  %-52s %8.2f ms  (min %.2f, max %.2f)\n", label, t[0], t[1], t[2]);
    return t[0];
  };
  const double readNew = time("read-new", "read() of the whole file into a new buffer", path);
  const double readKept = time("read-kept", "read() of the whole file into a buffer used before", path);
  const double streamed = time("streamed", "streamed display decode (decodePicture)", path);
  time("streamed", "the same, rows stored top down", topDown);
  const double today = time("today", "today's path (QImageReader, scaled, smooth)", path);
  std::printf("  streamed / read into a new buffer:     %6.2f  (goal <= 2: %s)\n", streamed / readNew,
              streamed <= 2 * readNew ? "met" : "missed");
  std::printf("  streamed / read into a used buffer:    %6.2f  (goal <= 2: %s)\n", streamed / readKept,
              streamed <= 2 * readKept ? "met" : "missed");
  std::printf("  streamed / today's path:               %6.3f\n", streamed / today);

  std::vector<double> streamedMb, topDownMb, todayMb;
  bool reset = true;
  for (int i = 0; i < 3; ++i) {
    const std::vector<double> s = inChild(argv[0], "peak", "streamed", path);
    const std::vector<double> d = inChild(argv[0], "peak", "streamed", topDown);
    const std::vector<double> t = inChild(argv[0], "peak", "today", path);
    streamedMb.push_back(s[0] / 1024), topDownMb.push_back(d[0] / 1024), todayMb.push_back(t[0] / 1024);
    reset = reset && s[1] != 0 && d[1] != 0 && t[1] != 0;
  }
  for (auto* values : {&streamedMb, &topDownMb, &todayMb}) std::sort(values->begin(), values->end());
  std::printf("peak memory, %s, one decode in a fresh child, median of 3:\n",
              reset ? "VmHWM (reset first) above VmRSS before" : "VmHWM above VmRSS before (no reset)");
  std::printf("  streamed display decode:  +%6.1f MB  (goal <= +40 MB: %s)\n", streamedMb[1],
              streamedMb[1] <= 40 ? "met" : "missed");
  std::printf("  the same, top down:       +%6.1f MB  (goal <= +40 MB: %s)\n", topDownMb[1],
              topDownMb[1] <= 40 ? "met" : "missed");
  std::printf("  today's path:             +%6.1f MB\n", todayMb[1]);
  return 0;
}
