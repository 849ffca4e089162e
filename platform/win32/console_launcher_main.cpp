// Runs a test program in a console of its own: console_launcher PROGRAM [ARGUMENTS...].
//
// A program that Wine starts without a terminal has no console at all; started with
// CREATE_NO_WINDOW it gets a console without a window, on which the console backend's calls
// work. The program writes its report to the launcher's standard handles, and sits in a job
// that ends it with the launcher, so that a test that is stopped for taking too long leaves
// nothing behind. The launcher ends with the program's exit code.
#include "platform/win32/console_launcher.h"

int main() { return kel::platform::win32::RunInConsoleOfItsOwn(); }
