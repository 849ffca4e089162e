#include <array>
#include <string_view>

#include "platform/codepage.h"
#include "platform/file_system.h"

namespace kel::platform {
namespace {

// Capital of every code page 850 byte as the file system compares names: a-z and the small
// letters whose capital the code page holds.
const std::array<unsigned char, 256>& NameCapitals() {
  static const std::array<unsigned char, 256> table = [] {
    std::array<unsigned char, 256> capitals{};
    for (int byte = 0; byte < 256; ++byte) {
      capitals[byte] = static_cast<unsigned char>(byte);
      if (byte >= 'a' && byte <= 'z') capitals[byte] = static_cast<unsigned char>(byte - 0x20);
      if (byte < 0x80) continue;
      const char32_t lower = Cp850ToUnicode(static_cast<unsigned char>(byte));
      if (lower >= 0xE0 && lower <= 0xFE && lower != 0xF7) {
        const int capital = UnicodeToCp850(lower - 0x20);
        if (capital >= 0) capitals[byte] = static_cast<unsigned char>(capital);
      }
    }
    return capitals;
  }();
  return table;
}

bool SameLetter(char a, char b) {
  const auto& capitals = NameCapitals();
  return capitals[static_cast<unsigned char>(a)] == capitals[static_cast<unsigned char>(b)];
}

// "*" any run, "?" exactly one character; iterative so long names cannot blow up.
bool GlobMatch(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && SameLetter(pattern[p], name[n])))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  if (GlobMatch(pattern, name)) return true;
  // A name without a dot matches as if it ended in one: "*.*" and "SCRN.*" take "SCRN",
  // and "*." takes exactly the names without an extension.
  if (name.find('.') == std::string_view::npos) {
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*")
      return GlobMatch(pattern.substr(0, pattern.size() - 2), name);
    if (!pattern.empty() && pattern.back() == '.') return GlobMatch(pattern.substr(0, pattern.size() - 1), name);
  }
  return false;
}

}  // namespace kel::platform
