// The narrow interfaces through which the program reaches the window toolkit: the
// window, its controls, the menus, the file dialogs and the runtime's services. They use
// the property and method names of the controls; positions and sizes are 32-bit floats
// in twips (1/1440 inch). No toolkit type appears here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vantory {

// A colour packed as 0x00BBGGRR.
using Colour = std::int32_t;

// The 16-colour palette: QBColor(12) is 255 (red), QBColor(10) is 65280 (green).
Colour QBColor(int index);

// A loaded picture. Opaque to the program: it is only passed from LoadPicture to a
// control, or from a picture box's Image to SavePicture.
class Picture {
 public:
  virtual ~Picture() = default;
  virtual bool IsEmpty() const = 0;
};
using PictureRef = std::shared_ptr<const Picture>;

// The main window.
class FormWindow {
 public:
  virtual ~FormWindow() = default;
  virtual float ScaleWidth() const = 0;   // inner size of the client area, twips
  virtual float ScaleHeight() const = 0;
  virtual int MousePointer() const = 0;
  virtual void SetMousePointer(int pointer) = 0;  // 1: the standard arrow
};

// An image control: shows a picture in its rectangle. With Stretch off, assigning a
// picture gives the control the picture's natural size; with Stretch on the picture is
// scaled to fill the rectangle exactly.
class ImageControl {
 public:
  virtual ~ImageControl() = default;
  virtual float Left() const = 0;
  virtual void SetLeft(float value) = 0;
  virtual float Top() const = 0;
  virtual void SetTop(float value) = 0;
  virtual float Width() const = 0;
  virtual void SetWidth(float value) = 0;
  virtual float Height() const = 0;
  virtual void SetHeight(float value) = 0;
  virtual bool Stretch() const = 0;
  virtual void SetStretch(bool on) = 0;
  virtual PictureRef Picture() const = 0;
  // Raises the runtime's error (and keeps the picture it had) when the picture cannot
  // be decoded.
  virtual void SetPicture(const PictureRef& picture) = 0;
  // Paints the picture again over the control's rectangle, wiping drawing there.
  virtual void Refresh() = 0;
};

// A picture box: a drawing surface with a picture as its background.
class PictureBox {
 public:
  virtual ~PictureBox() = default;
  virtual float Width() const = 0;
  virtual void SetWidth(float value) = 0;
  virtual float Height() const = 0;
  virtual void SetHeight(float value) = 0;
  virtual float ScaleWidth() const = 0;  // inner area, twips
  virtual float ScaleHeight() const = 0;
  virtual PictureRef Picture() const = 0;
  // With AutoSize on the box takes the picture's natural size; with AutoRedraw on the
  // persistent image starts afresh from the picture. Raises the runtime's error (and
  // keeps what it had) when the picture cannot be decoded.
  virtual void SetPicture(const PictureRef& picture) = 0;
  virtual bool AutoSize() const = 0;
  virtual void SetAutoSize(bool on) = 0;
  virtual bool AutoRedraw() const = 0;
  virtual void SetAutoRedraw(bool on) = 0;
  virtual Colour ForeColor() const = 0;
  virtual void SetForeColor(Colour colour) = 0;
  virtual float FontSize() const = 0;
  virtual void SetFontSize(float points) = 0;
  virtual float CurrentX() const = 0;
  virtual void SetCurrentX(float x) = 0;
  virtual float CurrentY() const = 0;
  virtual void SetCurrentY(float y) = 0;
  // Writes the label text of `value` in ForeColor and the current font, its top-left
  // corner at (CurrentX, CurrentY).
  virtual void Print(float value) = 0;
  // A straight line between two absolute points in `colour`.
  virtual void Line(float x1, float y1, float x2, float y2, Colour colour) = 0;
  // The persistent image, as a picture.
  virtual PictureRef Image() const = 0;
};

// A menu item.
class MenuItem {
 public:
  virtual ~MenuItem() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool on) = 0;
};

// The Open and Save file dialogs; one FileName serves both.
class CommonDialog {
 public:
  virtual ~CommonDialog() = default;
  virtual std::string Filter() const = 0;
  virtual void SetFilter(const std::string& filter) = 0;
  virtual std::string FileName() const = 0;
  virtual void SetFileName(const std::string& name) = 0;
  // Modal; afterwards FileName holds the full path chosen, or "" when cancelled.
  virtual void ShowOpen() = 0;
  virtual void ShowSave() = 0;
};

// The runtime's global services.
class Runtime {
 public:
  virtual ~Runtime() = default;
  // The picture in the file at `path`, or an empty picture for "". Raises the runtime's
  // error for a file that cannot be read or is not a picture it can decode.
  virtual PictureRef LoadPicture(const std::string& path) = 0;
  // Writes a picture box's Image as a Windows bitmap; raises the runtime's error when
  // the path cannot be written. A failed write leaves no partial file behind.
  virtual void SavePicture(const PictureRef& image, const std::string& path) = 0;
  // Modal; the text confirmed, or "" on Cancel.
  virtual std::string InputBox(const std::string& prompt, const std::string& title,
                               const std::string& default_text) = 0;
  // Modal message with one OK button, captioned with the application title.
  virtual void MsgBox(const std::string& prompt) = 0;
  // The standard error report: a message box with the error's number and description.
  virtual void ReportError(int number, const std::string& description) = 0;
  // Closes the main window, which ends the program.
  virtual void Unload() = 0;
};

}  // namespace vantory
