// The record builder for the program as it was, over its recording test double.
#include <memory>

#include "app/main_window.h"
#include "tests/double/fake_platform.h"
#include "tests/replay/record.h"

namespace vantory::replay {
namespace {

const char* ColourName(double colour) { return colour == 255 ? "red" : colour == 65280 ? "green" : "?"; }

class LegacyDriver : public Driver {
 public:
  LegacyDriver() { Restart(); }

  Observable Now() const override {
    return {p_->biaozhu.enabled, p_->celiang.enabled, p_->Image1.width, p_->Image1.height};
  }

  void Apply(const UserEvent& e, EventRecord& record) override {
    fake::FakePlatform& p = *p_;
    Form1& form = *p.form1;
    switch (e.kind) {
      case UserEvent::kRestart:
        Restart();
        record.Say("started");
        break;
      case UserEvent::kOpen:
        if (e.outcome == OpenOutcome::kGood || e.outcome == OpenOutcome::kProbeFails ||
            e.outcome == OpenOutcome::kDecodeFails) {
          p.runtime.files[e.path] = {e.file_width, e.file_height};
        }
        p.Image2.fail_next_picture = e.outcome == OpenOutcome::kProbeFails;
        p.Image1.fail_next_picture = e.outcome == OpenOutcome::kDecodeFails;
        if (!e.path.empty()) p.CommonDialog1.answers.push_back(e.path);
        form.Dispatch([&] { form.daoru_Click(); });
        p.Image1.fail_next_picture = p.Image2.fail_next_picture = false;
        p.CommonDialog1.answers.clear();
        break;
      case UserEvent::kReferenceMode: form.Dispatch([&] { form.szjz_Click(); }); break;
      case UserEvent::kMeasureMode: form.Dispatch([&] { form.celiang_Click(); }); break;
      case UserEvent::kPress:
        p.runtime.input_answers.assign(e.answers.begin(), e.answers.end());
        form.Dispatch([&] { form.Image1_MouseDown(e.button, e.shift, e.x, e.y); });
        p.runtime.input_answers.clear();
        break;
      case UserEvent::kMove: form.Dispatch([&] { form.Image1_MouseMove(0, 0, e.x, e.y); }); break;
      case UserEvent::kSave:
        if (e.picture_vanished) p.runtime.files.erase(form.State().openPath);
        if (!e.save_path.empty()) p.CommonDialog1.answers.push_back(e.save_path);
        form.Dispatch([&] { form.save_Click(); });
        p.CommonDialog1.answers.clear();
        break;
      case UserEvent::kAbout: form.Dispatch([&] { form.about_Click(); }); break;
    }
    Observe(record);
  }

 private:
  void Restart() {
    p_ = fake::StartedWindow();
    p_->runtime.bad_files["/pics/broken.gif"] = kErrInvalidPicture;
    p_->runtime.unwritable[kUnwritablePath] = kErrPathAccess;
    shown_.clear();
    menus_.clear();
    Forget();
  }

  static void Drawing(const std::vector<fake::Call>& calls, EventRecord& record) {
    for (const fake::Call& c : calls) {
      if (c.op == "Print") {
        record.Draw(LabelText(float(c.args[0]), float(c.args[1]), float(c.args[2]),
                              ColourName(c.args[3]), c.args[4]));
      } else if (c.op == "Line") {
        record.Draw(LineText(float(c.args[0]), float(c.args[1]), float(c.args[2]), float(c.args[3]),
                             ColourName(c.args[4])));
      }
    }
  }

  void Observe(EventRecord& record) {
    fake::FakePlatform& p = *p_;
    for (const auto& [kind, name] : p.CommonDialog1.shown) record.Say(kind + " dialog \"" + name + "\"");
    for (const auto& input : p.runtime.inputs) {
      record.Say("input box \"" + input.prompt + "\" \"" + input.title + "\" \"" + input.default_text + "\"");
    }
    for (const std::string& message : p.runtime.messages) record.Say("message \"" + message + "\"");
    for (const auto& [number, description] : p.runtime.errors) {
      record.Say("report " + std::to_string(number) + " \"" + description + "\"");
    }
    for (const fake::Call& c : p.Image1.calls) {
      if (c.op == "Refresh") record.Draw("restore");
    }
    Drawing(p.Picture2.calls, record);
    for (const std::string& path : p.runtime.write_order) {
      const auto* picture = dynamic_cast<const fake::FakePicture*>(p.Picture1.picture.get());
      record.Say("wrote \"" + path + "\" of \"" + (picture ? picture->path : std::string()) + "\" " +
                 FloatText(p.Picture1.width) + " x " + FloatText(p.Picture1.height));
      Drawing(p.runtime.written[path], record);
    }
    const auto* picture = dynamic_cast<const fake::FakePicture*>(p.Image1.picture.get());
    const std::string shown = "picture \"" + (picture ? picture->path : std::string()) + "\" at " +
                              FloatText(p.Image1.left) + " " + FloatText(p.Image1.top) + " " +
                              FloatText(p.Image1.width) + " x " + FloatText(p.Image1.height);
    if (shown != shown_) record.Say(shown), shown_ = shown;
    const std::string menus = std::string("menus annotate ") + (p.biaozhu.enabled ? "on" : "off") +
                              " measure " + (p.celiang.enabled ? "on" : "off");
    if (menus != menus_) record.Say(menus), menus_ = menus;
    Forget();
  }

  void Forget() {
    fake::FakePlatform& p = *p_;
    p.CommonDialog1.shown.clear();
    p.runtime.inputs.clear(), p.runtime.messages.clear(), p.runtime.errors.clear();
    p.runtime.written.clear(), p.runtime.write_order.clear();
    p.Image1.calls.clear(), p.Image2.calls.clear(), p.Picture1.calls.clear();
    p.Picture2.calls.clear(), p.Picture2.prints.clear(), p.form.calls.clear();
  }

  std::unique_ptr<fake::FakePlatform> p_;
  std::string shown_, menus_;
};

}  // namespace

std::unique_ptr<Driver> MakeDriver() { return std::make_unique<LegacyDriver>(); }

}  // namespace vantory::replay
