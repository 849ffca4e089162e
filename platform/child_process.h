// Running another program and waiting for it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kel::platform {

// Runs a program (program text, a path or a name found on the search path) with its
// arguments, each handed over as exactly one argument with nothing interpreted by a shell, in
// a normal window, and waits until it ends. Its exit code, or -1 when it could not be run.
int RunProgramAndWait(std::string_view program, const std::vector<std::string>& arguments);

}  // namespace kel::platform
