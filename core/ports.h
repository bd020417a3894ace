// The narrow interfaces through which the commands reach the toolkit: drawing, the view
// on screen, picture files, dialogs and messages, the window and its menus. Positions are
// twips; no toolkit type appears here.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/geometry.h"

namespace vantory {

class AppError;
class BrightnessSource;

// The two kinds of annotation, each with its colour: the reference red, measurements green.
enum class Ink { kReference, kMeasurement };

// Draws labels and lines, positions in the twips of what it draws on. Lines are one pixel
// wide and labels in the painter's font until setAnnotationScale says otherwise.
class Painter {
 public:
  virtual ~Painter() = default;
  // The box the label of `value` with its `unit` takes as it would be drawn now, in the
  // twips of what is drawn on: its text's advance and height at the painter's font and
  // scale.
  virtual TwipSize labelSize(float value, std::string_view unit) = 0;
  // The label text of `value` with its `unit` (labelText) in the ink's colour with a thin
  // dark outline, its top-left corner at `topLeft`.
  virtual void label(TwipPoint topLeft, float value, std::string_view unit, Ink ink) = 0;
  virtual void line(TwipPoint from, TwipPoint to, Ink ink) = 0;
  // From now on labels, their outline and the width of lines are `factor` times their
  // size on screen (a picture saved larger than it was shown); 1 draws them as on screen.
  virtual void setAnnotationScale(float factor) = 0;
};

// The view on screen: the picture at its place on the view surface, with what the live
// view draws over it.
class LiveSurface {
 public:
  virtual ~LiveSurface() = default;
  // The view surface's inner size.
  virtual TwipSize area() const = 0;
  // Shows the picture in the file at `path` scaled into `rect`. Throws AppError, showing
  // what it showed before, when the picture cannot be decoded.
  virtual void showPicture(const std::string& path, TwipRect rect) = 0;
  // Starts a new frame: what was drawn over the view since the last one is wiped (the
  // picture and the background come back). Returns the painter for the frame.
  virtual Painter& newFrame() = 0;
  // Labels are drawn at 8 points from now on, instead of the default font's size.
  virtual void useSmallLabels() = 0;
};

// Draws the annotations on a picture at its natural size, given in twips.
using ExportDrawing = std::function<void(Painter& painter, TwipSize pictureSize)>;

// A picture being readied for Save while the user chooses where: read again from its
// file at its natural size, with the annotations drawn on it. Dropped before writeTo is
// called, the work is thrown away.
class ExportJob {
 public:
  virtual ~ExportJob() = default;
  // Writes the picture, once it is ready, to `path`: as a PNG for a name ending in .png,
  // as a Windows bitmap for any other (savedFormatFor), completely or not at all. Then
  // calls `finished`, on the thread the commands run on, with the error that stopped it
  // (reading the picture again, drawing on it or writing it) or with null.
  virtual void writeTo(const std::string& path, std::function<void(const AppError*)> finished) = 0;
};

class PictureFiles {
 public:
  virtual ~PictureFiles() = default;
  // The upright natural size of the picture in the file at `path`, read from its header.
  // Throws AppError for a missing or unreadable file, a file that is not a picture, or a
  // picture too large to open.
  virtual TwipSize probe(const std::string& path) = 0;
  // Starts reading the picture at `path` again at its natural size and drawing on it with
  // `drawing`, and returns at once. Errors are told when the job is written.
  virtual std::unique_ptr<ExportJob> prepareExport(const std::string& path, ExportDrawing drawing) = 0;
};

// Text files written whole: the table of measurements.
class TextFiles {
 public:
  virtual ~TextFiles() = default;
  // Writes `bytes` to the file at `path`, completely or not at all: through a temporary
  // file beside it, flushed to the disk and renamed over it, so that a failed write leaves
  // no partial file and an existing file untouched. Throws AppError 75 naming the path and
  // the reason (a full disk or a failed write said as such).
  virtual void writeFile(const std::string& path, const std::string& bytes) = 0;
};

// The picture shown, at its own pixels: what the ends placed with Ctrl held snap to.
class PicturePixels {
 public:
  virtual ~PicturePixels() = default;
  // The brightness of the picture shown at its natural size once it has been decoded; until
  // then null, and its decode is started. Null too when it cannot be decoded.
  virtual const BrightnessSource* ready() = 0;
  // The same, waiting for the decode to end when it has not.
  virtual const BrightnessSource* await() = 0;
};

// Dialogs and message boxes, all modal.
class Prompts {
 public:
  virtual ~Prompts() = default;
  // The Open and Save file dialogs, starting with `initialName`: the full path chosen,
  // or "" when cancelled.
  virtual std::string chooseFileToOpen(const std::string& initialName) = 0;
  virtual std::string chooseFileToSave(const std::string& initialName) = 0;
  // The dialog that saves the table of measurements, as a CSV file: the full path chosen
  // (with the suffix added when none was typed), or "" when cancelled. It asks before
  // replacing an existing file.
  virtual std::string chooseFileToExport(const std::string& initialName) = 0;
  // The input box: the text confirmed, or "" on Cancel.
  virtual std::string askText(const std::string& prompt, const std::string& title,
                              const std::string& initialText) = 0;
  // A message with one OK button, captioned with the program's title.
  virtual void showMessage(const std::string& text) = 0;
  // The error report.
  virtual void showError(const AppError& error) = 0;
};

// What the window tells about the session besides the view.
struct SessionStatus {
  std::string title;     // the window's title: "coins.jpg - Vantory", or the program's name
  std::string step;      // the mode and the next step: "测量：单击第一个端点"
  std::string picture;   // the picture's file name and size in pixels, or ""
  std::string scale;     // the real length of one pixel once a reference is fixed, or ""
  bool placing = false;  // points are being placed: the cursor over the picture is a cross
  std::string snap;      // how the ends of the pair placed with Ctrl held snapped, or ""
  bool operator==(const SessionStatus&) const = default;
};

// The main window: its client area, its menus, the status line, the clipboard, and closing it.
class Window {
 public:
  virtual ~Window() = default;
  virtual TwipSize clientArea() const = 0;
  virtual void setAnnotateMenuEnabled(bool enabled) = 0;
  virtual void setMeasureCommandEnabled(bool enabled) = 0;
  // Undo, redo and clear, each enabled only when it can act.
  virtual void setEditCommandsEnabled(bool undo, bool redo, bool clear) = 0;
  virtual void showStatus(const SessionStatus& status) = 0;
  // Exporting and copying the table of measurements.
  virtual void setTableCommandsEnabled(bool enabled) = 0;
  // Puts `text` on the clipboard, as plain text.
  virtual void copyToClipboard(const std::string& text) = 0;
  virtual void closeWindow() = 0;
};

}  // namespace vantory
