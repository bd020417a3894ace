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

// Reads a number at the start of `s`, [sign] digits [. digits] [exponent] (or a leading
// point), into the form from_chars reads: no '+', 'e' for the exponent. An exponent letter
// counts only when digits follow it (after an optional sign); otherwise it is left for a
// unit. Returns where the number ends, or 0 when `s` does not start with one.
std::size_t readNumber(const std::string& s, std::string& out) {
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
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    std::size_t j = i + 1;
    const bool sign = j < s.size() && (s[j] == '+' || s[j] == '-');
    if (sign) ++j;
    if (j < s.size() && isDigit(s[j])) {
      out.push_back('e');
      if (sign) out.push_back(s[j - 1]);
      for (i = j; i < s.size() && isDigit(s[i]); ++i) out.push_back(s[i]);
    }
  }
  return i;
}

// The character of UTF-8 text `s` at `i`, moving `i` past it; -1 for bytes that are not
// UTF-8.
long nextCharacter(const std::string& s, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(s[i++]);
  if (lead < 0x80) return lead;
  const int more = lead >= 0xF8 ? -1 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
  if (more < 0) return -1;
  long code = lead & (0x3F >> more);
  for (int k = 0; k < more; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return -1;
    code = (code << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  return code;
}

// The letters a unit is written with: Latin ones (accented too, such as Å), Greek ones (μ),
// the micro and angstrom signs, and Chinese characters.
bool isUnitCharacter(long c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  if (c == 0xB5 || c == 0x212B) return true;                            // µ, Å
  if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;           // not × and ÷
  if (c >= 0x391 && c <= 0x3C9) return c != 0x3A2;                      // Greek
  return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF);  // CJK ideographs
}

// Whether `s` is a unit: one to kMaxUnitLength unit characters.
bool isUnit(const std::string& s) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); ++count) {
    if (count == kMaxUnitLength || !isUnitCharacter(nextCharacter(s, i))) return false;
  }
  return count > 0;
}

AppError notANumber(const std::string& text) {
  return AppError(ErrorCode::kTypeMismatch, "类型不匹配：“" + text + "”不是一个数");
}

AppError outOfRange(const std::string& text) {
  return AppError(ErrorCode::kOverflow, "溢出：“" + text + "”超出了允许的数值范围");
}

// The 32-bit float of a number as readNumber gives it; `text` is what the user typed.
float valueOf(const std::string& number, const std::string& text) {
  double value = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Too small for a double reads as zero; too large is the overflow error.
    const bool tiny = number.find("e-") != std::string::npos;
    if (!tiny) throw outOfRange(text);
    value = 0.0;
  } else if (result.ec != std::errc() || result.ptr != number.data() + number.size()) {
    throw notANumber(text);
  }
  try {
    return toSingle(value);
  } catch (const AppError&) {
    throw outOfRange(text);
  }
}

// `text` with full-width characters folded and without the blanks around it.
std::string foldedAndTrimmed(const std::string& text) {
  const std::string folded = foldFullWidth(text);
  std::size_t begin = 0;
  std::size_t end = folded.size();
  while (begin < end && isBlank(folded[begin])) ++begin;
  while (end > begin && isBlank(folded[end - 1])) --end;
  return folded.substr(begin, end - begin);
}

}  // namespace

float parseNumber(const std::string& text) {
  const std::string trimmed = foldedAndTrimmed(text);
  std::string number;
  const std::size_t end = readNumber(trimmed, number);
  if (end == 0 || end != trimmed.size()) throw notANumber(text);
  return valueOf(number, text);
}

TypedLength parseLength(const std::string& text) {
  const std::string trimmed = foldedAndTrimmed(text);
  std::string number;
  std::size_t end = readNumber(trimmed, number);
  if (end == 0) throw notANumber(text);
  while (end < trimmed.size() && isBlank(trimmed[end])) ++end;
  std::string unit = trimmed.substr(end);
  if (!unit.empty() && !isUnit(unit)) throw notANumber(text);
  return {valueOf(number, text), std::move(unit)};
}

std::string labelText(float value, std::string_view unit) {
  if (value == 0.0f) return std::string(" 0 ").append(unit);  // also -0, printed without a sign
  if (std::isinf(value)) return std::string(" ") + texts::kOverflowLabel + " ";
  char digits[32];
  // %G with 7 significant digits: no trailing zeros, the exponent form from 1e7 on and
  // below 1e-4, exactly the runtime's form for a 32-bit float (with a leading zero).
  std::snprintf(digits, sizeof digits, "%.7G", static_cast<double>(value));
  std::string text = digits;
  if (text[0] != '-') text.insert(text.begin(), ' ');
  text.push_back(' ');
  text.append(unit);
  return text;
}

}  // namespace vantory
