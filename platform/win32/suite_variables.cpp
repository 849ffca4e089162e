#include "platform/suite_variables.h"

#include "platform/environment.h"

namespace kel::platform {

// Windows has no terminal type in TERM: the variable is the suite's own.
std::string TerminalDirectoryVariable() { return EnvironmentValue("TERM"); }

}  // namespace kel::platform
