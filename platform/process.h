// The process: its identity, pauses, the machine's memory and clock reading, and the end
// of the process with its registered clean-ups.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/file_system.h"

namespace kel::platform {

// Available physical memory in bytes.
std::uint64_t FreePhysicalMemory();
// Local time of the machine's clock.
CalendarTime LocalTime();
// Suspends the process for a number of milliseconds.
void PauseMilliseconds(int milliseconds);
// Identifier of this process.
int ProcessId();

// Runs registered clean-ups (the console's restore first) and ends the process.
[[noreturn]] void EndProcess(int code);
// For the few fatal conditions: gives the console back to the shell (its own screen, cursor
// and modes), writes the message (program text) there in the console's encoding, so that it
// stays readable after the program has gone, and ends the process with EndProcess.
[[noreturn]] void EndProcessWithMessage(std::string_view message, int code);
// Runs registered clean-ups and ends the process as a hang-up of its terminal does, also
// when hang-ups are ignored (the terminal is gone for good).
[[noreturn]] void EndProcessAsHangUp();
// Registers a clean-up that EndProcess and fatal signals run, last registered first.
void AtProcessExit(void (*cleanup)());
// Forgets the registered clean-ups (tests).
void ResetProcessExit();

}  // namespace kel::platform
