// Starting a test program in a console of its own (the launcher of the tests under Wine).
#pragma once

namespace kel::platform::win32 {

// Runs the program named by the rest of this process's command line with CREATE_NO_WINDOW,
// inside a job object that ends it with this process, and gives its exit code (127 when it
// could not be started, 2 when no program was named).
int RunInConsoleOfItsOwn();

}  // namespace kel::platform::win32
