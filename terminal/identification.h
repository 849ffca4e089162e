// Which terminal this PC is: found in the terminal registry by its computer name or its
// adapter address, kept current when either changed, recorded in the session file, its
// settings completed, and its working settings file carried into and out of the session.
#pragma once

#include <string>

namespace kel {

// Session start (session_end false): migrates the old terminal list when the registry is
// empty, identifies and registers the PC, completes its settings and copies its settings file
// into the temporary directory. Session end: copies the working settings file back, nothing
// else. Sets TerminalDir of the session record.
void IdentifyTerminal(bool session_end);

// The PC's computer name, at most 16 characters; empty when it cannot be had.
std::string ComputerName();

// The hardware address of the PC's first network adapter that has one, two upper-case
// hexadecimal digits per byte; empty when the PC has no adapter.
std::string AdapterAddress();

}  // namespace kel
