#include "config/ini.h"

#include <array>
#include <string>
#include <string_view>

#include "config/ini_text.h"
#include "platform/codepage.h"

namespace kel::ini {
namespace {

// Besides a-z, the only letters whose case is ignored in section and key names; the two rows
// pair up letter by letter. Every other character, à and À included, must match exactly.
constexpr std::string_view kFoldedSmallLetters = "äöüéñåç";
constexpr std::string_view kFoldedCapitalLetters = "ÄÖÜÉÑÅÇ";

using FoldTable = std::array<unsigned char, 256>;

const FoldTable& NameFolding() {
  static const FoldTable table = [] {
    FoldTable t{};
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = static_cast<unsigned char>(i);
    for (unsigned char c = 'a'; c <= 'z'; ++c) t[c] = static_cast<unsigned char>(c - 'a' + 'A');
    const std::string small = Cp850(kFoldedSmallLetters);
    const std::string capital = Cp850(kFoldedCapitalLetters);
    for (std::size_t i = 0; i < small.size() && i < capital.size(); ++i)
      t[static_cast<unsigned char>(small[i])] = static_cast<unsigned char>(capital[i]);
    return t;
  }();
  return table;
}

}  // namespace

unsigned char FoldNameChar(unsigned char c) { return NameFolding()[c]; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const FoldTable& fold = NameFolding();
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold[static_cast<unsigned char>(a[i])] != fold[static_cast<unsigned char>(b[i])]) return false;
  return true;
}

}  // namespace kel::ini

namespace kel {

std::string IniNameForm(std::string_view name) {
  std::string form(ini::TrimSpaces(name));
  for (char& c : form) c = static_cast<char>(ini::FoldNameChar(static_cast<unsigned char>(c)));
  return form;
}

}  // namespace kel
