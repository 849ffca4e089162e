// The platform's own console, behind Console() when no other console is installed.
#pragma once

#include <memory>

#include "platform/console.h"

namespace kel::platform {

// Opens the platform's console (the controlling terminal under POSIX); empty when there is
// none, as under a test runner without a terminal.
std::unique_ptr<ConsoleDevice> OpenSystemConsole();
// Puts the platform's console back as the program found it, if it was opened.
void RestoreSystemConsole();

}  // namespace kel::platform
