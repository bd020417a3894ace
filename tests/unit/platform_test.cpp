// Checked arithmetic, text <-> number, the palette and the runtime error.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/checked.h"
#include "platform/controls.h"
#include "platform/number_text.h"
#include "platform/runtime_error.h"

namespace vantory {
namespace {

// Runs `action` and returns the number of the runtime error it raised (0 for none).
template <typename Action>
int ErrorOf(Action&& action) {
  try {
    action();
  } catch (const RuntimeError& error) {
    return error.Number();
  }
  return 0;
}

struct Rounding {
  double value;
  std::int32_t expected;
};

class RoundHalfEvenTest : public ::testing::TestWithParam<Rounding> {};

TEST_P(RoundHalfEvenTest, RoundsToNearestWithHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(GetParam().value), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundHalfEvenTest,
    ::testing::Values(Rounding{2.5, 2}, Rounding{3.5, 4}, Rounding{-2.5, -2}, Rounding{-3.5, -4},
                      Rounding{0.5, 0}, Rounding{1.5, 2}, Rounding{2.4999, 2},
                      Rounding{2.5001, 3}, Rounding{-0.4, 0}, Rounding{1.405, 1},
                      Rounding{5707.5, 5708}, Rounding{2147483647.0, 2147483647},
                      Rounding{-2147483648.0, std::numeric_limits<std::int32_t>::min()}));

TEST(RoundHalfEven, OutsideThe32BitRangeOrNaNIsAnOverflow) {
  EXPECT_EQ(ErrorOf([] { RoundHalfEven(2147483648.0); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { RoundHalfEven(-2147483649.0); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { RoundHalfEven(std::nan("")); }), kErrOverflow);
}

TEST(AddInt16, RaisesOverflowInsteadOfWrapping) {
  EXPECT_EQ(AddInt16(32766, 1), 32767);
  EXPECT_EQ(AddInt16(2001, -1), 2000);
  EXPECT_EQ(ErrorOf([] { AddInt16(32767, 1); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { AddInt16(32766, 2); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { AddInt16(-32768, -1); }), kErrOverflow);
}

TEST(CheckIndex, AcceptsZeroTo2000Only) {
  EXPECT_EQ(CheckIndex(0), 0);
  EXPECT_EQ(CheckIndex(2000), 2000);
  EXPECT_EQ(ErrorOf([] { CheckIndex(-1); }), kErrSubscript);
  EXPECT_EQ(ErrorOf([] { CheckIndex(2001); }), kErrSubscript);
}

TEST(CheckedDivide, ZeroDivisorsAndOverflow) {
  EXPECT_EQ(CheckedDivide(1.0, 4.0), 0.25);
  EXPECT_EQ(ErrorOf([] { CheckedDivide(0.0, 0.0); }), kErrOverflow);  // the invalid operation
  EXPECT_EQ(ErrorOf([] { CheckedDivide(1.0, 0.0); }), kErrDivisionByZero);
  EXPECT_EQ(ErrorOf([] { CheckedDivide(-5.0, 0.0); }), kErrDivisionByZero);
  EXPECT_EQ(ErrorOf([] { CheckedDivide(1e308, 1e-308); }), kErrOverflow);
}

struct Conversion {
  const char* text;
  float expected;
};

class TextToSingleTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(TextToSingleTest, ReadsTheNumber) {
  EXPECT_EQ(TextToSingle(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, TextToSingleTest,
    ::testing::Values(
        Conversion{"100", 100.0f}, Conversion{"0.7", 0.7f}, Conversion{" 12.5 ", 12.5f},
        Conversion{"\t7\t", 7.0f}, Conversion{"+3", 3.0f}, Conversion{"-2.5", -2.5f},
        Conversion{".5", 0.5f}, Conversion{"5.", 5.0f}, Conversion{"1.5e2", 150.0f},
        Conversion{"1.5E+2", 150.0f}, Conversion{"2e-3", 0.002f}, Conversion{"1D2", 100.0f},
        Conversion{"3.4e38", 3.4e38f}, Conversion{"1e-400", 0.0f},
        Conversion{"１２．５", 12.5f},            // full-width digits and point
        Conversion{"－１", -1.0f},                // full-width minus
        Conversion{"\u3000８\u3000", 8.0f}));   // ideographic spaces around

class TextToSingleRejectTest : public ::testing::TestWithParam<std::pair<const char*, int>> {};

TEST_P(TextToSingleRejectTest, RaisesTheRuntimeError) {
  const auto& [text, number] = GetParam();
  try {
    TextToSingle(text);
    FAIL() << "no error for \"" << text << "\"";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.Number(), number) << text;
    // The report quotes what was typed, so the user sees what went wrong.
    EXPECT_NE(error.Description().find(text), std::string::npos) << error.Description();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rejected, TextToSingleRejectTest,
    ::testing::Values(std::pair{"", kErrTypeMismatch}, std::pair{"  ", kErrTypeMismatch},
                      std::pair{"abc", kErrTypeMismatch}, std::pair{"12abc", kErrTypeMismatch},
                      std::pair{"1,5", kErrTypeMismatch}, std::pair{"1 2", kErrTypeMismatch},
                      std::pair{".", kErrTypeMismatch}, std::pair{"+", kErrTypeMismatch},
                      std::pair{"--1", kErrTypeMismatch}, std::pair{"1e", kErrTypeMismatch},
                      std::pair{"1e5.5", kErrTypeMismatch}, std::pair{"0x10", kErrTypeMismatch},
                      std::pair{"１２ｘ", kErrTypeMismatch}, std::pair{"1e39", kErrOverflow},
                      std::pair{"-1e39", kErrOverflow}, std::pair{"3.5e38", kErrOverflow},
                      std::pair{"1e400", kErrOverflow}));

struct Label {
  float value;
  const char* text;
};

class LabelTextTest : public ::testing::TestWithParam<Label> {};

TEST_P(LabelTextTest, PrintsTheRuntimeForm) {
  EXPECT_EQ(LabelText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, LabelTextTest,
    ::testing::Values(Label{0.0f, " 0 "}, Label{-0.0f, " 0 "}, Label{100.0f, " 100 "},
                      Label{12.345f, " 12.345 "}, Label{0.333f, " 0.333 "},
                      Label{-0.334f, "-0.334 "}, Label{0.699f, " 0.699 "}, Label{0.5f, " 0.5 "},
                      Label{0.0001f, " 0.0001 "}, Label{0.00001f, " 1E-05 "},
                      Label{1234567.0f, " 1234567 "}, Label{1e7f, " 1E+07 "},
                      Label{12345678.0f, " 1.234568E+07 "},
                      Label{-12345678.0f, "-1.234568E+07 "}));

TEST(QBColor, RedAndGreenOfTheLabels) {
  EXPECT_EQ(QBColor(12), 255);
  EXPECT_EQ(QBColor(10), 65280);
  EXPECT_EQ(QBColor(9), 0xFF0000);  // bright blue: packed blue-green-red
}

TEST(RuntimeError, ReportGivesNumberThenDescription) {
  const RuntimeError standard(kErrTypeMismatch);
  EXPECT_EQ(standard.Number(), 13);
  EXPECT_EQ(standard.Description(), "类型不匹配");
  EXPECT_EQ(standard.ReportText(), "运行时错误 '13':\n\n类型不匹配");

  const RuntimeError detailed(kErrPathAccess, "路径/文件访问错误：只读");
  EXPECT_EQ(detailed.Number(), 75);
  EXPECT_EQ(detailed.ReportText(), "运行时错误 '75':\n\n路径/文件访问错误：只读");
  EXPECT_EQ(StandardDescription(12345), "");
}

}  // namespace
}  // namespace vantory
