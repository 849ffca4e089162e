// The session record: where the installation, the executables and the session's files are,
// which terminal this PC is, the session's menu and operator, its colours, working date,
// language and the kind of system. Filled once at start, read by every screen and path.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "textfmt/language.h"

namespace kel {

// Foreground (index 0) and background (index 1) console colour of each colour role 0 to 4.
using RoleColours = std::array<std::array<int, 2>, 5>;

// The colours of a settings file's colour text when it has none.
inline constexpr const char* kDefaultColours = "15000700000700070007";

struct SessionEnvironment {
  std::string RootDir;       // installation root, from KELROOT
  std::string ExeDir;        // executables, from KELEXE
  std::string TempDir;       // session's temporary files, from KELTMP, else TerminalDir
  std::string TerminalDir;   // this terminal's directory ("TERM\n\")
  std::string MenuTitle;
  std::string MenuName;
  std::string Menu;
  std::string ChnMenu;
  std::string Operator;
  std::int16_t OperatorType = 0;
  RoleColours ColourTable{};  // the session's colour roles
  std::string WorkDate;      // packed date (4 bytes), empty when unknown
  std::string OutputDevice;
  std::string LanguageCode = "   ";  // "SPA", "GLG", "OCI"; anything else is Catalan
  std::string SystemKind = "DOS";    // "CGI", "WIN" or "DOS"
};

// The session record of this process, as every screen and path reads it.
const SessionEnvironment& Session();

// The session record to change: only for the few places that fill it (the start, the terminal
// identification's TerminalDir, the registration dialog's LanguageCode) and for tests.
SessionEnvironment& SessionToFill();

// The language of the session's LanguageCode, read at the call.
Language SessionLanguage();

// Fills the session record from the environment and the session's settings files.
void InitSessionEnvironment();

// Colour table of a 20-digit colour text; missing or non-numeric pairs give 0.
RoleColours ParseColourTable(const std::string& text);

// Empties the session record (tests).
void ResetSessionEnvironment();

}  // namespace kel
