// A recording test double of the window toolkit: every control keeps its properties as
// plain values and logs every call that draws, so a test can check exact twips, exact
// drawing calls in order, and exact state, without a display.
#pragma once

#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/runtime_error.h"

namespace vantory::fake {

// One logged call: its name and its arguments.
struct Call {
  std::string op;
  std::vector<double> args;
  bool operator==(const Call&) const = default;
};
std::string ToString(const Call& call);
std::string ToString(const std::vector<Call>& calls);

// A picture of the double: its natural size in twips (15 per pixel) and where it came from.
class FakePicture : public Picture {
 public:
  FakePicture(std::string path, float width, float height)
      : path(std::move(path)), width(width), height(height) {}
  bool IsEmpty() const override { return path.empty() && calls.empty(); }
  std::string path;
  float width, height;
  std::vector<Call> calls;  // for a canvas's Image: what was drawn on it
};

class FakeForm : public FormWindow {
 public:
  float ScaleWidth() const override { return scale_width; }
  float ScaleHeight() const override { return scale_height; }
  int MousePointer() const override { return mouse_pointer; }
  void SetMousePointer(int pointer) override {
    mouse_pointer = pointer;
    calls.push_back({"MousePointer", {double(pointer)}});
  }
  float scale_width = 11655, scale_height = 8295;
  int mouse_pointer = 0;
  std::vector<Call> calls;
};

class FakeImage : public ImageControl {
 public:
  FakeImage(float left, float top, float width, float height)
      : left(left), top(top), width(width), height(height) {}
  float Left() const override { return left; }
  void SetLeft(float v) override { left = v; }
  float Top() const override { return top; }
  void SetTop(float v) override { top = v; }
  float Width() const override { return width; }
  void SetWidth(float v) override { width = v; }
  float Height() const override { return height; }
  void SetHeight(float v) override { height = v; }
  bool Stretch() const override { return stretch; }
  void SetStretch(bool on) override { stretch = on; }
  PictureRef Picture() const override { return picture; }
  void SetPicture(const PictureRef& p) override;
  void Refresh() override { calls.push_back({"Refresh", {}}); }

  float left, top, width, height;
  bool stretch = false;
  PictureRef picture;
  bool fail_next_picture = false;  // the next SetPicture of a non-empty picture fails
  std::vector<Call> calls;
};

class FakeBox : public PictureBox {
 public:
  FakeBox(float width, float height) : width(width), height(height) {}
  float Width() const override { return width; }
  void SetWidth(float v) override { width = v; }
  float Height() const override { return height; }
  void SetHeight(float v) override { height = v; }
  float ScaleWidth() const override { return width; }
  float ScaleHeight() const override { return height; }
  PictureRef Picture() const override { return picture; }
  void SetPicture(const PictureRef& p) override;
  bool AutoSize() const override { return auto_size; }
  void SetAutoSize(bool on) override { auto_size = on; }
  bool AutoRedraw() const override { return auto_redraw; }
  void SetAutoRedraw(bool on) override { auto_redraw = on; }
  Colour ForeColor() const override { return fore_color; }
  void SetForeColor(Colour c) override;
  float FontSize() const override { return font_size; }
  void SetFontSize(float points) override;
  float CurrentX() const override { return current_x; }
  void SetCurrentX(float x) override;
  float CurrentY() const override { return current_y; }
  void SetCurrentY(float y) override;
  void Print(float value) override;
  void Line(float x1, float y1, float x2, float y2, Colour colour) override;
  PictureRef Image() const override;

  float width, height;
  PictureRef picture;
  bool auto_size = false, auto_redraw = false;
  Colour fore_color = 0;
  float font_size = 9;  // the surface's initial font size
  float current_x = 0, current_y = 0;
  std::vector<Call> calls;  // every drawing call, in order
  std::vector<Call> image;  // what the persistent image holds (since the last picture)
  // Each Print with the font size in force: {value, font size}.
  std::vector<std::pair<float, float>> prints;
};

class FakeMenu : public MenuItem {
 public:
  bool Enabled() const override { return enabled; }
  void SetEnabled(bool on) override { enabled = on; }
  bool enabled = true;
};

class FakeDialog : public CommonDialog {
 public:
  std::string Filter() const override { return filter; }
  void SetFilter(const std::string& f) override { filter = f; }
  std::string FileName() const override { return file_name; }
  void SetFileName(const std::string& n) override { file_name = n; }
  void ShowOpen() override { Show("open"); }
  void ShowSave() override { Show("save"); }

  // The answers the user gives, in order; "" cancels. An unscripted dialog cancels.
  std::deque<std::string> answers;
  // Each dialog shown: its kind and the FileName it started with.
  std::vector<std::pair<std::string, std::string>> shown;
  std::string filter, file_name;

 private:
  void Show(const std::string& kind);
};

class FakeRuntime : public Runtime {
 public:
  PictureRef LoadPicture(const std::string& path) override;
  void SavePicture(const PictureRef& image, const std::string& path) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& default_text) override;
  void MsgBox(const std::string& prompt) override { messages.push_back(prompt); }
  void ReportError(int number, const std::string& description) override {
    errors.push_back({number, description});
  }
  void Unload() override { ++unloads; }

  // Pictures on the double's disk: path -> natural size in twips. A path not listed
  // fails to load with "file not found"; a path in `bad_files` with "invalid picture".
  std::map<std::string, std::pair<float, float>> files;
  std::map<std::string, int> bad_files;
  // Paths that cannot be written.
  std::map<std::string, int> unwritable;
  // What was written: path -> the calls drawn on the image.
  std::map<std::string, std::vector<Call>> written;
  std::vector<std::string> write_order;
  int loads = 0;

  // The input box: the answers given in order ("" is Cancel); each call recorded.
  std::deque<std::string> input_answers;
  struct InputCall { std::string prompt, title, default_text; };
  std::vector<InputCall> inputs;

  std::vector<std::string> messages;
  std::vector<std::pair<int, std::string>> errors;
  int unloads = 0;
};

// The whole window: the controls at their creation values and a Form1 over them.
struct FakePlatform {
  FakePlatform();
  Controls controls();

  FakeForm form;
  FakeBox Picture1{1815, 975};
  FakeBox Picture2{11655, 8295};
  FakeImage Image1{720, 840, 10215, 5655};
  FakeImage Image2{15240, 2160, 1695, 1335};
  FakeDialog CommonDialog1;
  FakeMenu wenjian, daoru, save, tuichu, biaozhu, szjz, celiang, about;
  FakeRuntime runtime;
  std::unique_ptr<Form1> form1;
};

// A started window: created and loaded, as the program starts.
std::unique_ptr<FakePlatform> StartedWindow();

}  // namespace vantory::fake
