// Open: pick a picture, learn its natural size through the probe Image2, fit Image1 to
// the window with a 240-twip margin keeping the picture's proportions, centre it on the
// view surface and show the picture in it.
#include <string>

#include "app/main_window.h"
#include "platform/checked.h"
#include "platform/runtime_error.h"

namespace vantory {
namespace {

constexpr float kFitMargin = 240.0f;  // twips

// What Open changes on the controls, taken before it starts so that a failed Open can
// put everything back: the user keeps the picture and the geometry they had.
class ControlsSnapshot {
 public:
  ControlsSnapshot(const Controls& c, std::string file_name)
      : c_(c),
        file_name_(std::move(file_name)),
        probe_picture_(c.Image2.Picture()),
        probe_stretch_(c.Image2.Stretch()),
        probe_width_(c.Image2.Width()),
        probe_height_(c.Image2.Height()),
        shown_picture_(c.Image1.Picture()),
        shown_stretch_(c.Image1.Stretch()),
        left_(c.Image1.Left()),
        top_(c.Image1.Top()),
        width_(c.Image1.Width()),
        height_(c.Image1.Height()) {}

  void Restore() const {
    c_.CommonDialog1.SetFileName(file_name_);
    c_.Image2.SetStretch(probe_stretch_);
    c_.Image2.SetPicture(probe_picture_);
    c_.Image2.SetWidth(probe_width_);
    c_.Image2.SetHeight(probe_height_);
    c_.Image1.SetStretch(shown_stretch_);
    c_.Image1.SetWidth(width_);
    c_.Image1.SetHeight(height_);
    c_.Image1.SetLeft(left_);
    c_.Image1.SetTop(top_);
    c_.Image1.SetPicture(shown_picture_);
  }

 private:
  const Controls& c_;
  std::string file_name_;
  PictureRef probe_picture_;
  bool probe_stretch_;
  float probe_width_, probe_height_;
  PictureRef shown_picture_;
  bool shown_stretch_;
  float left_, top_, width_, height_;
};

// A fitted size must leave something to show: a client area no larger than the margin
// would give Image1 a size of zero or less.
float FittedSize(double size) {
  const float single = ToSingle(size);
  if (!(single > 0.0f)) {
    throw RuntimeError(kErrInvalidProperty, "无效属性值：窗口太小，放不下图片");
  }
  return single;
}

}  // namespace

void Form1::daoru_Click() {
  std::string file_name_before = c_.CommonDialog1.FileName();
  c_.CommonDialog1.ShowOpen();
  const std::string chosen = c_.CommonDialog1.FileName();
  if (chosen.empty()) return;

  const ControlsSnapshot snapshot(c_, std::move(file_name_before));
  try {
    state_.openPath = chosen;
    c_.CommonDialog1.SetFileName("");

    // Probe: the natural size of the picture, as an image control without Stretch
    // reports it.
    c_.Image2.SetPicture(c_.runtime.LoadPicture(""));
    c_.Image2.SetPicture(c_.runtime.LoadPicture(state_.openPath));
    c_.Image2.SetStretch(false);
    state_.picWidth = RoundHalfEven(c_.Image2.Width());
    state_.picHeight = RoundHalfEven(c_.Image2.Height());

    // The window's ratio as a 32-bit float: 11655 x 8295 gives 1.4050633. Rounded to a
    // whole number it would bind every picture between 1 and 1.405 (a 4:3 photo, a
    // square) by its width and push its top and bottom out of the window.
    state_.viewRatio = ToSingle(CheckedDivide(c_.Form.ScaleWidth(), c_.Form.ScaleHeight()));

    // Bind the side that reaches the window first; a tie goes to the width.
    const double picture_ratio = CheckedDivide(state_.picWidth, state_.picHeight);
    if (picture_ratio >= double{state_.viewRatio}) {
      c_.Image1.SetWidth(FittedSize(CheckFloat(double{c_.Form.ScaleWidth()} - kFitMargin)));
      const double height =
          CheckedDivide(CheckFloat(double{c_.Image1.Width()} * state_.picHeight), state_.picWidth);
      c_.Image1.SetHeight(FittedSize(height));
    } else {
      c_.Image1.SetHeight(FittedSize(CheckFloat(double{c_.Form.ScaleHeight()} - kFitMargin)));
      const double width =
          CheckedDivide(CheckFloat(state_.picWidth * double{c_.Image1.Height()}), state_.picHeight);
      c_.Image1.SetWidth(FittedSize(width));
    }

    // Centre on the view surface (division by 2.0: the result may end in .5).
    c_.Image1.SetLeft(
        ToSingle(CheckFloat(double{c_.Picture2.ScaleWidth()} - c_.Image1.Width()) / 2.0));
    c_.Image1.SetTop(
        ToSingle(CheckFloat(double{c_.Picture2.ScaleHeight()} - c_.Image1.Height()) / 2.0));

    // The picture is read a second time, scaled into Image1.
    c_.Image1.SetStretch(true);
    c_.Image1.SetPicture(c_.runtime.LoadPicture(state_.openPath));
  } catch (...) {
    snapshot.Restore();
    throw;
  }

  c_.biaozhu.SetEnabled(true);
  c_.Picture1.SetAutoSize(true);
}

}  // namespace vantory
