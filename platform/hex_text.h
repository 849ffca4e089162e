// Hexadecimal digits as key names, key lists and adapter addresses hold them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kel {

// Value 0 to 15 of a hexadecimal digit (0-9, a-f, A-F); -1 for any other character.
int HexDigitValue(char c);

// A value in small hexadecimal digits without leading zeros ("0" for 0), as key names are.
std::string HexText(std::uint32_t value);

// Two capital hexadecimal digits for every byte, as adapter addresses are written.
std::string HexBytes(std::string_view bytes);

}  // namespace kel
