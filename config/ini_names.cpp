#include "config/ini.h"

#include <string>
#include <string_view>

#include "config/ini_text.h"
#include "platform/name_case.h"

namespace kel::ini {

// Besides a-z, only ä ö ü é ñ å ç differ from their capitals in names; every other character,
// à and À included, must match exactly.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (NameCapital(a[i]) != NameCapital(b[i])) return false;
  return true;
}

}  // namespace kel::ini

namespace kel {

std::string IniNameForm(std::string_view name) { return NameInCapitals(ini::TrimSpaces(name)); }

}  // namespace kel
