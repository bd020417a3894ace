// Presses and the live view on the real view: mouse events as the widget receives them,
// the input box for the reference's length, and the pixels every move leaves.
#include <QInputDialog>

#include "core/texts.h"
#include "tests/qt/qt_support.h"

namespace vantory::qttest {
namespace {

const QColor kPlain(40, 90, 160);

class LiveView : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    open(writeImage(dir_, "plain.bmp", filled(400, 200, kPlain), "bmp"));
    ASSERT_EQ(window_->view().pictureRect(), kImageRect);
  }
  // Where a label drawn at `midpoint` has its text: right of and below that corner,
  // clear of a line that leaves the midpoint level or upwards.
  static QRect labelArea(QPointF midpoint) { return QRect(midpoint.toPoint() + QPoint(1, 3), QSize(40, 12)); }
};

TEST_F(LiveView, PressesLandInViewTwipsAndTheLengthIsAskedFor) {
  trigger("setReferenceAction");
  // The picture's top-left corner, a fractional pixel position: (120, 1293.75) twips.
  press(QPointF(kLeft / 15, kTop / 15));
  MeasurementSession expected;
  expected.setMode(Mode::kReference);
  EXPECT_FALSE(expected.placePoint({kLeft, kTop}));
  EXPECT_EQ(session(), expected);
  EXPECT_EQ(session().workingPair().a, (TwipPoint{kLeft, kTop}));
  EXPECT_TRUE(session().secondPointPending());
  // Left of the picture and below it: no press reaches the program.
  press(QPointF(7.5, 200));
  press(QPointF(300, 467.5));
  EXPECT_EQ(session(), expected);

  // The second point asks for the real length; a text that is not a length is explained
  // and asked for again, with what was typed still in the box.
  QString title, prompt, firstShown, complaint, secondShown;
  modals_.expect("inputBox", [&](QWidget* box) {
    auto* input = qobject_cast<QInputDialog*>(box);
    title = input->windowTitle();
    prompt = input->labelText();
    answer("一百", &firstShown)(box);
  });
  modals_.expect("msgBox", acknowledge(&complaint));
  modals_.expect("inputBox", answer(" 25.5 mm ", &secondShown));
  press(QPointF(400.5, 300.25));

  EXPECT_EQ(title, "输入基准实际长");
  EXPECT_EQ(prompt, "输入所标注基准的实际长度");
  EXPECT_EQ(firstShown, "100");
  EXPECT_EQ(complaint.toStdString(), texts::kNotALength);
  EXPECT_EQ(secondShown, "一百");
  // The second point, with 25.5 mm held for the pair until a right press commits it.
  EXPECT_TRUE(expected.placePoint({6007.5f, 4503.75f}));
  expected.holdLength(25.5f, "mm");
  EXPECT_EQ(session(), expected);
  EXPECT_EQ(session().workingPair().b, (TwipPoint{6007.5f, 4503.75f}));
  EXPECT_FALSE(session().secondPointPending());
  EXPECT_FALSE(session().referenceCommitted());

  EXPECT_FALSE(action("measureAction")->isEnabled());
  press(QPointF(200, 200), Qt::RightButton);
  EXPECT_TRUE(action("measureAction")->isEnabled());
  EXPECT_TRUE(session().referenceCommitted());
  EXPECT_EQ(session().reference(), (Segment{{kLeft, kTop}, {6007.5f, 4503.75f}}));
  EXPECT_EQ(session().referenceLength(), 25.5f);
  EXPECT_EQ(session().referenceUnit(), "mm");
  EXPECT_EQ(expected.commit(), MeasurementSession::Commit::kReference);
  EXPECT_EQ(session(), expected);
}

TEST_F(LiveView, TheRubberBandFollowsThePointerAndLeavesNothingBehind) {
  trigger("setReferenceAction");
  const QPointF start(100, 300), first(600, 120), second(600, 440);
  press(start);
  move(first);
  EXPECT_EQ(onLine(screen(), start, first, kRed, 0.05, 0.95), 12);
  move(second);
  EXPECT_EQ(onLine(screen(), start, second, kRed, 0.05, 0.95), 12);
  // Where the first band ran, clear of the second, the picture is back.
  for (double t : {0.4, 0.6, 0.8, 0.97}) {
    EXPECT_TRUE(allNear(screen(), start + (first - start) * t, kPlain)) << t;
  }
}

TEST_F(LiveView, ReferenceInRedMeasurementInGreenEvenAfterARepaint) {
  const QPointF r1(100, 150), r2(500, 150), m1(150, 400), m2(650, 250);
  setReference(r1, r2, "50");
  trigger("measureAction");
  measure(m1, m2);
  ASSERT_EQ(session().measurements().size(), 1u);
  move(QPointF(700, 420));

  const auto check = [&](const QImage& shown) {
    EXPECT_EQ(onLine(shown, r1, r2, kRed), 12);
    EXPECT_EQ(onLine(shown, m1, m2, kGreen), 12);
    EXPECT_GT(tinted(shown, labelArea((r1 + r2) / 2), kRed), 3);
    EXPECT_GT(tinted(shown, labelArea((m1 + m2) / 2), kGreen), 3);
    EXPECT_TRUE(allNear(shown, QPointF(300, 400), kPlain, 3));  // untouched picture
  };
  {
    SCOPED_TRACE("after the move");
    check(screen());
  }
  {
    SCOPED_TRACE("repainted");
    window_->view().repaint();
    check(window_->view().grab().toImage());
  }
  {
    SCOPED_TRACE("hidden and shown again");
    window_->hide();
    window_->show();
    check(window_->view().grab().toImage());
  }
}

TEST_F(LiveView, LabelsPastThePictureEdgeDoNotPileUp) {
  setReference(QPointF(100, 150), QPointF(500, 150), "50");
  trigger("measureAction");
  // Endpoint 1 near the bottom edge: the live label at the midpoint runs below the
  // picture, onto the background.
  press(QPointF(100, 462));
  move(QPointF(300, 462));
  const QRect below(kImageRect.left(), kImageRect.bottom() + 1, kImageRect.width(),
                    553 - kImageRect.bottom() - 1);
  ASSERT_GT(tinted(screen(), below, kGreen), 0);

  move(QPointF(600, 200));
  move(QPointF(650, 250));
  int leftOver = 0;
  for (int y = below.top(); y <= below.bottom(); ++y) {
    for (int x = 0; x < 777; ++x) leftOver += screen().pixel(x, y) != background().rgb();
  }
  EXPECT_EQ(leftOver, 0);
}

}  // namespace
}  // namespace vantory::qttest
