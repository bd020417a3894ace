// Open: the probe, the fit to the window, centring, and what a failed Open leaves.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "tests/unit/test_support.h"

namespace vantory::unit {
namespace {

struct Fit {
  const char* name;
  float pic_width, pic_height;        // natural size, twips
  float client_width, client_height;  // Form1's client area at the time of the Open
  float view_ratio;
  float width, height, left, top;  // Image1 afterwards
};

class FitTest : public ::testing::TestWithParam<Fit> {};

// Picture2 keeps the 11655 x 8295 it got at start-up, so a changed client area moves the
// fit but not the centre.
TEST_P(FitTest, SizesAndCentresImage1ToTheTwip) {
  const Fit& f = GetParam();
  Session session;
  session.p().form.scale_width = f.client_width;
  session.p().form.scale_height = f.client_height;

  ASSERT_TRUE(session.Open("/pictures/p.jpg", f.pic_width, f.pic_height));

  const fake::FakeImage& image = session.p().Image1;
  EXPECT_EQ(session.state().viewRatio, f.view_ratio);
  EXPECT_EQ(image.width, f.width);
  EXPECT_EQ(image.height, f.height);
  EXPECT_EQ(image.left, f.left);
  EXPECT_EQ(image.top, f.top);
  // Whatever side binds, the picture lies inside the client area.
  EXPECT_LE(image.width, f.client_width);
  EXPECT_LE(image.height, f.client_height);
}

// The window's ratio, 11655 / 8295 as a 32-bit float.
constexpr float kWindowRatio = 1.40506327f;

INSTANTIATE_TEST_SUITE_P(
    Pictures, FitTest,
    ::testing::Values(
        Fit{"WideBoundByWidth", 6000, 3000, 11655, 8295, kWindowRatio, 11415, 5707.5f, 120,
            1293.75f},
        Fit{"TallBoundByHeight", 3000, 6000, 11655, 8295, kWindowRatio, 4027.5f, 8055, 3813.75f,
            120},
        // Pictures between 1 and 1.405 are bound by the height, so none of them reaches
        // past the top or bottom of the window.
        Fit{"SquareBoundByHeight", 4500, 4500, 11655, 8295, kWindowRatio, 8055, 8055, 1800, 120},
        Fit{"FourByThreeBoundByHeight", 4000, 3000, 11655, 8295, kWindowRatio, 10740, 8055, 457.5f,
            120},
        // 11786525 / 8388608 is exactly the float ratio: the tie goes to the width. (The
        // window's exact ratio, 1.40506329..., lies a little higher and would bind the
        // height.) One twip narrower binds the height.
        Fit{"FloatRatioTieGoesToWidth", 11786525, 8388608, 11655, 8295, kWindowRatio, 11415,
            8124.18945f, 120, 85.4052734f},
        Fit{"JustBelowTheRatio", 11786524, 8388608, 11655, 8295, kWindowRatio, 11317.7842f, 8055,
            168.60791f, 120},
        // A client ratio of 2.5 is taken as it is: 2.5 ties to the width, 2.5003 binds the
        // width, 2.4997 and 2 the height.
        Fit{"Client2_5TieGoesToWidth", 7500, 3000, 10000, 4000, 2.5f, 9760, 3904, 947.5f, 2195.5f},
        Fit{"Client2_5JustAbove", 7501, 3000, 10000, 4000, 2.5f, 9760, 3903.47949f, 947.5f,
            2195.76025f},
        Fit{"Client2_5JustBelow", 7499, 3000, 10000, 4000, 2.5f, 9398.74707f, 3760, 1128.12646f,
            2267.5f},
        Fit{"Client2_5Ratio2", 6000, 3000, 10000, 4000, 2.5f, 7520, 3760, 2067.5f, 2267.5f},
        // A client ratio below one half is not 0: a tall picture is bound by the height.
        Fit{"NarrowClient", 1500, 6000, 3000, 8000, 0.375f, 1940, 7760, 4857.5f, 267.5f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Open, ProbesTheNaturalSizeRoundedHalfToEven) {
  Session session;
  ASSERT_TRUE(session.Open("/pictures/odd.gif", 2501.5f, 1250.5f));
  EXPECT_EQ(session.state().picWidth, 2502);
  EXPECT_EQ(session.state().picHeight, 1250);
  // The fit uses the rounded sizes: 11415 x 1250 / 2502.
  EXPECT_EQ(session.p().Image1.height, 5702.9375f);
}

TEST(Open, ShowsThePictureAndEnablesAnnotation) {
  Session session;
  ASSERT_TRUE(session.Open());
  const fake::FakePlatform& p = session.p();

  EXPECT_EQ(session.state().openPath, kWidePath);
  EXPECT_EQ(session.state().picWidth, 6000);
  EXPECT_EQ(session.state().picHeight, 3000);
  EXPECT_EQ(p.CommonDialog1.file_name, "");  // emptied once taken
  ASSERT_EQ(p.CommonDialog1.shown.size(), 1u);
  EXPECT_EQ(p.CommonDialog1.shown[0].first, "open");

  const auto* shown = dynamic_cast<const fake::FakePicture*>(p.Image1.picture.get());
  const auto* probed = dynamic_cast<const fake::FakePicture*>(p.Image2.picture.get());
  ASSERT_NE(shown, nullptr);
  ASSERT_NE(probed, nullptr);
  EXPECT_EQ(shown->path, kWidePath);
  EXPECT_EQ(probed->path, kWidePath);
  EXPECT_EQ(p.runtime.loads, 2);  // read for the probe, then again for the view
  EXPECT_TRUE(p.Image1.stretch);
  EXPECT_FALSE(p.Image2.stretch);
  EXPECT_TRUE(p.biaozhu.enabled);
  EXPECT_FALSE(p.celiang.enabled);
  EXPECT_TRUE(p.Picture1.auto_size);
  EXPECT_TRUE(p.Picture2.calls.empty());  // the view is neither cleared nor redrawn
}

TEST(Open, CancelChangesNothing) {
  Session session;
  const MeasurementState before = session.state();

  ASSERT_TRUE(session.Run([&] { session.form().daoru_Click(); }));  // unscripted: cancel

  const fake::FakePlatform& p = session.p();
  EXPECT_TRUE(SameState(before, session.state()));
  EXPECT_EQ(p.CommonDialog1.shown.size(), 1u);
  EXPECT_EQ(p.runtime.loads, 0);
  EXPECT_FALSE(p.Image1.picture);
  EXPECT_EQ((std::array{p.Image1.left, p.Image1.top, p.Image1.width, p.Image1.height}),
            (std::array{720.0f, 840.0f, 10215.0f, 5655.0f}));
  EXPECT_FALSE(p.Image2.picture);
  EXPECT_FALSE(p.biaozhu.enabled);
  EXPECT_FALSE(p.Picture1.auto_size);
  EXPECT_TRUE(p.runtime.errors.empty());
}

TEST(Open, ASecondPictureKeepsEverythingMeasured) {
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000);
  session.Measure(1000, 2000, 2500, 4000);
  session.Left(3000, 3000);  // a pending endpoint, in measure mode
  MeasurementState expected = session.state();
  ASSERT_EQ(expected.clicks, 5);

  ASSERT_TRUE(session.Open("/pictures/tall.bmp", 3000, 6000));

  expected.openPath = "/pictures/tall.bmp";
  expected.picWidth = 3000;
  expected.picHeight = 6000;
  EXPECT_TRUE(SameState(expected, session.state()));
  EXPECT_TRUE(session.p().biaozhu.enabled);
  EXPECT_TRUE(session.p().celiang.enabled);
  EXPECT_EQ(session.p().Image1.left, 3813.75f);
}

// Everything a failed Open must leave as it found it.
struct Snapshot {
  explicit Snapshot(const fake::FakePlatform& p)
      : image1{p.Image1.left, p.Image1.top, p.Image1.width, p.Image1.height},
        image2{p.Image2.left, p.Image2.top, p.Image2.width, p.Image2.height},
        stretch1(p.Image1.stretch),
        stretch2(p.Image2.stretch),
        picture1(p.Image1.picture),
        picture2(p.Image2.picture),
        annotate(p.biaozhu.enabled),
        measure(p.celiang.enabled),
        auto_size(p.Picture1.auto_size) {}
  bool operator==(const Snapshot&) const = default;
  std::array<float, 4> image1, image2;
  bool stretch1, stretch2;
  PictureRef picture1, picture2;
  bool annotate, measure, auto_size;
};

struct BadOpen {
  const char* name;
  std::function<void(Session&, const std::string& path)> arrange;
  int error;
};

class BadOpenTest : public ::testing::TestWithParam<BadOpen> {};

TEST_P(BadOpenTest, LeavesThePictureGeometryVariablesAndMenusAsTheyWere) {
  const BadOpen& bad = GetParam();
  Session session;
  ASSERT_TRUE(session.Open());
  session.SetReference(1000, 2000, 4000, 6000);
  session.p().CommonDialog1.file_name = "/out/saved.bmp";  // as a Save leaves it
  const MeasurementState before = session.state();
  const Snapshot controls(session.p());

  const std::string path = "/pictures/bad.jpg";
  bad.arrange(session, path);
  session.p().CommonDialog1.answers.push_back(path);
  EXPECT_FALSE(session.Run([&] { session.form().daoru_Click(); }));

  ASSERT_EQ(session.runtime().errors.size(), 1u);
  EXPECT_EQ(session.runtime().errors[0].first, bad.error);
  EXPECT_TRUE(SameState(before, session.state()));
  EXPECT_TRUE(Snapshot(session.p()) == controls);
  // The dialog's file name is the one it had before this Open.
  EXPECT_EQ(session.p().CommonDialog1.file_name, "/out/saved.bmp");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, BadOpenTest,
    ::testing::Values(
        BadOpen{"FileNotFound", [](Session&, const std::string&) {}, kErrFileNotFound},
        BadOpen{"NotAPicture",
                [](Session& s, const std::string& path) {
                  s.runtime().bad_files[path] = kErrInvalidPicture;
                },
                kErrInvalidPicture},
        BadOpen{"ProbeCannotDecode",
                [](Session& s, const std::string& path) {
                  s.runtime().files[path] = {800, 600};
                  s.p().Image2.fail_next_picture = true;
                },
                kErrInvalidPicture},
        // Fails at the last step, after Image1 has been resized and moved (a tall
        // picture: every edge of Image1 moves).
        BadOpen{"ViewCannotDecode",
                [](Session& s, const std::string& path) {
                  s.runtime().files[path] = {600, 800};
                  s.p().Image1.fail_next_picture = true;
                },
                kErrInvalidPicture},
        BadOpen{"ClientNoWiderThanTheMargin",
                [](Session& s, const std::string& path) {
                  s.runtime().files[path] = {6000, 3000};
                  s.p().form.scale_width = 240;
                },
                kErrInvalidProperty},
        BadOpen{"ClientLowerThanTheMargin",
                [](Session& s, const std::string& path) {
                  s.runtime().files[path] = {6000, 3000};
                  s.p().form.scale_height = 200;
                },
                kErrInvalidProperty},
        BadOpen{"ClientHeightZero",
                [](Session& s, const std::string& path) {
                  s.runtime().files[path] = {6000, 3000};
                  s.p().form.scale_height = 0;
                },
                kErrDivisionByZero}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Open, AFailedFirstOpenKeepsTheAnnotateMenuOffAndCanBeRetried) {
  Session session;
  const MeasurementState before = session.state();
  const Snapshot controls(session.p());
  session.p().CommonDialog1.answers.push_back("/pictures/missing.jpg");

  EXPECT_FALSE(session.Run([&] { session.form().daoru_Click(); }));

  EXPECT_TRUE(SameState(before, session.state()));
  EXPECT_TRUE(Snapshot(session.p()) == controls);
  EXPECT_FALSE(session.p().biaozhu.enabled);

  // A good answer then opens normally.
  ASSERT_TRUE(session.Open());
  EXPECT_EQ(session.state().openPath, kWidePath);
  EXPECT_TRUE(session.p().biaozhu.enabled);
}

}  // namespace
}  // namespace vantory::unit
