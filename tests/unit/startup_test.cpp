// Start-up, About, Exit and the dispatcher that keeps the program going after an error.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "tests/unit/test_support.h"

namespace vantory::unit {
namespace {

TEST(FormLoad, GivesTheVariablesTheirFirstValues) {
  Session session;
  MeasurementState expected;  // everything zero or empty but the two counters
  expected.nextPoint = 3;
  expected.nextLength = 3;
  EXPECT_TRUE(SameState(expected, session.state()));
}

TEST(FormLoad, MenusFilterAndControls) {
  fake::FakePlatform p;
  // A window whose client area differs from the surface's creation size, and image
  // controls whose stretch modes are the opposite of what start-up wants.
  p.form.scale_width = 9000;
  p.form.scale_height = 6000;
  p.Image1.stretch = false;
  p.Image2.stretch = true;
  ASSERT_TRUE(p.form1->Dispatch([&] { p.form1->Form_Load(); }));

  EXPECT_TRUE(p.Image1.stretch);
  EXPECT_FALSE(p.Image2.stretch);
  EXPECT_EQ(p.CommonDialog1.filter, "jpg文件|*.jpg|位图|*.bmp|图标|*.ico|GIF图|*.gif");
  EXPECT_EQ(p.Picture2.width, 9000);
  EXPECT_EQ(p.Picture2.height, 6000);

  EXPECT_FALSE(p.biaozhu.enabled);
  EXPECT_FALSE(p.celiang.enabled);
  for (const fake::FakeMenu* item : {&p.wenjian, &p.daoru, &p.save, &p.tuichu, &p.szjz, &p.about}) {
    EXPECT_TRUE(item->enabled);
  }

  // Nothing else happens: no dialog, no picture, no drawing, no message.
  EXPECT_TRUE(p.CommonDialog1.shown.empty());
  EXPECT_EQ(p.runtime.loads, 0);
  EXPECT_TRUE(p.Picture2.calls.empty());
  EXPECT_TRUE(p.runtime.messages.empty() && p.runtime.errors.empty());
}

// About after some work: the message, and nothing else changes.
TEST(About, ShowsItsOneLineTextAndChangesNothing) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000);
  const MeasurementState before = session.state();

  ASSERT_TRUE(session.Run([&] { session.form().about_Click(); }));

  ASSERT_EQ(session.runtime().messages.size(), 1u);
  const std::string& shown = session.runtime().messages[0];
  EXPECT_EQ(shown, text::kAbout);
  EXPECT_EQ(shown.find('\n'), std::string::npos);
  EXPECT_NE(shown.find("，By Tarvo  "), std::string::npos);  // full-width comma, one and two spaces
  EXPECT_NE(shown.find("："), std::string::npos);
  EXPECT_TRUE(SameState(before, session.state()));
  EXPECT_TRUE(session.p().biaozhu.enabled);
  EXPECT_TRUE(session.p().celiang.enabled);
  EXPECT_EQ(session.runtime().unloads, 0);
}

TEST(Exit, UnloadsWithoutAskingEvenWithUnsavedMeasurements) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000);
  session.Measure(1000, 2000, 2500, 4000);
  ASSERT_EQ(session.state().nextPoint, 5);
  const MeasurementState before = session.state();

  ASSERT_TRUE(session.Run([&] { session.form().tuichu_Click(); }));

  EXPECT_EQ(session.runtime().unloads, 1);
  EXPECT_TRUE(session.runtime().messages.empty());
  EXPECT_EQ(session.p().CommonDialog1.shown.size(), 1u);  // only the Open dialog
  EXPECT_TRUE(session.runtime().written.empty());
  EXPECT_TRUE(SameState(before, session.state()));
}

TEST(Dispatch, AFailingHandlerLeavesTheVariablesAsTheyWereAndReports) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000);
  const MeasurementState before = session.state();

  const bool ok = session.Run([&] {
    MeasurementState& s = session.mutable_state();
    s.mode = kMeasure;
    s.clicks = 99;
    s.segX[7] = 1.0f;
    s.refText = "half done";
    throw RuntimeError(kErrSubscript);
  });

  EXPECT_FALSE(ok);
  EXPECT_TRUE(SameState(before, session.state()));
  ASSERT_EQ(session.runtime().errors.size(), 1u);
  EXPECT_EQ(session.runtime().errors[0], (std::pair<int, std::string>{9, "下标越界"}));

  // The program goes on: the next event is handled normally.
  EXPECT_TRUE(session.Run([&] { session.form().celiang_Click(); }));
  EXPECT_EQ(session.state().mode, kMeasure);
}

TEST(Dispatch, ErrorsThatAreNotTheRuntimesAreReportedToo) {
  Session session;
  EXPECT_FALSE(session.Run([] { throw std::bad_alloc(); }));
  EXPECT_FALSE(session.Run([] { throw std::logic_error("broken invariant"); }));

  const auto& errors = session.runtime().errors;
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].first, kErrOutOfMemory);
  EXPECT_EQ(errors[1].first, kErrInternal);
  EXPECT_NE(errors[1].second.find("broken invariant"), std::string::npos);
}

TEST(Dispatch, AnExceptionOfAnyTypeIsCaughtUndoneAndReported) {
  // Not derived from std::exception: a plain value, and a type of the program's own.
  struct Unexpected {};
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000);
  const MeasurementState before = session.state();

  EXPECT_FALSE(session.Run([&] {
    session.mutable_state().refText = "changed";
    throw 42;
  }));
  EXPECT_TRUE(SameState(before, session.state()));
  EXPECT_FALSE(session.Run([&] {
    session.mutable_state().segX[1] = -1.0f;
    throw Unexpected{};
  }));
  EXPECT_TRUE(SameState(before, session.state()));

  const auto& errors = session.runtime().errors;
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], (std::pair<int, std::string>{kErrInternal, "内部错误"}));
  EXPECT_EQ(errors[1], (std::pair<int, std::string>{kErrInternal, "内部错误"}));
  EXPECT_TRUE(session.Run([&] { session.form().celiang_Click(); }));
}

}  // namespace
}  // namespace vantory::unit
