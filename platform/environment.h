// The process's environment: variables, the current directory, the temporary directory.
#pragma once

#include <string>
#include <string_view>

namespace kel::platform {

// Value of an environment variable, empty when unset.
std::string EnvironmentValue(std::string_view name);
// Sets (or, with an empty value, removes) an environment variable of this process.
void SetEnvironmentValue(std::string_view name, std::string_view value);
// Current directory in the system's form, ending without a separator.
std::string CurrentDirectory();
// Makes a directory current; false on failure.
bool ChangeDirectory(std::string_view path);
// The directory for the system's temporary files ("TEMP", else the platform's own), in the
// system's form ending in "\".
std::string SystemTempDirectory();

}  // namespace kel::platform
