// Presses and the live view on the real surface: mouse events as the widget receives
// them, the input box for the reference's length, and the pixels every move leaves.
#include <QInputDialog>

#include "platform/runtime_error.h"
#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

const QColor kPlain(40, 90, 160);

class LiveView : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Open(WriteImage(dir_, "plain.bmp", Filled(400, 200, kPlain), "bmp"));
    ASSERT_EQ(window_->Surface().Image1().PixelRect(), kImageRect);
  }
  QColor Background() { return window_->Surface().Background(); }
  // Where a label drawn at `midpoint` has its text: right of and below that corner,
  // clear of a line that leaves the midpoint level or upwards.
  static QRect LabelArea(QPointF midpoint) {
    return QRect(midpoint.toPoint() + QPoint(1, 3), QSize(40, 12));
  }
};

TEST_F(LiveView, PressesLandInViewTwipsAndTheLengthIsAskedFor) {
  Trigger("szjz");
  // Image1's top-left corner, a fractional pixel position: (120, 1293.75) twips.
  Press(QPointF(kLeft / 15, kTop / 15));
  EXPECT_EQ(State().curX[1], kLeft);
  EXPECT_EQ(State().curY[1], kTop);
  EXPECT_EQ(State().clicks, 1);
  // Left of the picture and below it: no press reaches the program.
  Press(QPointF(7.5, 200));
  Press(QPointF(300, 467.5));
  EXPECT_EQ(State().clicks, 1);

  // The second point asks for the real length; a text that is not a number is
  // explained and asked for again, with what was typed still in the box.
  QString title, prompt, first_shown, complaint, second_shown;
  modals_.Expect("inputBox", [&](QWidget* box) {
    auto* input = qobject_cast<QInputDialog*>(box);
    title = input->windowTitle();
    prompt = input->labelText();
    Answer("一百", &first_shown)(box);
  });
  modals_.Expect("errorReport", Acknowledge(&complaint));
  modals_.Expect("inputBox", Answer(" 25.5 ", &second_shown));
  Press(QPointF(400.5, 300.25));

  EXPECT_EQ(title, "输入基准实际长");
  EXPECT_EQ(prompt, "输入所标注基准的实际长度");
  EXPECT_EQ(first_shown, "100");
  EXPECT_TRUE(complaint.contains(QString::number(kErrTypeMismatch))) << complaint.toStdString();
  EXPECT_EQ(second_shown, "一百");
  EXPECT_EQ(State().heldLength, 25.5f);
  EXPECT_EQ(State().curX[2], 6007.5f);
  EXPECT_EQ(State().curY[2], 4503.75f);
  EXPECT_EQ(State().clicks, 2);

  EXPECT_FALSE(Action("celiang")->isEnabled());
  Press(QPointF(200, 200), Qt::RightButton);
  EXPECT_TRUE(Action("celiang")->isEnabled());
  EXPECT_EQ(State().segX[1], kLeft);
  EXPECT_EQ(State().segY[1], kTop);
  EXPECT_EQ(State().segX[2], 6007.5f);
  EXPECT_EQ(State().segY[2], 4503.75f);
  EXPECT_EQ(State().refLength, 25.5f);
}

TEST_F(LiveView, TheRubberBandFollowsThePointerAndLeavesNothingBehind) {
  Trigger("szjz");
  const QPointF start(100, 300), first(600, 120), second(600, 440);
  Press(start);
  Move(first);
  EXPECT_EQ(OnLine(Screen(), start, first, kRed, 0.05, 0.95), 12);
  Move(second);
  EXPECT_EQ(OnLine(Screen(), start, second, kRed, 0.05, 0.95), 12);
  // Where the first band ran, clear of the second, the picture is back.
  for (double t : {0.4, 0.6, 0.8, 0.97}) {
    EXPECT_TRUE(AllNear(Screen(), start + (first - start) * t, kPlain)) << t;
  }
}

TEST_F(LiveView, ReferenceInRedMeasurementInGreenEvenAfterARepaint) {
  const QPointF r1(100, 150), r2(500, 150), m1(150, 400), m2(650, 250);
  SetReference(r1, r2, "50");
  Trigger("celiang");
  Measure(m1, m2);
  Move(QPointF(700, 420));

  const auto check = [&](const QImage& shown) {
    EXPECT_EQ(OnLine(shown, r1, r2, kRed), 12);
    EXPECT_EQ(OnLine(shown, m1, m2, kGreen), 12);
    EXPECT_GT(Tinted(shown, LabelArea((r1 + r2) / 2), kRed), 3);
    EXPECT_GT(Tinted(shown, LabelArea((m1 + m2) / 2), kGreen), 3);
    EXPECT_TRUE(AllNear(shown, QPointF(300, 400), kPlain, 3));  // untouched picture
  };
  {
    SCOPED_TRACE("after the move");
    check(Screen());
  }
  {
    SCOPED_TRACE("repainted");
    window_->Surface().repaint();
    check(window_->Surface().grab().toImage());
  }
  {
    SCOPED_TRACE("hidden and shown again");
    window_->hide();
    window_->show();
    check(window_->Surface().grab().toImage());
  }
}

TEST_F(LiveView, LabelsPastThePictureEdgeDoNotPileUp) {
  SetReference(QPointF(100, 150), QPointF(500, 150), "50");
  Trigger("celiang");
  // Endpoint 1 near the bottom edge: the live label at the midpoint runs below the
  // picture, onto the background.
  Press(QPointF(100, 462));
  Move(QPointF(300, 462));
  const QRect below(kImageRect.left(), kImageRect.bottom() + 1, kImageRect.width(),
                    553 - kImageRect.bottom() - 1);
  ASSERT_GT(Tinted(Screen(), below, kGreen), 0);

  Move(QPointF(600, 200));
  Move(QPointF(650, 250));
  int left_over = 0;
  for (int y = below.top(); y <= below.bottom(); ++y) {
    for (int x = 0; x < 777; ++x) left_over += Screen().pixel(x, y) != Background().rgb();
  }
  EXPECT_EQ(left_over, 0);
}

}  // namespace
}  // namespace vantory::qttest
