// Numbers as text: the length a user types, and the label drawn for a length.
#pragma once

#include <string>

namespace vantory {

// The 32-bit float a typed text denotes. Accepts blanks around the number, an optional
// sign, digits with an optional fraction and exponent; full-width digits and signs typed
// through an input method are read like their ASCII twins. A text that is not a number
// is the type-mismatch error, a number beyond the float range the overflow error; one too
// small for a double reads as 0.
float parseNumber(const std::string& text);

// The label of a length: a space (or a minus sign) in the place of the sign, at most 7
// significant digits without trailing zeros, a leading zero before the decimal point,
// and a trailing space: " 12.345 ", " 0.333 ", "-0.334 ", " 0 ". Magnitudes of 1e7 and
// more, or below 1e-4, take the exponent form: " 1E+07 ". An infinite length (one beyond
// the float range) reads " 溢出 ".
std::string labelText(float value);

}  // namespace vantory
