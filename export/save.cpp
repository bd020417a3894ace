// Save: the opened picture at its natural size on the export canvas Picture1, the
// reference and every committed measurement drawn on it in picture coordinates, then
// written as a bitmap to the file chosen in the Save dialog.
#include "app/main_window.h"
#include "platform/checked.h"

namespace vantory {
void Form1::DrawSegmentMapped(const float& x1, const float& y1, const float& x2, const float& y2,
                              const float& value, const std::int16_t& kind, PictureBox& canvas) {
  // View -> picture coordinates through Image1's geometry at the time of the call: its
  // left and top edges go to 0, its right and bottom edges to the canvas's inner size.
  const auto map_x = [this](float x) {
    return CheckedDivide(CheckFloat((double{x} - c_.Image1.Left()) * c_.Picture1.ScaleWidth()),
                         c_.Image1.Width());
  };
  const auto map_y = [this](float y) {
    return CheckedDivide(CheckFloat((double{y} - c_.Image1.Top()) * c_.Picture1.ScaleHeight()),
                         c_.Image1.Height());
  };
  const double mx1 = map_x(x1);
  const double my1 = map_y(y1);
  const double mx2 = map_x(x2);
  const double my2 = map_y(y2);
  canvas.SetCurrentX(ToSingle(CheckFloat((mx2 + mx1) / 2.0)));
  canvas.SetCurrentY(ToSingle(CheckFloat((my1 + my2) / 2.0)));
  LabelAndLine(canvas, ToSingle(mx1), ToSingle(my1), ToSingle(mx2), ToSingle(my2), value, kind);
}

void Form1::save_Click() {
  MeasurementState& s = state_;
  if (s.openPath.empty()) {
    // Without a picture there is nothing to draw on: writing the blank canvas would only
    // leave a useless file behind.
    c_.runtime.MsgBox(text::kNothingToSave);
    return;
  }
  PictureBox& canvas = c_.Picture1;
  canvas.SetAutoRedraw(true);
  canvas.SetPicture(c_.runtime.LoadPicture(s.openPath));
  canvas.SetForeColor(QBColor(12));
  // Before the first commit there is no reference: nothing to mark.
  if (s.referenceCommitted) {
    DrawSegmentMapped(s.segX[1], s.segY[1], s.segX[2], s.segY[2], s.refLength, 1, canvas);
  }
  canvas.SetForeColor(QBColor(10));
  if (s.nextPoint > 3) {
    const std::int16_t last = AddInt16(s.nextPoint, -1);
    for (s.segIndex = 3; s.segIndex <= last; s.segIndex = AddInt16(s.segIndex, 2)) {
      const int j = CheckIndex(s.segIndex);
      const int k = CheckIndex(AddInt16(s.segIndex, 1));
      DrawSegmentMapped(s.segX[j], s.segY[j], s.segX[k], s.segY[k], s.segLen[j], 2, canvas);
    }
  }

  c_.CommonDialog1.ShowSave();
  const std::string chosen = c_.CommonDialog1.FileName();
  if (chosen.empty()) return;  // cancelled: nothing is written
  s.savePath = chosen;
  c_.runtime.SavePicture(canvas.Image(), s.savePath);
}

}  // namespace vantory
