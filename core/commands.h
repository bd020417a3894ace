// The menu commands and the pointer's presses and moves over the picture. Each runs
// through one guard: when it fails, the session is put back as it was before and the
// error report is shown; the program goes on. After every command that can change the
// session the view is drawn at once, as a move at the pointer's last place would draw it,
// and the menus and the status line say what the session now allows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/edit_history.h"
#include "core/geometry.h"
#include "core/label_placement.h"
#include "core/live_view.h"
#include "core/measurement_table.h"
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
    TextFiles& textFiles;
    PicturePixels& pixels;
  };
  // `version` is the program's version, which About shows under its text (nothing when
  // empty).
  explicit Commands(Ports ports, std::string version = {});

  // The menus and the status line as the program starts: the annotate menu disabled.
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
  // 文件 > 导出测量结果…: the table of the reference and the measurements (see
  // measurementTable), mapped onto the picture as Save maps them, written as CSV to the
  // file chosen. The dialog offers the name last exported to for this picture, or at first
  // the picture's own name with "-测量" in its folder. Nothing before a reference is fixed.
  void exportMeasurements();
  // 标注 > 复制测量结果: the same table on the clipboard, tab-separated. Both are enabled
  // while a reference is fixed, as every command that changes the session leaves them.
  void copyMeasurements();
  void exitProgram();
  void showAbout();
  void chooseReferenceMode();
  void chooseMeasureMode();
  // 标注 > 撤销, 重做 and 清除测量: take back the last change of the annotations (a
  // measurement kept, a reference fixed, a clear), make the last one taken back again,
  // remove every measurement (the reference stays). Each also gives up the pair begun.
  void undo();
  void redo();
  void clearMeasurements();
  // Escape: the pair being placed is given up, as Cancel in the length box does.
  void abandonPair();

  // A press or a move over the shown picture, at (x, y) twips from its top-left corner. A
  // move draws the live view, and the same again on `magnifier` when there is one (the
  // loupe of fine placement). `snap` tells that Ctrl is held: a left press so made places
  // a point that snaps to the picture's nearest edge once its pair is complete, and a move
  // so made shows where the pair being placed would snap.
  void press(MouseButton button, float x, float y, bool snap = false);
  void move(float x, float y, LiveSurface* magnifier = nullptr, bool snap = false);

  const MeasurementSession& session() const { return session_; }
  // Where the picture is shown on the view surface; before the first Open, where the
  // empty picture lies.
  TwipRect pictureRect() const { return pictureRect_; }
  const std::string& picturePath() const { return picturePath_; }

 private:
  // Runs a command. One that changes the session has it put back when it fails, and the
  // view and the window updated whether it succeeds or not.
  enum class Effect { kNone, kChangesSession };
  template <Effect effect, typename Command>
  void guarded(Command&& command);
  void report() noexcept;
  // The view as a move at the pointer's last place draws it, the menus and the status.
  void showSession();
  // The menus enabled as the session allows, the title and the status line.
  void showMenusAndStatus();
  TwipPoint viewPoint(float x, float y) const;
  // The ends of the pair just completed that ask to, snapped to the picture's edges.
  void snapWorkingPair();
  // Where the pair being placed would snap for the pointer where it is, when any of its ends
  // would and the picture's own pixels are at hand.
  std::optional<SnapPreview> previewSnap() const;
  void drawView(LiveSurface* magnifier = nullptr);
  void askReferenceLength();
  void showFile(const std::string& path);
  std::vector<TableRow> measurementRows() const;

  Ports ports_;
  MeasurementSession session_;
  EditHistory history_;
  TwipPoint pointer_;          // where the pointer last pressed or moved, view twips
  bool pointerSnaps_ = false;  // Ctrl was held then
  std::string picturePath_;
  TwipSize pictureSize_;  // its natural size
  TwipRect pictureRect_ = kInitialPictureRect;
  std::string dialogName_;  // the name the Open dialog starts with
  std::string savedName_;   // where this picture was last saved
  std::string tableName_;   // where its table was last exported
  std::string version_;
  // Where the live view's labels went: kept from move to move, for the view and the
  // loupe alike (the loupe draws the view's labels where the view has them).
  LabelPlacement liveLabels_;
};

}  // namespace vantory
