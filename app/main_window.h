// Form1, the program's one window: its controls, its menu items, the window's variables
// and the event handlers, which are the only entry points into the program's logic.
// Each handler is defined in the folder of its subsystem: Open in picture/, presses and
// modes in measure/, mouse moves in view/, Save in export/.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "measure/measurement_state.h"
#include "platform/controls.h"

namespace vantory {

// The window's fixed texts.
namespace text {
inline constexpr const char* kTitle = "Vantory";
inline constexpr const char* kFilter = "jpg文件|*.jpg|位图|*.bmp|图标|*.ico|GIF图|*.gif";
inline constexpr const char* kAbout =
    "Vantory 图片尺寸测量工具，By Tarvo  联系邮箱：tarvo@example.com";
inline constexpr const char* kRefPrompt = "输入所标注基准的实际长度";
inline constexpr const char* kRefTitle = "输入基准实际长";
inline constexpr const char* kRefDefault = "100";
inline constexpr const char* kLengthNotPositive =
    "基准的实际长度必须是大于 0 的数。\n请重新输入。";
inline constexpr const char* kZeroReference =
    "基准线段的两个端点重合，长度为零，不能作为基准。\n原来的基准保持不变，请重新标注两个不同的端点。";
inline constexpr const char* kTooManyMeasurements =
    "最多只能保存 999 条测量线段，这一条没有保存。\n已有的测量都保持不变，可以先保存图片。";
inline constexpr const char* kNothingToSave = "还没有打开图片，没有可以保存的内容。\n请先用“文件”>“打开”打开一张图片。";
}  // namespace text

// The controls and services the window works with; the toolkit supplies them.
struct Controls {
  FormWindow& Form;
  PictureBox& Picture1;  // export canvas, never seen
  PictureBox& Picture2;  // view surface
  ImageControl& Image1;  // displayed picture, on Picture2
  ImageControl& Image2;  // size probe, never seen
  CommonDialog& CommonDialog1;
  MenuItem& wenjian;
  MenuItem& daoru;
  MenuItem& save;
  MenuItem& tuichu;
  MenuItem& biaozhu;
  MenuItem& szjz;
  MenuItem& celiang;
  MenuItem& about;
  Runtime& runtime;
};

// Mouse button codes of the press event.
enum MouseButton : std::int16_t { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

class Form1 {
 public:
  explicit Form1(const Controls& controls);

  // Event handlers (called through Dispatch).
  void Form_Load();
  void daoru_Click();
  void save_Click();
  void tuichu_Click();
  void about_Click();
  void szjz_Click();
  void celiang_Click();
  void Image1_MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
  void Image1_MouseMove(std::int16_t button, std::int16_t shift, float x, float y);

  // Runs one handler. When it raises anything at all (the runtime's error, a failed
  // allocation, an exception of any other type), the window's variables are put back as
  // they were before the event and the standard error report is shown; the program goes
  // on. The copy of the variables is taken inside the guard too: when even that fails,
  // the handler has not run and nothing needs putting back. Returns false when the
  // handler failed.
  template <typename Handler>
  bool Dispatch(Handler&& handler) {
    std::optional<MeasurementState> before;
    try {
      before.emplace(state_);
      handler();
      return true;
    } catch (...) {
      if (before) state_ = std::move(*before);
      Report(std::current_exception());
      return false;
    }
  }

  // The procedures of the window.
  void DrawSegment(const float& x1, const float& y1, const float& x2, const float& y2,
                   const float& value, const std::int16_t& kind, PictureBox& box);
  void DrawSegmentMapped(const float& x1, const float& y1, const float& x2, const float& y2,
                         const float& value, const std::int16_t& kind, PictureBox& canvas);

  const MeasurementState& State() const { return state_; }
  MeasurementState& MutableState() { return state_; }  // for tests and benchmarks
  const Controls& Ctl() const { return c_; }

 private:
  // Shows the report of `error`: its own number for the runtime's error, 7 (out of
  // memory) for a failed allocation, 51 (internal error) for anything else.
  void Report(const std::exception_ptr& error);
  // A press or move position relative to Image1, in view coordinates.
  float ViewX(float x) const;
  float ViewY(float y) const;
  // The reference's real length asked for in the input box (measure/).
  void AskReferenceLength();
  void CommitReference();
  void CommitMeasurement();
  // The label of `value`, then the line from (x1, y1) to (x2, y2), in the colour of the
  // segment's kind (1 reference: red; 2 measurement: green); nothing for another kind.
  static void LabelAndLine(PictureBox& box, float x1, float y1, float x2, float y2,
                           float value, std::int16_t kind);
  // The scaled length of the segment (x1, y1)-(x2, y2) against the committed reference.
  float LengthAgainstReference(const float& x1, const float& y1, const float& x2,
                               const float& y2) const;

  Controls c_;
  MeasurementState state_;
};

}  // namespace vantory
