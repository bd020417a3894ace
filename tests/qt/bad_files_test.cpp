// Bad files, low memory and a full disk. Files crafted here announce a small picture in
// the header their reader reports and need gigabytes to decode, or are cut off or damaged
// where the decoder's warnings would not tell; a named pipe stands where a picture was;
// allocations are made to fail and writes to stop short. Each is refused with the report
// of its kind, quickly, with the peak memory far below what the file asks for, and
// nothing the user had is changed or written. What could harm the test process itself
// (memory and file-size limits, a reader that might block) runs in a child process.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <functional>

#include <sys/stat.h>
#include <zlib.h>

#include "platform/qt/qt_pictures.h"
#include "platform/runtime_error.h"
#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

// ---------------------------------------------------------------- crafted files

void PutBe32(QByteArray& out, quint32 v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.append(char((v >> shift) & 0xFF));
}
void PutLe16(QByteArray& out, quint32 v) { out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); }
void PutLe32(QByteArray& out, quint32 v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

// A zlib stream of `count` zero bytes, made without holding them: every 64 KB block,
// compressed after a full flush, comes out the same, so one is repeated; a final empty
// block and the checksum of zeros close the stream.
QByteArray ZeroZlib(qint64 count) {
  constexpr int kBlock = 1 << 16;
  static const QByteArray zeros(kBlock, '\0');
  z_stream z{};
  deflateInit(&z, 9);
  const auto flush = [&z](int length) {
    QByteArray out(int(deflateBound(&z, uLong(length))) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.constData()));
    z.avail_in = uInt(length);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FULL_FLUSH);
    out.truncate(out.size() - int(z.avail_out));
    return out;
  };
  qint64 done = std::min<qint64>(count, kBlock);
  QByteArray stream = flush(int(done));  // with the zlib header
  if (count - done >= kBlock) {
    const QByteArray block = flush(kBlock);
    for (; count - done >= kBlock; done += kBlock) stream.append(block);
  }
  stream.append(flush(int(count - done)));
  deflateEnd(&z);
  stream.append(char(0x03)).append('\0');  // a last, empty block with fixed codes
  PutBe32(stream, quint32((count % 65521) << 16 | 1));  // Adler-32 of zeros
  return stream;
}

void PngChunk(QByteArray& out, const char* type, const QByteArray& data) {
  PutBe32(out, quint32(data.size()));
  const QByteArray body = QByteArray(type) + data;
  out.append(body);
  PutBe32(out, quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
}

// A whole, valid PNG of zeros: black, or transparent black.
QByteArray ZeroPng(int width, int height, int depth, int colour, bool interlaced) {
  const int channels = colour == 2 ? 3 : colour == 4 ? 2 : colour == 6 ? 4 : 1;
  const qint64 bits = qint64{channels} * depth;
  qint64 data = 0;
  if (!interlaced) {
    data = height * (1 + (width * bits + 7) / 8);
  } else {
    struct Pass { int x0, y0, dx, dy; };
    for (const Pass p : {Pass{0, 0, 8, 8}, Pass{4, 0, 8, 8}, Pass{0, 4, 4, 8}, Pass{2, 0, 4, 4},
                         Pass{0, 2, 2, 4}, Pass{1, 0, 2, 2}, Pass{0, 1, 1, 2}}) {
      const qint64 w = width > p.x0 ? (width - p.x0 + p.dx - 1) / p.dx : 0;
      const qint64 h = height > p.y0 ? (height - p.y0 + p.dy - 1) / p.dy : 0;
      if (w > 0 && h > 0) data += h * (1 + (w * bits + 7) / 8);
    }
  }
  QByteArray out("\x89PNG\r\n\x1A\n", 8);
  QByteArray header;
  PutBe32(header, quint32(width));
  PutBe32(header, quint32(height));
  header.append(char(depth)).append(char(colour)).append('\0').append('\0').append(char(interlaced));
  PngChunk(out, "IHDR", header);
  PngChunk(out, "IDAT", ZeroZlib(data));
  PngChunk(out, "IEND", QByteArray());
  return out;
}

// An icon whose directory announces `width` x `height` and whose one entry holds `png`.
QByteArray IconHolding(const QByteArray& png, int width, int height) {
  QByteArray out;
  PutLe16(out, 0);
  PutLe16(out, 1);  // an icon
  PutLe16(out, 1);  // one entry
  out.append(char(width)).append(char(height)).append('\0').append('\0');
  PutLe16(out, 1);   // planes
  PutLe16(out, 32);  // bits a pixel
  PutLe32(out, quint32(png.size()));
  PutLe32(out, 22);  // where the entry's data starts
  return out + png;
}

// A run-length compressed 8-bit bitmap of `width` x `height` whose data is only the
// end-of-bitmap code.
QByteArray RleBitmap(int width, int height) {
  const QByteArray data("\x00\x01", 2);
  const int colours = 2;
  const quint32 offset = 14 + 40 + 4 * colours;
  QByteArray out("BM");
  PutLe32(out, offset + quint32(data.size()));
  PutLe32(out, 0);
  PutLe32(out, offset);
  PutLe32(out, 40);
  PutLe32(out, quint32(width));
  PutLe32(out, quint32(height));
  PutLe16(out, 1);
  PutLe16(out, 8);
  PutLe32(out, 1);  // BI_RLE8
  PutLe32(out, quint32(data.size()));
  PutLe32(out, 2835);
  PutLe32(out, 2835);
  PutLe32(out, colours);
  PutLe32(out, 0);
  out.append(QByteArray(4 * colours, '\0'));
  return out + data;
}

// A TIFF of `width` x `height` 8-bit RGB zeros in one zip-compressed strip.
QByteArray ZipTiff(int width, int height) {
  const QByteArray strip = ZeroZlib(qint64{width} * height * 3);
  struct Entry { quint16 tag, type; quint32 count, value; };
  const quint32 entries = 10;
  const quint32 bits_at = 8 + 2 + entries * 12 + 4;
  const quint32 strip_at = bits_at + 6;
  const Entry ifd[] = {{256, 4, 1, quint32(width)}, {257, 4, 1, quint32(height)},
                       {258, 3, 3, bits_at},        {259, 3, 1, 8},
                       {262, 3, 1, 2},              {273, 4, 1, strip_at},
                       {277, 3, 1, 3},              {278, 4, 1, quint32(height)},
                       {279, 4, 1, quint32(strip.size())}, {284, 3, 1, 1}};
  QByteArray out("II");
  PutLe16(out, 42);
  PutLe32(out, 8);
  PutLe16(out, entries);
  for (const Entry& e : ifd) {
    PutLe16(out, e.tag);
    PutLe16(out, e.type);
    PutLe32(out, e.count);
    PutLe32(out, e.value);
  }
  PutLe32(out, 0);  // no next directory
  for (int i = 0; i < 3; ++i) PutLe16(out, 8);
  return out + strip;
}

QByteArray JpegOf(const QImage& image, bool progressive) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpg");
  writer.setQuality(90);
  writer.setProgressiveScanWrite(progressive);
  EXPECT_TRUE(writer.write(image));
  return buffer.data();
}

// `jpeg` with the size in its start-of-frame marker (baseline or progressive) replaced.
QByteArray WithFrameSize(QByteArray jpeg, int width, int height) {
  for (qsizetype at = 2; at + 9 < jpeg.size(); ++at) {
    const quint8 marker = quint8(jpeg[at + 1]);
    if (quint8(jpeg[at]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
      jpeg[at + 5] = char(height >> 8);
      jpeg[at + 6] = char(height & 0xFF);
      jpeg[at + 7] = char(width >> 8);
      jpeg[at + 8] = char(width & 0xFF);
      return jpeg;
    }
  }
  ADD_FAILURE() << "no start-of-frame marker";
  return jpeg;
}

QImage Noise(int width, int height, quint32 seed) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245u + 12345u;
      // Smooth colours with some noise, as in a photo.
      image.setPixel(x, y, qRgb((x * 255 / width + int(seed >> 28)) & 0xFF, (y * 255 / height) & 0xFF,
                                (x + y + int(seed >> 26)) & 0xFF));
    }
  }
  return image;
}

// ---------------------------------------------------------------- the child process

struct ChildResult {
  bool finished = false;  // within the time allowed
  int error = -1;         // 0 for success
  QString description;
  double peak_mb = 0;     // VmHWM
  double elapsed_ms = 0;
};

// Runs the child with `arguments`, in a home of its own, for at most `timeout_ms`.
ChildResult RunChild(const QStringList& arguments, int timeout_ms = 30000) {
  QTemporaryDir home;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", home.path());
  env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
  env.insert("XDG_RUNTIME_DIR", home.path());
  env.insert("QT_QPA_PLATFORM", "offscreen");
  QProcess child;
  child.setProcessEnvironment(env);
  child.start(PICTURE_CHILD, arguments);
  ChildResult result;
  if (!child.waitForStarted(10000)) return result;
  result.finished = child.waitForFinished(timeout_ms);
  if (!result.finished) {
    child.kill();
    child.waitForFinished(5000);
    return result;
  }
  const QString out = QString::fromUtf8(child.readAllStandardOutput());
  for (const QString& line : out.split('\n')) {
    if (line == "result ok") result.error = 0;
    if (line.startsWith("result error ")) result.error = line.mid(13).toInt();
    if (line.startsWith("description ")) result.description = line.mid(12);
    if (line.startsWith("vmhwm_kb ")) result.peak_mb = line.mid(9).toDouble() / 1024;
    if (line.startsWith("elapsed_ms ")) result.elapsed_ms = line.mid(11).toDouble();
  }
  if (result.error < 0) ADD_FAILURE() << "child said: " << out.toStdString() << child.readAllStandardError().toStdString();
  return result;
}

void PrintTo(const ChildResult& r, std::ostream* out) {
  *out << "error " << r.error << " (" << r.description.toStdString() << "), peak " << r.peak_mb
       << " MB, " << r.elapsed_ms << " ms";
}

// What the child process holds before it opens anything (the application, the plugins,
// fonts): measured on a picture that costs nothing.
double BaselineMb(const QTemporaryDir& dir) {
  static double baseline = [&dir] {
    const QString small = WriteImage(dir, "baseline.bmp", Filled(8, 8, Qt::gray), "bmp");
    return RunChild({"open", small}).peak_mb;
  }();
  return baseline;
}

constexpr double kLimitMb = double(qt::kMaxDecodedBytes >> 20);

QStringList Files(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
}

// ---------------------------------------------------------------- crafted files

struct Crafted {
  const char* name;
  std::function<QByteArray()> make;
  int error;  // what Open reports
};

const std::vector<Crafted>& CraftedFiles() {
  static const std::vector<Crafted> files = {
      // The directory says 16 x 16; the entry holds a PNG of 16384 x 16384.
      {"lying.ico", [] { return IconHolding(ZeroPng(16384, 16384, 8, 6, false), 16, 16); }, kErrOutOfMemory},
      // 8-bit run-length bitmap of 16384 x 16384 with only its end code as data.
      {"runs.bmp", [] { return RleBitmap(16384, 16384); }, kErrOutOfMemory},
      // Interlaced: decoded whole for display, then copied to scale it.
      {"interlaced.png", [] { return ZeroPng(16384, 16384, 8, 6, true); }, kErrOutOfMemory},
      // One zip-compressed strip of 768 MB besides the picture.
      {"zip.tiff", [] { return ZipTiff(16384, 16384); }, kErrOutOfMemory},
      // A progressive JPEG whose frame says 16384 x 16384: libjpeg's coefficients alone
      // take 768 MB.
      {"progressive.jpg",
       [] { return WithFrameSize(JpegOf(Noise(64, 64, 7), true), 16384, 16384); },
       kErrOutOfMemory},
      // 16-bit colour: 8 bytes a pixel, then converted: 1.6 GB for 12000 x 12000.
      {"deep.png", [] { return ZeroPng(12000, 12000, 16, 2, false); }, kErrOutOfMemory},
      // A baseline JPEG whose frame says 16384 x 16384 with a few hundred bytes of data:
      // within the limit, and refused as incomplete once decoded.
      {"cut.jpg", [] { return WithFrameSize(JpegOf(Noise(64, 64, 9), false), 16384, 16384); },
       kErrInvalidPicture},
  };
  return files;
}

class BadFilesTest : public WindowTest {};

TEST_F(BadFilesTest, CraftedFilesAreRefusedWithTheirReportAndNothingChanges) {
  const QString good = WriteImage(dir_, "good.bmp", Filled(400, 200, QColor(40, 90, 160)), "bmp");
  Open(good);
  SetReference(QPointF(100, 150), QPointF(500, 150), "50");
  const MeasurementState state = State();
  const QImage screen = Screen().copy();
  const PictureRef picture = window_->Surface().Image1().Picture();

  for (const Crafted& crafted : CraftedFiles()) {
    SCOPED_TRACE(crafted.name);
    const QString path = Path(crafted.name);
    ASSERT_TRUE(WriteBytes(path, crafted.make()));
    QString report;
    modals_.Expect("openDialog", Choose(path));
    modals_.Expect("errorReport", Acknowledge(&report));
    Trigger("daoru");
    EXPECT_TRUE(report.startsWith(QString("运行时错误 '%1':").arg(crafted.error))) << report.toStdString();
    EXPECT_TRUE(report.contains(path)) << report.toStdString();
    if (crafted.error == kErrOutOfMemory) {
      EXPECT_TRUE(report.contains("内存不足")) << report.toStdString();
      EXPECT_TRUE(report.contains("像素")) << report.toStdString();  // with its size
    }
    EXPECT_TRUE(State() == state);
    EXPECT_EQ(window_->Surface().Image1().Picture(), picture);
    EXPECT_TRUE(Screen() == screen);
  }
}

TEST_F(BadFilesTest, CraftedFilesAreRefusedQuicklyWithoutTheirMemory) {
  const double baseline = BaselineMb(dir_);
  for (const Crafted& crafted : CraftedFiles()) {
    SCOPED_TRACE(crafted.name);
    const QString path = Path(crafted.name);
    ASSERT_TRUE(WriteBytes(path, crafted.make()));
    for (const char* mode : {"open", "save"}) {
      const QString out = Path("out.bmp");
      const ChildResult r = RunChild({mode, path, out});
      ASSERT_TRUE(r.finished);
      EXPECT_EQ(r.error, crafted.error) << ::testing::PrintToString(r);
      EXPECT_LT(r.elapsed_ms, 10000) << ::testing::PrintToString(r);
      // Refused before the picture's memory is taken: a few MB of header and buffers.
      EXPECT_LT(r.peak_mb, baseline + 64) << ::testing::PrintToString(r);
      EXPECT_FALSE(QFileInfo::exists(out));
      std::printf("[ measured ] %-16s %s: error %d, peak %.0f MB (baseline %.0f MB), %.0f ms\n",
                  crafted.name, mode, r.error, r.peak_mb, baseline, r.elapsed_ms);
    }
    QFile::remove(path);
  }
}

// What passes the check does fit: a run-length bitmap just inside the limit (1 byte a
// pixel decoded, 5 more on the way to scaling it) opens with the peak within the limit
// and 64 MB; a little larger is refused.
TEST(DecodeCost, APictureJustInsideTheLimitStaysWithinItAndOneJustOutsideIsRefused) {
  QTemporaryDir dir;
  const double baseline = BaselineMb(dir);
  const QString inside = dir.filePath("inside.bmp");
  const QString outside = dir.filePath("outside.bmp");
  ASSERT_TRUE(WriteBytes(inside, RleBitmap(13000, 13000)));    // 6 x 161 MB: 967 MB
  ASSERT_TRUE(WriteBytes(outside, RleBitmap(13500, 13500)));  // 6 x 174 MB: 1043 MB
  const ChildResult shown = RunChild({"open", inside}, 60000);
  ASSERT_TRUE(shown.finished);
  EXPECT_EQ(shown.error, 0) << ::testing::PrintToString(shown);
  EXPECT_LT(shown.peak_mb, baseline + kLimitMb + 64) << ::testing::PrintToString(shown);
  std::printf("[ measured ] 13000 x 13000 RLE bitmap opened: peak %.0f MB, %.0f ms\n", shown.peak_mb,
              shown.elapsed_ms);
  const ChildResult refused = RunChild({"open", outside});
  EXPECT_EQ(refused.error, kErrOutOfMemory) << ::testing::PrintToString(refused);
  EXPECT_LT(refused.peak_mb, baseline + 64) << ::testing::PrintToString(refused);
}

TEST(DecodeCost, SmallPicturesOfTheSameKindsStillOpen) {
  QTemporaryDir dir;
  qt::QtRuntime runtime{[] { return static_cast<QWidget*>(nullptr); }};
  const std::vector<std::pair<const char*, QByteArray>> files = {
      {"small.ico", IconHolding(ZeroPng(240, 160, 8, 6, false), 240, 160)},
      {"small.bmp", RleBitmap(240, 160)},
      {"small.png", ZeroPng(240, 160, 8, 6, true)},
      {"small.tiff", ZipTiff(240, 160)},
      {"small-deep.png", ZeroPng(240, 160, 16, 2, false)},
      {"small.jpg", JpegOf(Noise(240, 160, 3), true)}};
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const QString path = dir.filePath(name);
    ASSERT_TRUE(WriteBytes(path, bytes));
    const PictureRef picture = runtime.LoadPicture(path.toStdString());
    EXPECT_EQ(qt::AsQt(picture)->Decode(QSize(120, 80)).size(), QSize(120, 80));
    EXPECT_EQ(qt::AsQt(picture)->Decode().size(), QSize(240, 160));
  }
}

// ---------------------------------------------------------------- JPEG damage

class JpegDamage : public ::testing::Test {
 protected:
  // The error number of an Open and both decodes of `bytes`; 0 for none.
  int ErrorOf(const QByteArray& bytes) {
    const QString path = dir_.filePath("cut.jpg");
    if (!WriteBytes(path, bytes)) return -1;
    try {
      const PictureRef picture = runtime_.LoadPicture(path.toStdString());
      qt::AsQt(picture)->Decode(QSize(30, 20));
      qt::AsQt(picture)->Decode();
    } catch (const RuntimeError& error) {
      return error.Number();
    }
    return 0;
  }
  // The lengths at which a cut of `whole` is not refused with 481.
  QList<int> TakenCuts(const QByteArray& whole) {
    QList<int> taken;
    for (int length = 0; length < whole.size(); ++length) {
      if (ErrorOf(whole.left(length)) != kErrInvalidPicture) taken << length;
    }
    return taken;
  }

  QTemporaryDir dir_;
  qt::QtRuntime runtime_{[] { return static_cast<QWidget*>(nullptr); }};
};

TEST_F(JpegDamage, EveryCutOfABaselineAndOfAProgressiveFileIsRefused) {
  for (const bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "progressive" : "baseline");
    const QByteArray whole = JpegOf(Noise(48, 32, 11), progressive);
    ASSERT_EQ(ErrorOf(whole), 0);
    EXPECT_EQ(TakenCuts(whole), QList<int>());
  }
}

TEST_F(JpegDamage, StrayBytesBeforeAMarkerDoNotHideACut) {
  const QByteArray whole = JpegOf(Noise(48, 32, 13), false);
  // One 0x00 before the first quantisation table: libjpeg warns of extraneous bytes, which
  // camera files often carry and which harm no pixel.
  const qsizetype table = whole.indexOf(QByteArray("\xFF\xDB", 2));
  ASSERT_GT(table, 0);
  QByteArray stray = whole;
  stray.insert(table, '\0');
  EXPECT_EQ(ErrorOf(stray), 0);
  EXPECT_EQ(TakenCuts(stray), QList<int>());
}

// ---------------------------------------------------------------- not a regular file

TEST(NotARegularFile, ANamedPipeIsRefusedAtOnceAtOpenAndAtSave) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath("pipe.jpg");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const ChildResult opened = RunChild({"open", fifo}, 20000);
  ASSERT_TRUE(opened.finished) << "Open blocked on a named pipe";
  EXPECT_EQ(opened.error, kErrPathAccess) << ::testing::PrintToString(opened);
  EXPECT_TRUE(opened.description.contains(fifo)) << ::testing::PrintToString(opened);
  EXPECT_LT(opened.elapsed_ms, 5000);

  // The picture replaced by a pipe between Open and Save.
  const QString picture = WriteImage(dir, "photo.jpg", Noise(60, 40, 5), "jpg");
  const QString out = dir.filePath("out.bmp");
  const ChildResult saved = RunChild({"save", picture, out, "--fifo"}, 20000);
  ASSERT_TRUE(saved.finished) << "Save blocked on a named pipe";
  EXPECT_EQ(saved.error, kErrPathAccess) << ::testing::PrintToString(saved);
  EXPECT_FALSE(QFileInfo::exists(out));
}

// ---------------------------------------------------------------- failed allocations

TEST(FailedAllocation, OpenAndSaveReportOutOfMemoryAndWriteNothing) {
  QTemporaryDir dir;
  // 3000 x 2000: 23 MB of 32-bit pixels, with 12 MB of address space to spare.
  const QImage picture = Noise(3000, 2000, 17);
  struct Case {
    const char* name;
    const char* format;
    const char* mode;
  };
  for (const Case c : {Case{"photo.bmp", "bmp", "open"}, Case{"photo.jpg", "jpg", "save"},
                       Case{"photo.png", "png", "save"}}) {
    SCOPED_TRACE(c.name);
    const QString path = WriteImage(dir, c.name, picture, c.format);
    const QString out = dir.filePath("out.bmp");
    ASSERT_TRUE(WriteBytes(out, "the original"));
    const QStringList before = Files(dir.path());
    const ChildResult r = RunChild({c.mode, path, out, "--as-mb", "12"});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.error, kErrOutOfMemory) << ::testing::PrintToString(r);
    EXPECT_EQ(Files(dir.path()), before);  // no partial file, no temporary file
    EXPECT_EQ(ReadBytes(out), "the original");
    // Without the limit the same steps work.
    const ChildResult free = RunChild({c.mode, path, out});
    EXPECT_EQ(free.error, 0) << ::testing::PrintToString(free);
  }
}

// ---------------------------------------------------------------- a full disk

TEST(FullDisk, AShortWriteIsReportedAsSuchAndLeavesNoFile) {
  QTemporaryDir dir;
  const QString picture = WriteImage(dir, "plain.bmp", Filled(400, 300, QColor(40, 90, 160)), "bmp");
  const QString out = dir.filePath("out.bmp");  // 360 KB of bitmap; the disk takes 100 KB
  const QStringList before = Files(dir.path());
  ChildResult r = RunChild({"save", picture, out, "--fsize", "100000"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.error, kErrPathAccess) << ::testing::PrintToString(r);
  EXPECT_TRUE(r.description.contains(QString("无法写入“%1”（磁盘已满或写入失败").arg(out)))
      << ::testing::PrintToString(r);
  EXPECT_FALSE(r.description.contains("位图格式的范围")) << ::testing::PrintToString(r);
  EXPECT_EQ(Files(dir.path()), before);

  // An existing file is left as it was.
  ASSERT_TRUE(WriteBytes(out, "the original"));
  r = RunChild({"save", picture, out, "--fsize", "100000"});
  EXPECT_EQ(r.error, kErrPathAccess) << ::testing::PrintToString(r);
  EXPECT_EQ(ReadBytes(out), "the original");
  QStringList with_out = before + QStringList{"out.bmp"};
  with_out.sort();
  EXPECT_EQ(Files(dir.path()), with_out);
}

}  // namespace
}  // namespace vantory::qttest
