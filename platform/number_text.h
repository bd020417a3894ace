// Text <-> number as the runtime does it: the conversion of a typed length to a 32-bit
// float, and the text that Print writes for one 32-bit float (the labels).
#pragma once

#include <string>

namespace vantory {

// Converts text to a 32-bit float. Accepts blanks around the number, an optional sign,
// digits with an optional fraction and exponent; full-width digits and signs typed
// through an input method are read like their ASCII twins. Raises the type-mismatch
// error for a text that is not a number and the overflow error beyond the float range.
float TextToSingle(const std::string& text);

// The label text of one 32-bit float: a space (or a minus sign) in the place of the
// sign, at most 7 significant digits without trailing zeros, a leading zero before the
// decimal point, and a trailing space: " 12.345 ", " 0.333 ", "-0.334 ", " 0 ".
// Magnitudes of 1e7 and more, or below 1e-4, use the exponent form " 1E+07 ".
std::string LabelText(float value);

}  // namespace vantory
