// The capitals of settings names and listed file names: a-z and the code page 850 letters
// ä ö ü é ñ å ç become their capitals, every other character stays as it is (à included).
#pragma once

#include <string>
#include <string_view>

namespace kel {

// Capital of one code page 850 character by the rule above.
char NameCapital(char c);

// The name with every character replaced by its capital by the rule above.
std::string NameInCapitals(std::string_view name);

}  // namespace kel
