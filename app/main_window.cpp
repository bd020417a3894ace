#include "app/main_window.h"

#include <new>

#include "platform/runtime_error.h"

namespace vantory {

Form1::Form1(const Controls& controls) : c_(controls) {}

void Form1::Form_Load() {
  c_.Image1.SetStretch(true);
  c_.Image2.SetStretch(false);
  state_.mode = kIdle;
  state_.clicks = 0;
  state_.nextLength = 3;
  c_.CommonDialog1.SetFilter(text::kFilter);
  c_.biaozhu.SetEnabled(false);
  c_.Picture2.SetWidth(c_.Form.ScaleWidth());
  c_.Picture2.SetHeight(c_.Form.ScaleHeight());
  c_.celiang.SetEnabled(false);
  state_.nextPoint = 3;
}

void Form1::tuichu_Click() { c_.runtime.Unload(); }

void Form1::about_Click() { c_.runtime.MsgBox(text::kAbout); }

void Form1::Report(const std::exception& error) {
  if (const auto* runtime_error = dynamic_cast<const RuntimeError*>(&error)) {
    c_.runtime.ReportError(runtime_error->Number(), runtime_error->Description());
  } else if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
    c_.runtime.ReportError(kErrOutOfMemory, StandardDescription(kErrOutOfMemory));
  } else {
    c_.runtime.ReportError(kErrInternal, StandardDescription(kErrInternal) + "：" + error.what());
  }
}

}  // namespace vantory
