// The rules every number rests on: checked arithmetic, distance and the scaled length,
// typed numbers and label texts, the fit of a picture to the window, and the format of a
// saved picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "core/errors.h"
#include "core/exact_math.h"
#include "core/length_rule.h"
#include "core/number_text.h"
#include "core/picture_fit.h"
#include "core/saved_format.h"

namespace vantory {
namespace {

// The number of the error `action` ends with (0 for none).
template <typename Action>
int errorOf(Action&& action) {
  try {
    action();
  } catch (const AppError& error) {
    return error.number();
  }
  return 0;
}

// ---------------------------------------------------------------- checked arithmetic

TEST(ExactMath, RoundsHalvesToEvenWithinThe32BitRange) {
  const std::pair<double, std::int32_t> rows[] = {{2.5, 2},
                                                  {3.5, 4},
                                                  {-2.5, -2},
                                                  {-3.5, -4},
                                                  {0.5, 0},
                                                  {1.5, 2},
                                                  {2.4999, 2},
                                                  {2.5001, 3},
                                                  {-0.4, 0},
                                                  {5707.5, 5708},
                                                  {2147483647.0, 2147483647},
                                                  {-2147483648.0, std::numeric_limits<std::int32_t>::min()}};
  for (const auto& [value, expected] : rows) EXPECT_EQ(roundHalfEven(value), expected) << value;
  EXPECT_EQ(errorOf([] { roundHalfEven(2147483648.0); }), 6);
  EXPECT_EQ(errorOf([] { roundHalfEven(-2147483649.0); }), 6);
  EXPECT_EQ(errorOf([] { roundHalfEven(std::nan("")); }), 6);
}

TEST(ExactMath, DivisionByZeroAndOverflow) {
  EXPECT_EQ(checkedDivide(1.0, 4.0), 0.25);
  EXPECT_EQ(errorOf([] { checkedDivide(0.0, 0.0); }), 6);  // the invalid operation
  EXPECT_EQ(errorOf([] { checkedDivide(1.0, 0.0); }), 11);
  EXPECT_EQ(errorOf([] { checkedDivide(-5.0, 0.0); }), 11);
  EXPECT_EQ(errorOf([] { checkedDivide(1e308, 1e-308); }), 6);
  EXPECT_EQ(toSingle(3.4e38), 3.4e38f);
  EXPECT_EQ(errorOf([] { toSingle(3.5e38); }), 6);
}

TEST(Errors, TheReportGivesNumberThenDescription) {
  const AppError standard(ErrorCode::kTypeMismatch);
  EXPECT_EQ(standard.number(), 13);
  EXPECT_EQ(standard.reportText(), "运行时错误 '13':\n\n类型不匹配");
  const AppError detailed = detailedError(ErrorCode::kPathAccess, "只读");
  EXPECT_EQ(detailed.number(), 75);
  EXPECT_EQ(detailed.reportText(), "运行时错误 '75':\n\n路径/文件访问错误：只读");
}

// ---------------------------------------------------------------- lengths

struct Worked {
  TwipPoint referenceEnd;  // the reference runs from (0, 0) to here
  float referenceLength;
  TwipPoint segmentEnd;  // the segment runs from (0, 0) to here
  float distance, length;
};

TEST(Lengths, WorkedValues) {
  const Worked rows[] = {
      {{3000, 4000}, 100, {1500, 2000}, 2500, 50},
      {{3000, 0}, 1, {1000, 0}, 1000, 0.333f},
      {{3000, 0}, -1, {1000, 0}, 1000, -0.334f},  // cut downward, not toward zero
      {{3000, 0}, 0, {1234, 567}, 1358.02979f, 0},
      {{4500, 0}, 100, {1500, 0}, 1500, 33.333f},
      {{3000, 4000}, 100, {0, 0}, 0, 0},  // coincident endpoints
      // Where the order of the steps shows: 1407 x 896 / 350 is 3601.92 exactly, while
      // 1407 / 350 x 896 comes out a hair below and would be cut to 3601.919.
      {{350, 0}, 896, {1407, 0}, 1407, 3601.92f},
      {{435, 0}, 174, {1651.75f, 0}, 1651.75f, 660.7f},
  };
  for (const Worked& w : rows) {
    const float d = distance({0, 0}, w.segmentEnd);
    EXPECT_EQ(d, w.distance);
    EXPECT_EQ(scaledLength(d, w.referenceLength, distance({0, 0}, w.referenceEnd)), w.length);
  }
}

TEST(Lengths, DistanceDoesNotDependOnTheOrderOfThePoints) {
  const Segment segments[] = {{{120, 1293.75f}, {5827.5f, 4147.5f}},
                              {{-300, 17}, {4000.25f, -2.5f}},
                              {{1, 1}, {1, 1}},
                              {{0, 7}, {0, -7}}};
  for (const Segment& s : segments) {
    EXPECT_EQ(distance(s.a, s.b), distance(s.b, s.a));
    EXPECT_EQ(distance(s.a, s.b), distance({s.a.y, s.a.x}, {s.b.y, s.b.x}));
  }
  EXPECT_EQ(distance({-3, 0}, {0, 4}), 5);
}

// A segment equal to the reference comes out as the typed length cut to three decimals,
// and the cut sees the 32-bit value of what was typed: 0.7 is held as 0.69999999.
TEST(Lengths, ASegmentLikeTheReferenceGivesTheTypedLengthCut) {
  const std::pair<const char*, float> rows[] = {{"100", 100},    {"12.3456", 12.345f},  {"0.7", 0.699f},
                                                {"2.3", 2.299f}, {"0.1", 0.1f},         {"0.3", 0.3f},
                                                {"1.7", 1.7f},   {"-12.3456", -12.346f}};
  const float d = distance({120, 1293.75f}, {5827.5f, 4147.5f});
  for (const auto& [typed, expected] : rows)
    EXPECT_EQ(scaledLength(d, parseNumber(typed), d), expected) << typed;
}

TEST(Lengths, AReferenceOfLengthZeroOrAHugeResultIsAnError) {
  EXPECT_EQ(errorOf([] { scaledLength(1000, 100, 0); }), 11);
  EXPECT_EQ(errorOf([] { scaledLength(0, 100, 0); }), 6);  // 0 / 0
  EXPECT_EQ(scaledLength(1000, 3e38f, 1000), 3e38f);
  EXPECT_EQ(errorOf([] { scaledLength(2000, 3e38f, 1000); }), 6);  // 6e38 is no float
}

// ---------------------------------------------------------------- typed numbers and labels

TEST(NumberText, ReadsNumbersAsTyped) {
  const std::pair<const char*, float> rows[] = {
      {"100", 100},
      {"0.7", 0.7f},
      {" 12.5 ", 12.5f},
      {"\t7\t", 7},
      {"+3", 3},
      {"-2.5", -2.5f},
      {".5", 0.5f},
      {"5.", 5},
      {"1.5e2", 150},
      {"1.5E+2", 150},
      {"2e-3", 0.002f},
      {"1D2", 100},
      {"3.4e38", 3.4e38f},
      {"1e-400", 0},
      {"１２．５", 12.5f},     // full-width digits and point, as an input method types them
      {"－１", -1},            // full-width minus
      {"\u3000８\u3000", 8}};  // ideographic spaces around
  for (const auto& [text, expected] : rows) EXPECT_EQ(parseNumber(text), expected) << text;
}

TEST(NumberText, RefusesWhatIsNotANumberQuotingIt) {
  const std::pair<const char*, int> rows[] = {
      {"", 13},       {"  ", 13},  {"abc", 13},  {"12abc", 13}, {"1,5", 13},   {"1 2", 13},
      {".", 13},      {"+", 13},   {"--1", 13},  {"1e", 13},    {"1e5.5", 13}, {"0x10", 13},
      {"１２ｘ", 13}, {"1e39", 6}, {"-1e39", 6}, {"3.5e38", 6}, {"1e400", 6}};
  for (const auto& [text, number] : rows) {
    try {
      parseNumber(text);
      ADD_FAILURE() << "no error for \"" << text << "\"";
    } catch (const AppError& error) {
      EXPECT_EQ(error.number(), number) << text;
      EXPECT_NE(error.description().find(text), std::string::npos) << error.description();
    }
  }
}

TEST(NumberText, LabelsHaveSpacesAndSevenDigitsAtMost) {
  const std::pair<float, const char*> rows[] = {{0.0f, " 0 "},
                                                {-0.0f, " 0 "},
                                                {100.0f, " 100 "},
                                                {12.345f, " 12.345 "},
                                                {0.333f, " 0.333 "},
                                                {-0.334f, "-0.334 "},
                                                {0.699f, " 0.699 "},
                                                {0.5f, " 0.5 "},
                                                {0.0001f, " 0.0001 "},
                                                {0.00001f, " 1E-05 "},
                                                {1234567.0f, " 1234567 "},
                                                {1e7f, " 1E+07 "},
                                                {12345678.0f, " 1.234568E+07 "},
                                                {-12345678.0f, "-1.234568E+07 "}};
  for (const auto& [value, text] : rows) EXPECT_EQ(labelText(value), text);
  EXPECT_EQ(labelText(12.345f, "mm"), " 12.345 mm");  // the unit after the number's space
  EXPECT_EQ(labelText(-0.0f, "厘米"), " 0 厘米");
  EXPECT_EQ(labelText(1e7f, "µm"), " 1E+07 µm");
}

// A length is a number, then after optional blanks a unit of at most 8 letters or Chinese
// characters. Anything else is the type-mismatch error (13), a number beyond the float
// range the overflow error (6).
TEST(NumberText, ReadsALengthWithItsUnit) {
  struct Row {
    const char* text;
    float value;
    const char* unit;
    int error = 0;
  };
  const Row rows[] = {
      {" 100 ", 100, ""},
      {"25.4 mm", 25.4f, "mm"},
      {"25.4mm", 25.4f, "mm"},
      {"10厘米", 10, "厘米"},
      {"3 in", 3, "in"},
      {"2.5µm", 2.5f, "µm"},        // the micro sign
      {"2.5 μm", 2.5f, "μm"},       // the Greek letter
      {"1.5 Å", 1.5f, "Å"},         // a Latin letter with a ring
      {"5\t cm ", 5, "cm"},         // blanks of any kind around the unit
      {"７\u3000毫米", 7, "毫米"},  // a full-width digit and an ideographic space
      {"５ｍｍ", 5, "mm"},          // full-width letters read as ASCII
      {"-3 cm", -3, "cm"},          // a number all the same: the box then asks for more than 0
      {"1.5e2mm", 150, "mm"},       // an exponent with its digits
      {"2e-1 m", 0.2f, "m"},
      {"2em", 2, "em"},               // no digits after the letter: it begins the unit
      {"1 abcdefgh", 1, "abcdefgh"},  // 8 letters
      {"1 微米微米微米微米", 1, "微米微米微米微米"},
      {"1 abcdefghi", 0, "", 13},  // 9 letters
      {"1 微米微米微米微米微", 0, "", 13},
      {"", 0, "", 13},
      {"mm", 0, "", 13},
      {"1 2 mm", 0, "", 13},
      {"1,5 mm", 0, "", 13},
      {"1 m2", 0, "", 13},
      {"1 m/s", 0, "", 13},
      {"1 sq mm", 0, "", 13},
      {"1 °C", 0, "", 13},
      {"1×2", 0, "", 13},
      {"1e5.5", 0, "", 13},
      {"0x10", 0, "", 13},
      {"1 \xff\xfe", 0, "", 13},  // bytes that are not UTF-8
      {"1e39 mm", 0, "", 6},
      {"-1e39mm", 0, "", 6},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    try {
      const TypedLength length = parseLength(row.text);
      EXPECT_EQ(row.error, 0) << "read as " << length.value << " " << length.unit;
      EXPECT_EQ(length, (TypedLength{row.value, row.unit}));
    } catch (const AppError& error) {
      EXPECT_EQ(error.number(), row.error);
    }
  }
}

// ---------------------------------------------------------------- the fit

struct Fit {
  const char* name;
  TwipSize picture, client;
  TwipRect expected;
};

// The window's client area is 11655 x 8295 twips, its ratio the float 1.40506327. The view
// surface keeps that size, so another client area moves the fit but not the centre.
TEST(PictureFit, SizesAndCentresToTheTwip) {
  const TwipSize window{11655, 8295};
  const Fit rows[] = {
      {"wide, bound by the width", {6000, 3000}, window, {120, 1293.75f, 11415, 5707.5f}},
      {"tall, bound by the height", {3000, 6000}, window, {3813.75f, 120, 4027.5f, 8055}},
      // Between 1 and 1.405 the height binds: nothing reaches past the window.
      {"square", {4500, 4500}, window, {1800, 120, 8055, 8055}},
      {"4:3", {4000, 3000}, window, {457.5f, 120, 10740, 8055}},
      // 11786525 / 8388608 is the float ratio itself: a tie goes to the width (the exact
      // ratio 1.40506329... would bind the height); a twip narrower binds the height.
      {"tie", {11786525, 8388608}, window, {120, 85.4052734f, 11415, 8124.18945f}},
      {"just below", {11786524, 8388608}, window, {168.60791f, 120, 11317.7842f, 8055}},
      {"2.5 tie", {7500, 3000}, {10000, 4000}, {947.5f, 2195.5f, 9760, 3904}},
      {"2.5 above", {7501, 3000}, {10000, 4000}, {947.5f, 2195.76025f, 9760, 3903.47949f}},
      {"2.5 below", {7499, 3000}, {10000, 4000}, {1128.12646f, 2267.5f, 9398.74707f, 3760}},
      {"narrow client", {1500, 6000}, {3000, 8000}, {4857.5f, 267.5f, 1940, 7760}},
      // The natural size is rounded to whole twips first, halves to even: 2502 x 1250.
      {"halves", {2501.5f, 1250.5f}, window, {120, 1296.03125f, 11415, 5702.9375f}},
  };
  for (const Fit& f : rows) {
    SCOPED_TRACE(f.name);
    const TwipRect r = fitPicture(f.picture, f.client, window);
    EXPECT_EQ(r, f.expected) << r.left << " " << r.top << " " << r.width << " " << r.height;
    EXPECT_LE(r.width, f.client.width);
    EXPECT_LE(r.height, f.client.height);
  }
}

TEST(PictureFit, AWindowNoLargerThanTheMarginIsRefused) {
  EXPECT_EQ(errorOf([] { fitPicture({6000, 3000}, {240, 8295}, {11655, 8295}); }), 380);
  EXPECT_EQ(errorOf([] { fitPicture({3000, 6000}, {11655, 200}, {11655, 8295}); }), 380);
  EXPECT_EQ(errorOf([] { fitPicture({3000, 6000}, {11655, 0}, {11655, 8295}); }), 11);
}

// ------------------------------------------------------------------ saved format

TEST(SavedFormat, PngForANameEndingInPngInAnyCase) {
  const std::pair<const char*, SavedFormat> rows[] = {
      {"/out/x.png", SavedFormat::kPng},    {"/out/x.PNG", SavedFormat::kPng},
      {"/out/x.Png", SavedFormat::kPng},    {"x.png", SavedFormat::kPng},
      {"/out/x.bmp", SavedFormat::kBitmap}, {"/out/x.jpg", SavedFormat::kBitmap},
      {"/out/x", SavedFormat::kBitmap},     {"/out/x.png.bmp", SavedFormat::kBitmap},
      {"/out/xpng", SavedFormat::kBitmap},  {"/out/x.pngs", SavedFormat::kBitmap},
      {"/out.png/x", SavedFormat::kBitmap}, {"/out/x.png ", SavedFormat::kBitmap},
      {"/out/标注.png", SavedFormat::kPng}, {"", SavedFormat::kBitmap},
  };
  for (const auto& [path, format] : rows) EXPECT_EQ(savedFormatFor(path), format) << path;
}

}  // namespace
}  // namespace vantory
