#include "tests/double/fake_platform.h"

#include <stdexcept>

namespace vantory::fake {

std::string ToString(const Call& call) {
  std::string text = call.op;
  char number[40];
  for (double arg : call.args) {
    std::snprintf(number, sizeof number, " %.9g", arg);
    text += number;
  }
  return text;
}

std::string ToString(const std::vector<Call>& calls) {
  std::string text;
  for (const Call& call : calls) text += ToString(call) + "\n";
  return text;
}

void FakeImage::SetPicture(const PictureRef& p) {
  if (p && !p->IsEmpty() && fail_next_picture) {
    fail_next_picture = false;
    throw RuntimeError(kErrInvalidPicture);
  }
  picture = p;
  const auto* fake = dynamic_cast<const FakePicture*>(p.get());
  if (!stretch && fake != nullptr && !fake->IsEmpty()) {
    width = fake->width;
    height = fake->height;
  }
}

void FakeBox::SetPicture(const PictureRef& p) {
  picture = p;
  const auto* fake = dynamic_cast<const FakePicture*>(p.get());
  if (auto_size && fake != nullptr && !fake->IsEmpty()) {
    width = fake->width;
    height = fake->height;
  }
  image.clear();
  calls.push_back({"Picture", {}});
}

void FakeBox::SetForeColor(Colour c) {
  fore_color = c;
  calls.push_back({"ForeColor", {double(c)}});
}

void FakeBox::SetFontSize(float points) {
  font_size = points;
  calls.push_back({"FontSize", {points}});
}

void FakeBox::SetCurrentX(float x) {
  current_x = x;
  calls.push_back({"CurrentX", {x}});
}

void FakeBox::SetCurrentY(float y) {
  current_y = y;
  calls.push_back({"CurrentY", {y}});
}

void FakeBox::Print(float value) {
  Call call{"Print", {value, current_x, current_y, double(fore_color), font_size}};
  calls.push_back(call);
  if (auto_redraw) image.push_back(call);
  prints.emplace_back(value, font_size);
}

void FakeBox::Line(float x1, float y1, float x2, float y2, Colour colour) {
  Call call{"Line", {x1, y1, x2, y2, double(colour)}};
  calls.push_back(call);
  if (auto_redraw) image.push_back(call);
}

PictureRef FakeBox::Image() const {
  auto snapshot = std::make_shared<FakePicture>("", width, height);
  snapshot->calls = image;
  return snapshot;
}

void FakeDialog::Show(const std::string& kind) {
  shown.emplace_back(kind, file_name);
  if (answers.empty()) {
    file_name = "";
    return;
  }
  file_name = answers.front();
  answers.pop_front();
}

PictureRef FakeRuntime::LoadPicture(const std::string& path) {
  if (path.empty()) return std::make_shared<FakePicture>("", 0, 0);
  ++loads;
  if (auto bad = bad_files.find(path); bad != bad_files.end()) {
    throw RuntimeError(bad->second);
  }
  auto found = files.find(path);
  if (found == files.end()) throw RuntimeError(kErrFileNotFound);
  return std::make_shared<FakePicture>(path, found->second.first, found->second.second);
}

void FakeRuntime::SavePicture(const PictureRef& image, const std::string& path) {
  if (auto bad = unwritable.find(path); bad != unwritable.end()) {
    throw RuntimeError(bad->second);
  }
  const auto* fake = dynamic_cast<const FakePicture*>(image.get());
  if (fake == nullptr) throw std::logic_error("SavePicture of a picture not from the double");
  written[path] = fake->calls;
  write_order.push_back(path);
}

std::string FakeRuntime::InputBox(const std::string& prompt, const std::string& title,
                                  const std::string& default_text) {
  inputs.push_back({prompt, title, default_text});
  if (input_answers.empty()) return "";
  std::string answer = input_answers.front();
  input_answers.pop_front();
  return answer;
}

FakePlatform::FakePlatform() : form1(std::make_unique<Form1>(controls())) {}

Controls FakePlatform::controls() {
  return Controls{form,   Picture1, Picture2, Image1,  Image2, CommonDialog1, wenjian,
                  daoru,  save,     tuichu,   biaozhu, szjz,   celiang,       about,
                  runtime};
}

std::unique_ptr<FakePlatform> StartedWindow() {
  auto platform = std::make_unique<FakePlatform>();
  platform->form1->Dispatch([&] { platform->form1->Form_Load(); });
  return platform;
}

}  // namespace vantory::fake
