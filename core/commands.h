// The menu commands and the pointer's presses and moves over the picture. Each runs
// through one guard: when it fails, the session is put back as it was before and the
// error report is shown; the program goes on.
#pragma once

#include <string>

#include "core/geometry.h"
#include "core/label_placement.h"
#include "core/picture_fit.h"
#include "core/ports.h"
#include "core/session.h"

namespace vantory {

enum class MouseButton { kLeft, kRight, kOther };

class Commands {
 public:
  struct Ports {
    Window& window;
    LiveSurface& surface;
    PictureFiles& files;
    Prompts& prompts;
  };
  // `version` is the program's version, which About shows under its text (nothing when
  // empty).
  explicit Commands(Ports ports, std::string version = {});

  // The menus as the program starts: the annotate menu and its measure command disabled.
  void start();

  // 文件 > 打开: choose a picture, learn its size from its header, fit it to the window
  // and show it. A failed Open changes nothing (the dialog's file name included).
  void openPicture();
  // Opens the picture at `path` as if it had been chosen in the Open dialog: a file named
  // on the command line or dropped on the window.
  void openFile(const std::string& path);
  // 文件 > 保存: the Save dialog at once; meanwhile the picture is read again at its natural
  // size and the annotations as they stand now are drawn on it. The bitmap is written
  // when a file name is chosen; an error on the way (the picture gone since Open, a path
  // that cannot be written) is reported then. Cancel throws the work away. The dialog
  // offers the name last saved to for this picture, or at first the picture's own name
  // with "-标注" in its folder, as a bitmap.
  void savePicture();
  void exitProgram();
  void showAbout();
  void chooseReferenceMode();
  void chooseMeasureMode();

  // A press or a move over the shown picture, at (x, y) twips from its top-left corner. A
  // move draws the live view, and the same again on `magnifier` when there is one (the
  // loupe of fine placement).
  void press(MouseButton button, float x, float y);
  void move(float x, float y, LiveSurface* magnifier = nullptr);

  const MeasurementSession& session() const { return session_; }
  // Where the picture is shown on the view surface; before the first Open, where the
  // empty picture lies.
  TwipRect pictureRect() const { return pictureRect_; }
  const std::string& picturePath() const { return picturePath_; }

 private:
  // Runs a command; a command that `changes` the session has it put back when it fails.
  template <bool changes, typename Command>
  void guarded(Command&& command);
  void report() noexcept;
  TwipPoint viewPoint(float x, float y) const;
  void askReferenceLength();
  void showFile(const std::string& path);

  Ports ports_;
  MeasurementSession session_;
  std::string picturePath_;
  TwipRect pictureRect_ = kInitialPictureRect;
  std::string dialogName_;  // the name the Open dialog starts with
  std::string savedName_;   // where this picture was last saved
  std::string version_;
  // Where the live view's labels went: kept from move to move, for the view and the
  // loupe alike (the loupe draws the view's labels where the view has them).
  LabelPlacement liveLabels_;
};

}  // namespace vantory
