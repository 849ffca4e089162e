// Environment variables whose names the suite shares with the operating system.
#pragma once

#include <string>

namespace kel::platform {

// The suite's "TERM" variable: a terminal directory. Unix terminals use the same name for the
// terminal type ("xterm-256color"), so there a value counts only when it reads as a
// directory: it holds a separator or a drive colon, or names an existing directory. Empty
// otherwise.
std::string TerminalDirectoryVariable();

}  // namespace kel::platform
