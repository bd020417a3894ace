// The start of every test executable that runs Qt offscreen: a private home, the offscreen
// platform unless another one is asked for, one application object for all the tests.
#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/private_home.h"

namespace {

QtMessageHandler gDefaultHandler = nullptr;

// The exit code of a run whose tests were all skipped (tests/CMakeLists.txt gives it to
// CTest as SKIP_RETURN_CODE).
constexpr int kAllSkipped = 77;

// The offscreen platform says at every new window that it cannot pass size hints on, and
// Qt that no runtime folder is set; neither says anything about the program.
void messages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains("does not support propagateSizeHints")) return;
  if (message.contains("XDG_RUNTIME_DIR not set")) return;
  gDefaultHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const vantory::testing_support::PrivateHome home;
  ::testing::InitGoogleTest(&argc, argv);
  gDefaultHandler = qInstallMessageHandler(messages);
  QApplication app(argc, argv);
  // Windows come and go from test to test: closing one must not end the event loops that
  // the modal boxes of later tests run.
  QApplication::setQuitOnLastWindowClosed(false);
  const int failed = RUN_ALL_TESTS();
  // When every test that ran was skipped, nothing was tested: CTest is told so by the
  // code its SKIP_RETURN_CODE names.
  const ::testing::UnitTest& tests = *::testing::UnitTest::GetInstance();
  if (failed == 0 && tests.skipped_test_count() > 0 && tests.successful_test_count() == 0) return kAllSkipped;
  return failed;
}
