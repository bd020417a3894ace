// The program's commands on its real view and picture files, with the window's menus and
// the dialogs as stand-ins (the recording fakes): the dialogs answer with paths given as
// bytes, so that any name the file system holds can be chosen.
#pragma once

#include <memory>

#include "core/commands.h"
#include "picture/current_picture.h"
#include "save/qt_picture_files.h"
#include "tests/fakes/recording_ports.h"
#include "ui/view_surface.h"

namespace vantory::testing_support {

struct ScriptedProgram {
  std::shared_ptr<qt::CurrentPicture> picture = std::make_shared<qt::CurrentPicture>();
  fakes::FakeWindow window;
  qt::ViewSurface view{nullptr, picture};
  qt::QtPictureFiles files{picture};
  fakes::FakePrompts prompts;
  fakes::FakeTextFiles textFiles;
  Commands commands{{window, view, files, prompts, textFiles, view}};

  // Runs a command as the window does: the view shows what it drew; a Save, written on the
  // background thread, is waited for. Returns false when it reported an error or showed a
  // message.
  template <typename Command>
  bool run(Command&& command) {
    command();
    view.flush();
    files.finishExports();
    return prompts.errors.empty() && prompts.messages.empty();
  }
  bool open(const std::string& path) {
    prompts.fileAnswers = {path};
    return run([this] { commands.openPicture(); });
  }
  bool save(const std::string& path) {
    prompts.fileAnswers = {path};
    return run([this] { commands.savePicture(); });
  }
};

}  // namespace vantory::testing_support
