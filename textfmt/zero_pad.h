// A number as fixed-width zero-padded digits, as the window stack file, colour texts and file
// time stamps hold numbers.
#pragma once

#include <string>

namespace kel {

// The number's digits without sign, zero-padded and cut to the last width characters.
std::string ZeroPad(double value, int width);

}  // namespace kel
