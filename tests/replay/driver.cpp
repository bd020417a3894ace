// The record builder for the program as built, over the recording fakes of its ports.
#include <memory>
#include <string>

#include "core/number_text.h"
#include "tests/fakes/recording_ports.h"
#include "tests/replay/record.h"
#include "tests/replay/rules.h"

namespace vantory::replay {
namespace {

constexpr TwipSize kLabelBox{675, 210};

using fakes::Drawn;

std::string text(const Drawn& d) {
  const char* ink = d.ink == Ink::kReference ? "red" : "green";
  const std::string scale = d.scale != 1 ? " x" + number(d.scale) : "";
  if (d.kind == Drawn::kLabel) {
    return "label \"" + labelText(d.value, d.unit) + "\" at " + number(d.from.x) + " " + number(d.from.y) +
           " " + ink + " " + number(d.points) + "pt" + scale;
  }
  return "line " + number(d.from.x) + " " + number(d.from.y) + " - " + number(d.to.x) + " " + number(d.to.y) +
         " " + ink + scale;
}

std::string count(std::size_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// What `now` draws against what `before` drew: the items in common at the start and at
// the end are counted, the others written out, a run of the same segment drawn again and
// again (its label and line) as one line. Nothing when the two are the same.
void changes(const std::string& what, const std::vector<Drawn>& before, const std::vector<Drawn>& now,
             EventRecord& out) {
  if (now == before) return;
  std::size_t first = 0;
  while (first < now.size() && first < before.size() && now[first] == before[first]) ++first;
  std::size_t last = 0;
  while (last + first < now.size() && last + first < before.size() &&
         now[now.size() - 1 - last] == before[before.size() - 1 - last]) {
    ++last;
  }
  const std::size_t gone = before.size() - first - last;
  const std::size_t fresh = now.size() - first - last;
  std::string summary = what + ": " + count(now.size(), "item");
  if (first > 0) summary += "; the first " + std::to_string(first) + " as before";
  if (gone > 0) summary += "; " + std::to_string(gone) + " gone";
  if (last > 0) summary += "; the last " + std::to_string(last) + " as before";
  if (fresh > 0) summary += "; new:";
  out.add(summary);
  const std::size_t end = first + fresh;
  for (std::size_t i = first; i < end;) {
    std::size_t times = 1;
    while (i + 2 * times + 1 < end && now[i + 2 * times] == now[i] && now[i + 2 * times + 1] == now[i + 1]) {
      ++times;
    }
    if (times == 1) {
      out.add("  " + text(now[i++]));
    } else {
      out.add("  " + std::to_string(times) + " times: " + text(now[i]) + "; " + text(now[i + 1]));
      i += 2 * times;
    }
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
    if (e.kind == UserEvent::kRestart) {
      restart();  // a program of its own: nothing of the one before may be read again
      out.add("started");
      return observe(out, false);
    }
    fakes::FakeProgram& p = *p_;
    const int frames = p.surface.frames;
    switch (e.kind) {
      case UserEvent::kRestart: break;
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
      // As the window's shortcuts do: nothing while the command is disabled.
      case UserEvent::kUndo:
        if (p.window.undoEnabled) p.commands.undo();
        break;
      case UserEvent::kRedo:
        if (p.window.redoEnabled) p.commands.redo();
        break;
      case UserEvent::kClear:
        if (p.window.clearEnabled) p.commands.clearMeasurements();
        break;
      case UserEvent::kEscape: p.commands.abandonPair(); break;
    }
    observe(out, p.surface.frames != frames);
  }

  std::vector<std::string> brokenRules() const override { return replay::brokenRules(*p_, seen_); }

 private:
  void restart() {
    p_ = std::make_unique<fakes::FakeProgram>();
    // Labels about the size of " 12.345 " at the default font, so that they meet.
    p_->surface.setLabelBox(kLabelBox);
    p_->disk.labelBox = kLabelBox;
    p_->disk.unreadable["/pics/broken.gif"] = ErrorCode::kInvalidPicture;
    p_->disk.unwritable[kUnwritablePath] = ErrorCode::kPathAccess;
    seen_ = Seen{};
    lastFile_.clear();
    shown_.clear();
    menus_.clear();
    edit_.clear();
    status_ = SessionStatus{};
  }

  void observe(EventRecord& out, bool framed) {
    fakes::FakeProgram& p = *p_;
    seen_.framed = framed;
    seen_.written.clear();
    seen_.errors = p.prompts.errors;
    for (const auto& d : p.prompts.dialogs) out.add(d.kind + " dialog \"" + d.initialName + "\"");
    for (const auto& q : p.prompts.questions) {
      out.add("input box \"" + q.prompt + "\" \"" + q.title + "\" \"" + q.initialText + "\"");
    }
    for (const std::string& m : p.prompts.messages) out.add("message \"" + m + "\"");
    for (const auto& [number, description] : p.prompts.errors) {
      out.add("report " + std::to_string(number) + " \"" + description + "\"");
    }
    // The view shows the last frame drawn until another one is.
    if (framed) {
      changes("view", seen_.screen, p.surface.frame(), out);
      seen_.screen = p.surface.frame();
      seen_.shown = p.commands.session();
    }
    for (const std::string& path : p.disk.writeOrder) {
      const fakes::FakeDisk::Written& w = p.disk.written[path];
      out.add("wrote \"" + path + "\" from \"" + w.picture + "\", " + number(w.size.width) + " x " +
              number(w.size.height));
      changes("its drawing, against the file written before", lastFile_, w.drawn, out);
      lastFile_ = w.drawn;
      seen_.written.push_back(w);
    }
    const TwipRect r = p.commands.pictureRect();
    const std::string shown = "picture \"" + p.commands.picturePath() + "\" at " + number(r.left) + " " +
                              number(r.top) + ", " + number(r.width) + " x " + number(r.height);
    if (shown != shown_) out.add(shown), shown_ = shown;
    const std::string menus = std::string("menus: annotate ") + (p.window.annotateEnabled ? "on" : "off") +
                              ", measure " + (p.window.measureEnabled ? "on" : "off");
    if (menus != menus_) out.add(menus), menus_ = menus;
    const std::string edit = std::string("edit menu: undo ") + (p.window.undoEnabled ? "on" : "off") +
                             ", redo " + (p.window.redoEnabled ? "on" : "off") + ", clear " +
                             (p.window.clearEnabled ? "on" : "off");
    if (edit != edit_) out.add(edit), edit_ = edit;
    const SessionStatus& status = p.window.status;
    if (status.title != status_.title) out.add("title \"" + status.title + "\"");
    if (status.step != status_.step || status.picture != status_.picture || status.scale != status_.scale) {
      out.add("status: " + status.step + " | " + status.picture + " | " + status.scale);
    }
    if (status.placing != status_.placing) out.add(status.placing ? "cursor: a cross" : "cursor: an arrow");
    status_ = status;
    p.prompts.dialogs.clear(), p.prompts.questions.clear(), p.prompts.messages.clear();
    p.prompts.errors.clear(), p.disk.written.clear(), p.disk.writeOrder.clear();
  }

  std::unique_ptr<fakes::FakeProgram> p_;
  std::vector<Drawn> lastFile_;
  std::string shown_, menus_, edit_;
  SessionStatus status_;
  Seen seen_;
};

}  // namespace

std::unique_ptr<Driver> makeDriver() { return std::make_unique<ProgramDriver>(); }

}  // namespace vantory::replay
