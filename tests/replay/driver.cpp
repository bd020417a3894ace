// The record builder for the program as built, over the recording fakes of its ports.
#include <memory>
#include <string>

#include "tests/fakes/recording_ports.h"
#include "tests/replay/record.h"

namespace vantory::replay {
namespace {

constexpr TwipSize kLabelBox{675, 210};

const char* inkName(Ink ink) { return ink == Ink::kReference ? "red" : "green"; }

void record(const std::vector<fakes::Drawn>& drawn, EventRecord& out) {
  for (const fakes::Drawn& d : drawn) {
    std::string text = d.kind == fakes::Drawn::kLabel
                           ? labelText(d.value, d.from.x, d.from.y, inkName(d.ink), d.points) +
                                 (d.unit.empty() ? "" : " " + d.unit)
                           : lineText(d.from.x, d.from.y, d.to.x, d.to.y, inkName(d.ink));
    if (d.scale != 1) text += " x" + floatText(d.scale);
    out.draw(text);
  }
}

MouseButton buttonOf(std::int16_t code) {
  return code == 1 ? MouseButton::kLeft : code == 2 ? MouseButton::kRight : MouseButton::kOther;
}

class ProgramDriver : public Driver {
 public:
  ProgramDriver() { restart(); }

  Observable now() const override {
    const TwipRect rect = p_->commands.pictureRect();
    return {p_->window.annotateEnabled, p_->window.measureEnabled, rect.width, rect.height};
  }

  void apply(const UserEvent& e, EventRecord& out) override {
    fakes::FakeProgram& p = *p_;
    const int frames = p.surface.frames;
    switch (e.kind) {
      case UserEvent::kRestart:
        restart();
        out.say("started");
        break;
      case UserEvent::kOpen:
        if (e.outcome == OpenOutcome::kGood || e.outcome == OpenOutcome::kProbeFails ||
            e.outcome == OpenOutcome::kDecodeFails) {
          p.disk.pictures[e.path] = {e.fileWidth, e.fileHeight};
        }
        p.disk.failNextProbe = e.outcome == OpenOutcome::kProbeFails;
        p.disk.failNextShow = e.outcome == OpenOutcome::kDecodeFails;
        if (!e.path.empty()) p.prompts.fileAnswers.push_back(e.path);
        p.commands.openPicture();
        p.disk.failNextProbe = p.disk.failNextShow = false;
        p.prompts.fileAnswers.clear();
        break;
      case UserEvent::kReferenceMode: p.commands.chooseReferenceMode(); break;
      case UserEvent::kMeasureMode: p.commands.chooseMeasureMode(); break;
      case UserEvent::kPress:
        p.prompts.textAnswers.assign(e.answers.begin(), e.answers.end());
        p.commands.press(buttonOf(e.button), e.x, e.y);
        p.prompts.textAnswers.clear();
        break;
      case UserEvent::kMove: p.commands.move(e.x, e.y); break;
      case UserEvent::kSave:
        if (e.pictureVanished) p.disk.pictures.erase(p.commands.picturePath());
        if (!e.savePath.empty()) p.prompts.fileAnswers.push_back(e.savePath);
        p.commands.savePicture();
        p.prompts.fileAnswers.clear();
        break;
      case UserEvent::kAbout: p.commands.showAbout(); break;
    }
    observe(out, p.surface.frames != frames);
  }

 private:
  void restart() {
    p_ = std::make_unique<fakes::FakeProgram>();
    // Labels about the size of " 12.345 " at the default font, so that they meet.
    p_->surface.setLabelBox(kLabelBox);
    p_->disk.labelBox = kLabelBox;
    p_->disk.unreadable["/pics/broken.gif"] = ErrorCode::kInvalidPicture;
    p_->disk.unwritable[kUnwritablePath] = ErrorCode::kPathAccess;
    shown_.clear();
    menus_.clear();
  }

  void observe(EventRecord& out, bool framed) {
    fakes::FakeProgram& p = *p_;
    for (const auto& d : p.prompts.dialogs) out.say(d.kind + " dialog \"" + d.initialName + "\"");
    for (const auto& q : p.prompts.questions) {
      out.say("input box \"" + q.prompt + "\" \"" + q.title + "\" \"" + q.initialText + "\"");
    }
    for (const std::string& m : p.prompts.messages) out.say("message \"" + m + "\"");
    for (const auto& [number, description] : p.prompts.errors) {
      out.say("report " + std::to_string(number) + " \"" + description + "\"");
    }
    if (framed) {
      out.draw("restore");
      record(p.surface.frame(), out);
    }
    for (const std::string& path : p.disk.writeOrder) {
      const fakes::FakeDisk::Written& w = p.disk.written[path];
      out.say("wrote \"" + path + "\" of \"" + w.picture + "\" " + floatText(w.size.width) + " x " +
              floatText(w.size.height));
      record(w.drawn, out);
    }
    const TwipRect r = p.commands.pictureRect();
    const std::string shown = "picture \"" + p.commands.picturePath() + "\" at " + floatText(r.left) + " " +
                              floatText(r.top) + " " + floatText(r.width) + " x " + floatText(r.height);
    if (shown != shown_) out.say(shown), shown_ = shown;
    const std::string menus = std::string("menus annotate ") + (p.window.annotateEnabled ? "on" : "off") +
                              " measure " + (p.window.measureEnabled ? "on" : "off");
    if (menus != menus_) out.say(menus), menus_ = menus;
    p.prompts.dialogs.clear(), p.prompts.questions.clear(), p.prompts.messages.clear();
    p.prompts.errors.clear(), p.disk.written.clear(), p.disk.writeOrder.clear();
  }

  std::unique_ptr<fakes::FakeProgram> p_;
  std::string shown_, menus_;
};

}  // namespace

std::unique_ptr<Driver> makeDriver() { return std::make_unique<ProgramDriver>(); }

}  // namespace vantory::replay
