// The numeric value of a text as settings and definition lists hold numbers.
#pragma once

#include <string_view>

namespace kel {

// Leading blanks, an optional sign and decimal digits; the first other character ends the
// number, and a text without digits is 0.
long TextNumber(std::string_view text);

}  // namespace kel
