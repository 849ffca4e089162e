// The user's display settings: section "Usuari" of "Nuro.ini" in the installation root.
#pragma once

#include <string>
#include <string_view>

namespace kel {

// Value of a key of the user's display settings; empty when the file, section or key is
// missing. Read from the installation root of the session record at the call.
std::string ReadDisplaySetting(std::string_view key);

// First character of a setting, or the fallback when the value is empty or begins with a blank.
char FirstCharacterSetting(std::string_view key, char fallback);

}  // namespace kel
