// Numbers as display text through edit masks.
//
// Mask characters: "9" a digit ("0" where the number has none), "Z"/"z" a digit or a blank
// (trailing zero decimals blank too), "*" a digit or "*", "." the decimal separator, "," the
// thousands separator, "-" a sign shown only when negative, "+" a sign always shown; any other
// character is copied.
#pragma once

#include <string>
#include <string_view>

namespace kel {

// The value through the mask, always exactly as long as the mask. A number too large for the
// mask comes back right-aligned without the mask's decoration, decimals cut, or as "!" in
// every position when even its integer digits do not fit; NaN and infinities give all "!".
std::string FormatNumber(std::string_view mask, double value);

// Decimal separator shown for "." ("DecCaracter", "'" by default).
char DecimalSeparator();

// Thousands separator shown for "," ("MilCaracter", "." by default).
char ThousandsSeparator();

// Forgets the loaded separators so that the next call reads them again (tests).
void ResetNumberFormatSettings();

}  // namespace kel
