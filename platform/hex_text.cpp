#include "platform/hex_text.h"

namespace kel {
namespace {

constexpr char kSmallDigits[] = "0123456789abcdef";
constexpr char kCapitalDigits[] = "0123456789ABCDEF";

}  // namespace

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string HexText(std::uint32_t value) {
  std::string text;
  do {
    text.insert(text.begin(), kSmallDigits[value & 15]);
    value >>= 4;
  } while (value != 0);
  return text;
}

std::string HexBytes(std::string_view bytes) {
  std::string text;
  text.reserve(2 * bytes.size());
  for (unsigned char byte : bytes) {
    text += kCapitalDigits[byte >> 4];
    text += kCapitalDigits[byte & 15];
  }
  return text;
}

}  // namespace kel
