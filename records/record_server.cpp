#include "records/record_server.h"

#include "config/ini.h"
#include "platform/environment.h"
#include "startup/session_environment.h"

namespace kel {

bool IsServerFile(std::string_view path, std::string& name) {
  if (path.size() <= kServerFilePrefix.size()) return false;
  for (std::size_t i = 0; i < kServerFilePrefix.size(); ++i) {
    const char c = path[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) != kServerFilePrefix[i]) return false;
  }
  name.assign(path.substr(kServerFilePrefix.size()));
  return true;
}

std::string RecordServerConnection() {
  std::string connection = platform::EnvironmentValue(kServerVariable);
  if (connection.empty()) connection = ReadIniKey(Session().RootDir + "Nuro.ini", "Registres", "Servidor");
  return connection;
}

}  // namespace kel
