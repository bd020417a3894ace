// Numbers as text: the length a user types, and the label drawn for a length.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantory {

// The 32-bit float a typed text denotes. Accepts blanks around the number, an optional
// sign, digits with an optional fraction and exponent; full-width digits and signs typed
// through an input method are read like their ASCII twins. A text that is not a number
// is the type-mismatch error, a number beyond the float range the overflow error; one too
// small for a double reads as 0.
float parseNumber(const std::string& text);

// A length as typed: its number, and the unit written after it ("" when none).
struct TypedLength {
  float value = 0;
  std::string unit;
  bool operator==(const TypedLength&) const = default;
};

// The most characters a unit may have.
inline constexpr std::size_t kMaxUnitLength = 8;

// A length as the user types it: a number as parseNumber reads it, then, after optional
// blanks, an optional unit of at most kMaxUnitLength letters (Latin or Greek, µ included)
// or Chinese characters: "25.4 mm", "10厘米", "3 in", "2.5µm". An exponent is read only
// with its digits: "2e3" is 2000, "2em" is 2 em. Full-width letters are read like their
// ASCII twins ("ｍｍ" is "mm"). Throws as parseNumber does: a text that is not such a
// length is the type-mismatch error.
TypedLength parseLength(const std::string& text);

// The label of a length: a space (or a minus sign) in the place of the sign, at most 7
// significant digits without trailing zeros, a leading zero before the decimal point,
// and a trailing space: " 12.345 ", " 0.333 ", "-0.334 ", " 0 ". Magnitudes of 1e7 and
// more, or below 1e-4, take the exponent form: " 1E+07 ". A unit follows the number's
// text, after its space: " 12.345 mm". An infinite length (one beyond the float range)
// reads " 溢出 ", without the unit.
std::string labelText(float value, std::string_view unit = {});

}  // namespace vantory
