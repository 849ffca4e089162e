// Key names and key lists.
#include <cstdint>
#include <string>
#include <vector>

#include "console/keys.h"
#include "platform/hex_text.h"

namespace kel {

std::string KeyName(KeyCode key) { return HexText(static_cast<std::uint16_t>(key)); }

KeyCode KeyCodeOfName(std::string_view name) {
  while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  if (name.empty() || name.size() > 4) return kKeyNone;
  unsigned value = 0;
  for (char c : name) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return kKeyNone;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return MakeKeyCode(value);
}

KeyCode KeyCodeOfText(std::string_view key_text) {
  unsigned low = key_text.size() > 0 ? static_cast<unsigned char>(key_text[0]) : 0;
  unsigned high = key_text.size() > 1 ? static_cast<unsigned char>(key_text[1]) : 0;
  return MakeKeyCode(low + 256 * high);
}

std::vector<KeyCode> ParseKeyList(std::string_view list) {
  std::vector<KeyCode> keys;
  while (!list.empty()) {
    std::size_t comma = list.find(',');
    std::string_view name = list.substr(0, comma);
    bool blank = name.find_first_not_of(' ') == std::string_view::npos;
    if (!blank) keys.push_back(KeyCodeOfName(name));
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return keys;
}

std::string KeyListText(const std::vector<KeyCode>& keys) {
  std::string text;
  for (KeyCode key : keys) {
    if (!text.empty()) text += ',';
    text += KeyName(key);
  }
  return text;
}

bool KeyInList(KeyCode key, std::string_view list) {
  for (KeyCode listed : ParseKeyList(list)) {
    if (listed == key) return true;
  }
  return false;
}

}  // namespace kel
