// The controlling terminal as a device: raw mode and the alternate screen, put back as the
// program found them on every way out, and the wake-ups that signals send to the input wait.
#pragma once

#include <string_view>

#include "platform/terminal_charset.h"

namespace kel::platform::posix {

// Opens /dev/tty, switches to raw mode and the alternate screen and arranges the restore on
// exit and on signals; false when the process has no terminal.
bool OpenTerminal();
// Puts the terminal back (cooked mode, main screen, mouse and paste reports off; the Linux
// console, which has no alternate screen, cleared) and drops the reports still on their way,
// up to the answer to a cursor position request (waited for a bounded time). Safe inside a
// signal handler; does nothing when the terminal is not in the program's mode.
void RestoreTerminal();
// Goes back to raw mode and the alternate screen after RestoreTerminal; true when it did.
bool ResumeTerminal();
// Whether the terminal is in the program's mode now.
bool TerminalActive();
// Notes that kitty keyboard flags were pushed, so that the restore pops them.
void SetKittyFlagsPushed(bool pushed);
// Notes that cursor shapes were changed, so that the restore gives back the default one.
void SetCursorShapesUsed(bool used);

// The terminal's character set, from the locale (LC_ALL, LC_CTYPE, LANG): its codeset as the
// system knows it, else as the locale's name says.
TerminalCharset LocaleCharset();
// Whether the terminal is the Linux console (by the terminal type in TERM).
bool IsLinuxConsole();

// The terminal's file descriptor, -1 when not open.
int TerminalDescriptor();
// Read end of the pipe that signals write to, so that a wait for input wakes up.
int WakeDescriptor();
// Reasons for waking up since the last call (no system call: the signals set flags).
struct WakeReasons {
  bool resized = false;
  bool resumed = false;  // back from a stop: the screen must be painted again
};
WakeReasons TakeWakeReasons();
// Empties the wake pipe; called only when a poll found it readable.
void DrainWakeDescriptor();

// Writes all bytes to the terminal.
void WriteTerminal(std::string_view bytes);
// The terminal's size in rows and columns; 25 x 80 where it does not say.
void TerminalSize(int& rows, int& columns);

}  // namespace kel::platform::posix
