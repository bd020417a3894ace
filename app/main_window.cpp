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

void Form1::Report(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const RuntimeError& runtime_error) {
    c_.runtime.ReportError(runtime_error.Number(), runtime_error.Description());
  } catch (const std::bad_alloc&) {
    c_.runtime.ReportError(kErrOutOfMemory, StandardDescription(kErrOutOfMemory));
  } catch (const std::exception& other) {
    c_.runtime.ReportError(kErrInternal, StandardDescription(kErrInternal) + "：" + other.what());
  } catch (...) {
    c_.runtime.ReportError(kErrInternal, StandardDescription(kErrInternal));
  }
}

}  // namespace vantory
