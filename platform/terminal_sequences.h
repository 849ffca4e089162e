// The control sequences the terminal backend sends, in one place.
#pragma once

#include <string>
#include <string_view>

namespace kel::platform::terminal_sequences {

// Alternate screen (saving the cursor), SGR mouse format, bracketed paste, Alt as an ESC
// prefix (its old setting saved), and the kitty keyboard flags and device attributes asked
// for: the answers tell whether the kitty protocol is there.
inline constexpr std::string_view kEnter =
    "\x1b[?1049h\x1b[?1006h\x1b[?2004h\x1b[?1036s\x1b[?1036h\x1b[?u\x1b[c";
// Switches off the reports that kEnter and the program switched on (mouse, paste): the
// first step of leaving, so that the drain after it catches every report still on its way.
inline constexpr std::string_view kReportsOff = "\x1b[?1000l\x1b[?1006l\x1b[?2004l";
// Asks for the cursor position: the answer comes after everything the terminal sent before.
inline constexpr std::string_view kCursorPositionRequest = "\x1b[6n";
// Undoes the rest of kEnter and whatever the program switched on, and leaves the alternate
// screen.
inline constexpr std::string_view kLeave = "\x1b[?1036r\x1b[0m\x1b[?25h\x1b[?1049l";
// The Linux console has no alternate screen: leaving clears the screen instead and puts the
// cursor at the top, so that the program's last frame does not stay behind.
inline constexpr std::string_view kLeaveWithoutAlternateScreen = "\x1b[H\x1b[2J";
// Pops the kitty keyboard flags pushed by kKittyPush.
inline constexpr std::string_view kKittyPop = "\x1b[<u";
// Disambiguated keys, press and release reports, all keys as codes, with their text.
inline constexpr std::string_view kKittyPush = "\x1b[>27u";
// Back to the terminal's own cursor shape.
inline constexpr std::string_view kCursorShapeDefault = "\x1b[0 q";
inline constexpr std::string_view kMouseOn = "\x1b[?1000h";
inline constexpr std::string_view kMouseOff = "\x1b[?1000l";
inline constexpr std::string_view kCursorShow = "\x1b[?25h";
inline constexpr std::string_view kCursorHide = "\x1b[?25l";
inline constexpr std::string_view kBell = "\a";

// OSC 52: puts UTF-8 text on the system clipboard through the terminal.
std::string SetClipboard(std::string_view utf8);
// Standard base64 of bytes.
std::string Base64(std::string_view bytes);

}  // namespace kel::platform::terminal_sequences
