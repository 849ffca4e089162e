#include "startup/session_environment.h"

#include "config/ini.h"
#include "platform/environment.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/suite_variables.h"
#include "textfmt/calendar.h"
#include "textfmt/text_number.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

SessionEnvironment& State() {
  static SessionEnvironment session;
  return session;
}

std::string FirstThree(const std::string& value) {
  std::string code = value.substr(0, 3);
  code.resize(3, ' ');
  return code;
}

bool IsBlank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

const SessionEnvironment& Session() { return State(); }

SessionEnvironment& SessionToFill() { return State(); }

Language SessionLanguage() { return LanguageOfCode(State().LanguageCode); }

void ResetSessionEnvironment() { State() = SessionEnvironment{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetSessionEnvironment);
}  // namespace


RoleColours ParseColourTable(const std::string& text) {
  RoleColours table{};
  for (int role = 0; role < 5; ++role) {
    for (int k = 0; k < 2; ++k) {
      std::size_t start = static_cast<std::size_t>(4 * role + 2 * k);
      table[role][k] = start < text.size() ? static_cast<int>(TextNumber(text.substr(start, 2))) : 0;
    }
  }
  return table;
}

void InitSessionEnvironment() {
  // From here on the program's text meets the system as code page 850.
  SetBoundaryCodePage(BoundaryCodePage::Oem);
  SessionEnvironment& s = State();
  s = SessionEnvironment{};

  s.RootDir = platform::EnvironmentValue("KELROOT");
  s.ExeDir = platform::EnvironmentValue("KELEXE");
  s.TempDir = WithTrailingSeparator(platform::EnvironmentValue("KELTMP"));

  std::string session_file = s.TempDir + "Sessio.ini";
  std::string title = ReadIniKey(session_file, "Menu", "Titol");
  s.MenuTitle = " " + title + " ";
  s.MenuName = ReadIniKey(session_file, "Menu", "NomMenu");
  s.Menu = ReadIniKey(session_file, "Menu", "Menu");
  s.ChnMenu = ReadIniKey(session_file, "Menu", "ChnMenu");
  s.Operator = ReadIniKey(session_file, "Menu", "Operador");
  s.OperatorType = static_cast<std::int16_t>(TextNumber(ReadIniKey(session_file, "Menu", "KelTipOper")));

  s.TerminalDir = ReadIniKey(session_file, "Terminal", "Dir");
  if (s.TerminalDir.empty()) s.TerminalDir = platform::TerminalDirectoryVariable();
  s.TerminalDir = WithTrailingSeparator(s.TerminalDir);

  if (s.TempDir.empty()) s.TempDir = s.TerminalDir;

  std::string terminal_settings = s.TempDir + "NuroTerm.ini";
  long selection = TextNumber(ReadIniKey(terminal_settings, "Pantalla", "Seleccio"));
  std::string colours = ReadIniKey(terminal_settings, "Pantalla", "Col" + std::to_string(selection));
  s.ColourTable = ParseColourTable(colours.empty() ? std::string(kDefaultColours) : colours);

  std::string date = ReadIniKey(terminal_settings, "Sistema", "Data");
  s.WorkDate = date.empty() ? std::string() : PackDigits(date);
  s.OutputDevice = ReadIniKey(terminal_settings, "Sistema", "Sortida");
  s.LanguageCode = FirstThree(ReadIniKey(terminal_settings, "Sistema", "Idioma"));
  if (IsBlank(s.LanguageCode))
    s.LanguageCode = FirstThree(ReadIniKey(s.RootDir + "Nuro.ini", "Usuari", "Idioma"));

  const auto set = [](const char* name) { return !platform::EnvironmentValue(name).empty(); };
  if (set("HTTP_USER_AGENT") || set("HTTP_ACCEPT"))
    s.SystemKind = "CGI";
  else if (set("WINDIR") || set("SYSTEMROOT"))
    s.SystemKind = "WIN";
  else
    s.SystemKind = "DOS";
}

}  // namespace kel
