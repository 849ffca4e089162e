#include "platform/name_case.h"

#include <array>

#include "platform/codepage.h"

namespace kel {
namespace {

// Besides a-z, the only letters that have a capital in names; the two rows pair up letter by
// letter.
constexpr std::string_view kSmallLetters = "äöüéñåç";
constexpr std::string_view kCapitalLetters = "ÄÖÜÉÑÅÇ";

using CapitalTable = std::array<char, 256>;

const CapitalTable& Capitals() {
  static const CapitalTable table = [] {
    CapitalTable t{};
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = static_cast<char>(i);
    for (unsigned char c = 'a'; c <= 'z'; ++c) t[c] = static_cast<char>(c - 'a' + 'A');
    const std::string lower = Cp850(kSmallLetters);
    const std::string capital = Cp850(kCapitalLetters);
    for (std::size_t i = 0; i < lower.size() && i < capital.size(); ++i)
      t[static_cast<unsigned char>(lower[i])] = capital[i];
    return t;
  }();
  return table;
}

}  // namespace

char NameCapital(char c) { return Capitals()[static_cast<unsigned char>(c)]; }

std::string NameInCapitals(std::string_view name) {
  const CapitalTable& capitals = Capitals();
  std::string text(name);
  for (char& c : text) c = capitals[static_cast<unsigned char>(c)];
  return text;
}

}  // namespace kel
