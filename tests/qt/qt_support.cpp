#include "tests/qt/qt_support.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QImageWriter>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace vantory::qttest {
namespace {

void put16le(QByteArray& out, int v) { out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); }
void put32be(QByteArray& out, quint32 v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.append(char((v >> shift) & 0xFF));
}

quint32 crc32Of(const QByteArray& data) {
  quint32 crc = 0xFFFFFFFFu;
  for (char byte : data) {
    crc ^= static_cast<quint8>(byte);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void pngChunk(QByteArray& out, const char* type, const QByteArray& data) {
  put32be(out, static_cast<quint32>(data.size()));
  const QByteArray body = QByteArray(type) + data;
  out.append(body);
  put32be(out, crc32Of(body));
}

}  // namespace

// ---------------------------------------------------------------- pictures

QImage filled(int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

QImage quadrants(int width, int height, QColor tl, QColor tr, QColor bl, QColor br) {
  QImage image = filled(width, height, tl);
  QPainter painter(&image);
  const int w = width / 2, h = height / 2;
  painter.fillRect(w, 0, width - w, h, tr);
  painter.fillRect(0, h, w, height - h, bl);
  painter.fillRect(w, h, width - w, height - h, br);
  return image;
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString writeImage(const QTemporaryDir& dir, const QString& name, const QImage& image, const char* format) {
  const QString path = dir.filePath(name);
  if (QByteArray(format) == "gif") {
    EXPECT_TRUE(writeBytes(path, gifOf(image)));
    return path;
  }
  QImageWriter writer(path, format);
  if (QByteArray(format) == "jpg") writer.setQuality(100);
  EXPECT_TRUE(writer.write(image)) << format << ": " << writer.errorString().toStdString();
  return path;
}

QByteArray gifOf(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
  QByteArray out("GIF89a");
  put16le(out, image.width());
  put16le(out, image.height());
  out.append(char(0xF7)).append('\0').append('\0');  // a global table of 256 colours
  for (int i = 0; i < 256; ++i) {
    const QRgb c = i < image.colorCount() ? image.color(i) : 0;
    out.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
  }
  out.append(',');
  put16le(out, 0);
  put16le(out, 0);
  put16le(out, image.width());
  put16le(out, image.height());
  out.append('\0');
  out.append(char(8));  // minimum code size

  // 9-bit codes throughout: literals only, with a clear code often enough that the
  // decoder's table never grows to 10-bit codes.
  QByteArray data;
  quint32 bits = 0;
  int count = 0;
  const auto putCode = [&](int code) {
    bits |= quint32(code) << count;
    count += 9;
    while (count >= 8) {
      data.append(char(bits & 0xFF));
      bits >>= 8;
      count -= 8;
    }
  };
  int sinceClear = 0;
  putCode(256);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (sinceClear == 200) putCode(256), sinceClear = 0;
      putCode(image.pixelIndex(x, y));
      ++sinceClear;
    }
  }
  putCode(257);
  if (count > 0) data.append(char(bits & 0xFF));
  for (int at = 0; at < data.size(); at += 255) {
    const QByteArray block = data.mid(at, 255);
    out.append(char(block.size())).append(block);
  }
  out.append('\0').append(';');
  return out;
}

QByteArray withExifOrientation(const QByteArray& jpeg, int orientation) {
  QByteArray tiff("MM\0\x2A\0\0\0\x08", 8);  // big-endian, first IFD at 8
  tiff.append('\0').append('\1');            // one entry
  tiff.append('\x01').append('\x12');        // Orientation
  tiff.append('\0').append('\3');            // SHORT
  put32be(tiff, 1);                          // one value, held in the entry
  tiff.append('\0').append(char(orientation)).append('\0').append('\0');
  put32be(tiff, 0);  // no next IFD
  const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
  QByteArray segment("\xFF\xE1", 2);
  const int length = payload.size() + 2;
  segment.append(char(length >> 8)).append(char(length & 0xFF)).append(payload);
  return jpeg.left(2) + segment + jpeg.mid(2);
}

QByteArray pngHeaderOnly(int width, int height) {
  QByteArray out("\x89PNG\r\n\x1A\n", 8);
  QByteArray header;
  put32be(header, quint32(width));
  put32be(header, quint32(height));
  header.append(char(8)).append(char(2)).append('\0').append('\0').append('\0');
  pngChunk(out, "IHDR", header);
  pngChunk(out, "IDAT", qCompress(QByteArray(16, '\0')).mid(4));  // a zlib stream, far too short
  pngChunk(out, "IEND", QByteArray());
  return out;
}

// ---------------------------------------------------------------- modal boxes

ModalScript::ModalScript() {
  timer_.setInterval(5);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { tick(); });
  timer_.start();
}

ModalScript::~ModalScript() { timer_.stop(); }

void ModalScript::expect(const QString& objectName, Action action) {
  queue_.push_back({objectName, std::move(action)});
}

void ModalScript::tick() {
  std::erase_if(handled_, [](const auto& h) { return h.first.isNull(); });
  QWidget* box = QApplication::activeModalWidget();
  if (box == nullptr || !box->isVisible()) return;
  const std::string name = box->objectName().toStdString();
  for (auto& [widget, since] : handled_) {
    if (widget == box) {
      if (since.elapsed() > 3000) {
        problems_.push_back("left open: '" + name + "'");
        since.restart();
        if (auto* dialog = qobject_cast<QDialog*>(box)) dialog->reject();
      }
      return;
    }
  }
  QElapsedTimer since;
  since.start();
  handled_.emplace_back(box, since);
  if (queue_.empty() || queue_.front().name != box->objectName()) {
    std::string what = "unexpected: '" + name + "'";
    if (auto* message = qobject_cast<QMessageBox*>(box)) what += " " + message->text().toStdString();
    problems_.push_back(what);
    if (auto* dialog = qobject_cast<QDialog*>(box)) dialog->reject();
    return;
  }
  // The action runs from a timer of its own: it may open a nested modal loop (a question
  // of the file dialog), in which this ticker must go on firing, and Qt fires no timer
  // again while its own handler is still running.
  QTimer::singleShot(0, box, [box, action = std::move(queue_.front().action)] { action(box); });
  queue_.pop_front();
}

void closeBox(QWidget* box) {
  if (auto* message = qobject_cast<QMessageBox*>(box)) {
    if (QAbstractButton* ok = message->button(QMessageBox::Ok)) return ok->click();
    if (QAbstractButton* yes = message->button(QMessageBox::Yes)) return yes->click();
  }
  if (auto* dialog = qobject_cast<QDialog*>(box)) dialog->accept();
}

ModalScript::Action acknowledge(QString* text, QString* caption) {
  return [=](QWidget* box) {
    auto* message = qobject_cast<QMessageBox*>(box);
    ASSERT_NE(message, nullptr);
    if (text != nullptr) *text = message->text();
    if (caption != nullptr) *caption = message->windowTitle();
    closeBox(box);
  };
}

ModalScript::Action answer(const QString& typed, QString* shown) {
  return [=](QWidget* box) {
    auto* input = qobject_cast<QInputDialog*>(box);
    ASSERT_NE(input, nullptr);
    if (shown != nullptr) *shown = input->textValue();
    input->setTextValue(typed);
    input->accept();
  };
}

ModalScript::Action choose(const QString& path, std::function<void(QWidget*)> look) {
  return [=](QWidget* box) {
    auto* dialog = qobject_cast<QFileDialog*>(box);
    ASSERT_NE(dialog, nullptr);
    if (look) look(dialog);
    // The user clicks into the name box, which lets go of the file selected in the list,
    // and types the full path.
    if (auto* list = dialog->findChild<QAbstractItemView*>("listView")) list->clearSelection();
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(path);
    static_cast<QDialog*>(dialog)->accept();  // as the Open or Save button does
  };
}

ModalScript::Action cancel() {
  return [](QWidget* box) {
    if (auto* dialog = qobject_cast<QDialog*>(box)) dialog->reject();
  };
}

QString startName(QWidget* fileDialog) {
  auto* dialog = qobject_cast<QFileDialog*>(fileDialog);
  auto* name = fileDialog->findChild<QLineEdit*>("fileNameEdit");
  if (dialog == nullptr || name == nullptr) {
    ADD_FAILURE() << "not a file dialog with a name box";
    return "?";
  }
  return name->text().isEmpty() ? QString() : dialog->directory().filePath(name->text());
}

// ---------------------------------------------------------------- the window

void WindowTest::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  window_ = std::make_unique<qt::MainWindow>();
  window_->show();
}

void WindowTest::TearDown() {
  EXPECT_EQ(modals_.pending(), 0u) << "boxes expected but never shown";
  for (const std::string& problem : modals_.problems()) ADD_FAILURE() << "modal box " << problem;
  window_.reset();
}

QAction* WindowTest::action(const char* name) const {
  auto* found = window_->findChild<QAction*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

void WindowTest::open(const QString& path, QString* startedWith) {
  modals_.expect("openDialog", choose(path, [startedWith](QWidget* box) {
                   if (startedWith != nullptr) *startedWith = startName(box);
                 }));
  trigger("openAction");
}

void WindowTest::press(QPointF pixels, Qt::MouseButton button) {
  QWidget& view = window_->view();
  const QPointF global = view.mapToGlobal(pixels);
  QMouseEvent down(QEvent::MouseButtonPress, pixels, global, button, button, Qt::NoModifier);
  QApplication::sendEvent(&view, &down);
  QMouseEvent up(QEvent::MouseButtonRelease, pixels, global, button, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&view, &up);
}

void WindowTest::move(QPointF pixels) {
  QWidget& view = window_->view();
  QMouseEvent moved(QEvent::MouseMove, pixels, view.mapToGlobal(pixels), Qt::NoButton, Qt::NoButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&view, &moved);
}

void WindowTest::setReference(QPointF a, QPointF b, const QString& length) {
  trigger("setReferenceAction");
  press(a);
  modals_.expect("inputBox", answer(length));
  press(b);
  press(b, Qt::RightButton);
}

void WindowTest::measure(QPointF a, QPointF b) {
  press(a);
  press(b);
  press(b, Qt::RightButton);
}

// ---------------------------------------------------------------- pixels

bool sameRgb(QRgb a, QColor b, int tolerance) {
  return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance &&
         std::abs(qBlue(a) - b.blue()) <= tolerance;
}

namespace {

// How many pixels within `reach` of `at` are within `tolerance` of `c`.
int around(const QImage& image, QPointF at, QColor c, int reach, int tolerance) {
  const int x0 = int(std::floor(at.x())), y0 = int(std::floor(at.y()));
  int found = 0;
  for (int y = y0 - reach; y <= y0 + reach; ++y) {
    for (int x = x0 - reach; x <= x0 + reach; ++x) {
      found += image.valid(x, y) && sameRgb(image.pixel(x, y), c, tolerance);
    }
  }
  return found;
}

}  // namespace

bool anyNear(const QImage& image, QPointF at, QColor c, int reach) {
  return around(image, at, c, reach, 0) > 0;
}

bool allNear(const QImage& image, QPointF at, QColor c, int reach, int tolerance) {
  return around(image, at, c, reach, tolerance) == (2 * reach + 1) * (2 * reach + 1);
}

int onLine(const QImage& image, QPointF a, QPointF b, QColor c, double t0, double t1, int samples) {
  int found = 0;
  for (int i = 0; i < samples; ++i) {
    const double t = t0 + (t1 - t0) * i / (samples - 1);
    if (anyNear(image, a + (b - a) * t, c)) ++found;
  }
  return found;
}

int tinted(const QImage& image, const QRect& area, QColor c) {
  int found = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (!image.valid(x, y)) continue;
      const QRgb p = image.pixel(x, y);
      const int r = qRed(p), g = qGreen(p), b = qBlue(p);
      if (c.red() == 255 ? (r >= 150 && r > g + 80 && r > b + 80) : (g >= 150 && g > r + 80 && g > b + 60)) {
        ++found;
      }
    }
  }
  return found;
}

}  // namespace vantory::qttest
