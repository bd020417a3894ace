#include "core/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "core/errors.h"
#include "core/exact_math.h"
#include "core/texts.h"

namespace vantory {
namespace {

// Replaces full-width digits, signs, point and exponent letters (as typed through a
// Chinese input method) and the ideographic space by their ASCII twins; everything
// else is kept as it is, so a stray character still fails the grammar below.
std::string foldFullWidth(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto c0 = static_cast<unsigned char>(text[i]);
    if (c0 == 0xEF && i + 2 < text.size()) {  // U+FF00..U+FFFF: EF BC xx / EF BD xx
      const auto c1 = static_cast<unsigned char>(text[i + 1]);
      const auto c2 = static_cast<unsigned char>(text[i + 2]);
      const unsigned code = 0xF000u | ((c1 & 0x3Fu) << 6) | (c2 & 0x3Fu);
      if (code >= 0xFF01 && code <= 0xFF5E) {  // full-width ASCII block
        out.push_back(static_cast<char>(code - 0xFF01 + 0x21));
        i += 3;
        continue;
      }
    }
    if (c0 == 0xE3 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
        static_cast<unsigned char>(text[i + 2]) == 0x80) {  // U+3000 ideographic space
      out.push_back(' ');
      i += 3;
      continue;
    }
    out.push_back(text[i]);
    ++i;
  }
  return out;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Checks the grammar [sign] digits [. digits] [exponent] (or a leading point) and
// returns the number in the form from_chars reads: no '+', 'e' for the exponent.
bool normalise(const std::string& s, std::string& out) {
  std::size_t i = 0;
  out.clear();
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') out.push_back('-');
    ++i;
  }
  std::size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) out.push_back(s[i++]), ++digits;
  if (i < s.size() && s[i] == '.') {
    out.push_back(s[i++]);
    while (i < s.size() && isDigit(s[i])) out.push_back(s[i++]), ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    out.push_back('e');
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) out.push_back(s[i++]);
    std::size_t exponentDigits = 0;
    while (i < s.size() && isDigit(s[i])) out.push_back(s[i++]), ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  return i == s.size();
}

}  // namespace

float parseNumber(const std::string& text) {
  const std::string folded = foldFullWidth(text);
  std::size_t begin = 0;
  std::size_t end = folded.size();
  while (begin < end && isBlank(folded[begin])) ++begin;
  while (end > begin && isBlank(folded[end - 1])) --end;
  std::string number;
  if (!normalise(folded.substr(begin, end - begin), number)) {
    throw AppError(ErrorCode::kTypeMismatch, "类型不匹配：“" + text + "”不是一个数");
  }
  double value = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Too small for a double reads as zero; too large is the overflow error.
    const bool tiny = number.find("e-") != std::string::npos;
    if (!tiny) throw AppError(ErrorCode::kOverflow, "溢出：“" + text + "”超出了允许的数值范围");
    value = 0.0;
  } else if (result.ec != std::errc() || result.ptr != number.data() + number.size()) {
    throw AppError(ErrorCode::kTypeMismatch, "类型不匹配：“" + text + "”不是一个数");
  }
  try {
    return toSingle(value);
  } catch (const AppError&) {
    throw AppError(ErrorCode::kOverflow, "溢出：“" + text + "”超出了允许的数值范围");
  }
}

std::string labelText(float value) {
  if (value == 0.0f) return " 0 ";  // also -0, which prints without a sign
  if (std::isinf(value)) return std::string(" ") + texts::kOverflowLabel + " ";
  char digits[32];
  // %G with 7 significant digits: no trailing zeros, the exponent form from 1e7 on and
  // below 1e-4, exactly the runtime's form for a 32-bit float (with a leading zero).
  std::snprintf(digits, sizeof digits, "%.7G", static_cast<double>(value));
  std::string text = digits;
  if (text[0] != '-') text.insert(text.begin(), ' ');
  text.push_back(' ');
  return text;
}

}  // namespace vantory
