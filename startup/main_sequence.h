// The start-up program's run: session, installation root, screens, command line, terminal
// identification, end.
#pragma once

#include "startup/command_line.h"

namespace kel {

// Runs a session start, or a session end when the first argument is "/OFF"; returns the
// process's exit code.
int RunMainSequence();

// The command line of the current run.
const CommandLine& CurrentCommandLine();

// Forgets the current run's command line (tests).
void ResetMainSequence();

}  // namespace kel
