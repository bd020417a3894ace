// Scripted runs of the real window, offscreen: pictures of several kinds and sizes opened,
// references and measurements placed with mouse events, the length box and the file
// dialogs answered, bad files and paths met, pictures saved. After every step the record
// says which boxes appeared with their texts, the states of the menus, what the window
// shows and the files written, and keeps digests of the view's pixels and of each file.
// The record of the program as it was is kept under records/; the program as it is must
// give the same. The digests hold for the Qt version and the default font named in the
// record's first line: elsewhere only they are skipped (and CTest says so).
#include <gtest/gtest.h>

#include <QFile>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/replay/same_lines.h"
#include "tests/replay/scene_driver.h"

#ifndef VANTORY_RECORDS_DIR
#error "VANTORY_RECORDS_DIR must name the folder of the kept records"
#endif

namespace vantory::replay {
namespace {

// The scenes, each a user's session from start to end.
std::vector<std::string> runScenes() {
  std::vector<std::string> out;
  const auto add = [&](Scenes& s) { out.insert(out.end(), s.lines().begin(), s.lines().end()); };

  {  // A wide PNG: a reference, two measurements, the rubber band, Save.
    Scenes s;
    s.write("wide.png", pattern(400, 200), "png");
    s.step("wide: start");
    s.answer({"wide.png"});
    s.menu("打开");
    s.step("wide: opened");
    s.menu("设置基准尺寸");
    s.press({100, 300});
    s.move({300, 200});
    s.step("wide: rubber band");
    s.answer({"30"});
    s.press({380, 120});
    s.press({300, 300}, Qt::RightButton);
    s.move({310, 310});
    s.step("wide: reference");
    s.menu("测量标注");
    s.press({420, 450});
    s.move({600, 300});
    s.step("wide: measuring");
    s.press({740, 200});
    s.press({200, 200}, Qt::RightButton);
    s.press({50, 400});
    s.press({700, 420});
    s.press({200, 200}, Qt::RightButton);
    s.move({155, 152});
    s.step("wide: two measurements");
    s.answer({"wide-saved.bmp"});
    s.menu("保存");
    s.step("wide: saved", {"wide-saved.bmp"});
    add(s);
  }
  {  // A 4:3 JPEG: a cancelled reference, then one typed wrong twice, then Save.
    Scenes s;
    s.write("photo.jpg", pattern(640, 480), "jpg", 90);
    s.answer({"photo.jpg"});
    s.menu("打开");
    s.menu("设置基准尺寸");
    s.press({200, 150});
    s.answer({""});
    s.press({500, 400});
    s.press({300, 300}, Qt::RightButton);
    s.move({320, 310});
    s.step("photo: cancelled");
    s.answer({"plain.bmp"});
    s.menu("保存");
    s.step("photo: saved unmarked", {"plain.bmp"});
    s.press({210, 160});
    s.answer({"abc", "0", "12.5"});
    s.press({510, 410});
    s.press({300, 300}, Qt::RightButton);
    s.menu("测量标注");
    s.move({330, 330});
    s.step("photo: reference after retries");
    add(s);
  }
  {  // A tall BMP with forty measurements, labels turning 8 points, Save.
    Scenes s;
    s.write("tall.bmp", pattern(300, 600), "bmp");
    s.answer({"tall.bmp"});
    s.menu("打开");
    s.menu("设置基准尺寸");
    s.press({330, 40});
    s.answer({"7.25"});
    s.press({330, 500});
    s.press({330, 300}, Qt::RightButton);
    s.move({300, 300});
    s.step("tall: reference, default labels");
    s.menu("测量标注");
    for (int k = 0; k < 40; ++k) {
      s.press({300.0 + k % 8 * 10, 30.0 + k * 12});
      s.press({450.0 - k % 5 * 7, 45.0 + k * 12.5});
      s.press({400, 300}, Qt::RightButton);
    }
    s.move({400, 300});
    s.step("tall: forty measurements");
    s.answer({"tall-saved.bmp"});
    s.menu("保存");
    s.step("tall: saved", {"tall-saved.bmp"});
    add(s);
  }
  {  // Bad files and paths: the reports, and nothing changes.
    Scenes s;
    s.write("good.jpg", pattern(500, 250), "jpg", 85);
    QFile text(s.path("text.jpg"));
    text.open(QIODevice::WriteOnly);
    text.write("not a picture\n");
    text.close();
    s.answer({"missing.jpg"});
    s.menu("打开");
    s.step("bad: missing file");
    s.answer({"text.jpg"});
    s.menu("打开");
    s.step("bad: not a picture");
    s.menu("保存");
    s.step("bad: nothing to save");
    s.answer({"good.jpg"});
    s.menu("打开");
    s.menu("设置基准尺寸");
    s.press({200, 200});
    s.answer({"5"});
    s.press({200, 200});
    s.press({200, 200}, Qt::RightButton);
    s.step("bad: zero-length reference");
    s.press({100, 200});
    s.answer({"1e39", "5"});
    s.press({600, 250});
    s.press({200, 200}, Qt::RightButton);
    s.menu("测量标注");
    s.press({100, 400});
    s.press({700, 120});
    s.press({200, 200}, Qt::RightButton);
    s.answer({"no-such-folder/out.bmp"});
    s.menu("保存");
    s.step("bad: unwritable path");
    s.menu("关于");
    s.step("bad: about");
    add(s);
  }
  {  // A second picture over the first one's measurements; a picture with transparency.
    Scenes s;
    s.write("first.png", pattern(400, 300), "png");
    s.write("clear.png", pattern(300, 400, true), "png");
    s.answer({"first.png"});
    s.menu("打开");
    s.menu("设置基准尺寸");
    s.press({150, 150});
    s.answer({"100"});
    s.press({450, 350});
    s.press({300, 300}, Qt::RightButton);
    s.menu("测量标注");
    s.press({200, 300});
    s.press({600, 200});
    s.press({300, 300}, Qt::RightButton);
    s.answer({"clear.png"});
    s.menu("打开");
    s.move({400, 250});
    s.step("second: over a transparent picture");
    s.answer({"clear-saved.bmp"});
    s.menu("保存");
    s.step("second: saved", {"clear-saved.bmp"});
    add(s);
  }
  {  // A small picture shown enlarged; big and exponent-form lengths.
    Scenes s;
    s.write("small.gif", pattern(141, 100).convertToFormat(QImage::Format_Indexed8), "png");
    s.write("small.png", pattern(141, 100), "png");
    s.answer({"small.png"});
    s.menu("打开");
    s.menu("设置基准尺寸");
    s.press({50, 50});
    s.answer({"1e10"});
    s.press({700, 500});
    s.press({300, 300}, Qt::RightButton);
    s.menu("测量标注");
    s.press({100, 500});
    s.press({650, 20});
    s.press({300, 300}, Qt::RightButton);
    s.move({30, 30});
    s.step("small: enlarged, exponent labels");
    s.answer({"small-saved.bmp"});
    s.menu("保存");
    s.step("small: saved", {"small-saved.bmp"});
    add(s);
  }
  {  // A large JPEG, shown reduced, saved at its own size.
    Scenes s;
    s.write("large.jpg", pattern(2400, 1600), "jpg", 92);
    s.answer({"large.jpg"});
    s.menu("打开");
    s.menu("设置基准尺寸");
    s.press({60, 100});
    s.answer({"250"});
    s.press({700, 100});
    s.press({300, 300}, Qt::RightButton);
    s.menu("测量标注");
    s.press({100, 200});
    s.press({650, 500});
    s.press({300, 300}, Qt::RightButton);
    s.move({640, 30});
    s.step("large: measured");
    s.answer({"large-saved.bmp"});
    s.menu("保存");
    s.step("large: saved", {"large-saved.bmp"});
    add(s);
  }
  {  // Undo and redo through the menu and the keys; a reference fixed again relabels the
     // measurements; clear; Escape.
    Scenes s;
    s.write("coins.png", pattern(600, 400), "png");
    s.answer({"coins.png"});
    s.menu("打开");
    s.menu("设置基准尺寸");
    s.press({100, 100});
    s.answer({"30"});
    s.press({400, 100});
    s.press({300, 300}, Qt::RightButton);
    s.menu("测量标注");
    s.press({100, 200});
    s.press({425, 200});
    s.press({300, 300}, Qt::RightButton);
    s.press({100, 300});
    s.press({525, 300});
    s.press({300, 300}, Qt::RightButton);
    s.step("undo: two measurements against 30");
    s.menu("设置基准尺寸");
    s.press({100, 100});
    s.answer({"1000"});
    s.press({400, 100});
    s.press({300, 300}, Qt::RightButton);
    s.step("undo: the reference fixed again as 1000");
    s.key(Qt::Key_Z, Qt::ControlModifier);
    s.step("undo: Ctrl+Z, back to 30");
    s.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    s.step("undo: Ctrl+Shift+Z, 1000 again");
    s.menu("清除测量");
    s.step("undo: cleared");
    s.menu("撤销");
    s.step("undo: the clear undone");
    s.menu("测量标注");
    s.press({200, 350});
    s.move({300, 380});
    s.key(Qt::Key_Escape);
    s.step("undo: a pair begun, then Escape");
    s.key(Qt::Key_Z, Qt::ControlModifier);
    s.key(Qt::Key_Z, Qt::ControlModifier);
    s.key(Qt::Key_Z, Qt::ControlModifier);
    s.key(Qt::Key_Z, Qt::ControlModifier);
    s.step("undo: everything undone");
    s.key(Qt::Key_Y, Qt::ControlModifier);
    s.step("undo: Ctrl+Y, the reference again");
    add(s);
  }
  {  // Save twice: the dialog offers the first path; Exit.
    Scenes s;
    s.write("again.jpg", pattern(800, 400), "jpg", 80);
    s.answer({"again.jpg"});
    s.menu("打开");
    s.answer({"first.bmp"});
    s.menu("保存");
    s.answer({""});
    s.menu("保存");
    s.answer({""});
    s.menu("打开");
    s.step("again: dialogs share one name", {"first.bmp"});
    s.menu("退出");
    s.step("again: exit");
    add(s);
  }
  return out;
}

std::string recordPath() { return std::string(VANTORY_RECORDS_DIR) + "/qt-scenes.txt"; }

// The kept record: its first line names the environment its digests hold for.
std::vector<std::string> kept(std::string& environment) {
  std::ifstream in(recordPath());
  EXPECT_TRUE(in.good()) << "no record at " << recordPath();
  std::getline(in, environment);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool recording() {
  const char* writing = std::getenv("VANTORY_RECORD");
  return writing != nullptr && *writing == '1';
}

std::vector<std::string> withoutPixels(std::vector<std::string> lines) {
  const std::string digest = std::string("  ") + Scenes::kPixels;
  std::erase_if(lines, [&](const std::string& line) { return line.rfind(digest, 0) == 0; });
  return lines;
}

// Everything but the digests, whatever the Qt version and the font.
TEST(QtScenes, ShowTheRecordedBoxesMenusAnnotationsAndFiles) {
  const std::vector<std::string> lines = runScenes();
  if (recording()) {
    std::ofstream out(recordPath());
    out << environmentLine() << '\n';
    for (const std::string& line : lines) out << line << '\n';
    ASSERT_TRUE(out.good());
    GTEST_SKIP() << "recorded " << recordPath();
  }
  std::string environment;
  expectSameLines(recordPath(), withoutPixels(kept(environment)), withoutPixels(lines));
}

// The digests of the view's pixels and of the files written: labels are drawn with the
// default font, so they hold only for the Qt version and the font of the record.
TEST(QtScenes, ShowTheRecordedPixels) {
  if (recording()) GTEST_SKIP() << "recording";
  std::string environment;
  const std::vector<std::string> recorded = kept(environment);
  if (environment != environmentLine()) {
    GTEST_SKIP() << "the digests were recorded with " << environment << ", not " << environmentLine();
  }
  expectSameLines(recordPath(), recorded, runScenes());
}

}  // namespace
}  // namespace vantory::replay
