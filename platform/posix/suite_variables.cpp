#include "platform/environment.h"
#include "platform/suite_variables.h"

#include "platform/file_system.h"

namespace kel::platform {

std::string TerminalDirectoryVariable() {
  std::string value = EnvironmentValue("TERM");
  if (value.find_first_of("\\/:") != std::string::npos) return value;
  const std::int64_t attributes = value.empty() ? -1 : EntryAttributes(value);
  return attributes >= 0 && (attributes & kDirectory) ? value : std::string();
}

}  // namespace kel::platform
