// The process's command line as the system passed it.
#pragma once

#include <string>

namespace kel::platform {

// Keeps the arguments of main (POSIX; Windows reads its own command line).
void SetProcessArguments(int argc, const char* const* argv);

// The command line without the program name, as program text in the boundary code page. On
// POSIX it is rebuilt from the arguments, quoting back those that hold a separator.
std::string CommandLineTail();

}  // namespace kel::platform
