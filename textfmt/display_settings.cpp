#include "textfmt/display_settings.h"

#include "config/ini.h"
#include "startup/session_environment.h"

namespace kel {

std::string ReadDisplaySetting(std::string_view key) {
  return ReadIniKey(Session().RootDir + "Nuro.ini", "Usuari", key);
}

char FirstCharacterSetting(std::string_view key, char fallback) {
  const std::string value = ReadDisplaySetting(key);
  return value.empty() || value.front() == ' ' ? fallback : value.front();
}

}  // namespace kel
