#include "platform/terminal_sequences.h"

namespace kel::platform::terminal_sequences {

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned value = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[value >> 18 & 63];
    out += kDigits[value >> 12 & 63];
    out += kDigits[value >> 6 & 63];
    out += kDigits[value & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kDigits[value >> 18 & 63];
    out += kDigits[value >> 12 & 63];
    out += rest == 2 ? kDigits[value >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

std::string SetClipboard(std::string_view utf8) {
  return "\x1b]52;c;" + Base64(utf8) + "\a";
}

}  // namespace kel::platform::terminal_sequences
