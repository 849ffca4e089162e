// Registering a PC that the terminal registry does not know: the full-screen dialog that asks
// the terminal's language, whether the PC replaces a registered computer, and for a new
// terminal whose configuration to copy; then the new terminal's directory and registry entry.
#pragma once

#include <cstdint>
#include <string>

namespace kel {

// What the registration hands back: the terminal directory and, when the PC replaces a
// registered terminal, that terminal's name, number and stored adapter address.
struct RegistrationResult {
  std::string directory;
  std::string replaced_name;     // empty for a new terminal
  int replaced_number = 0;
  std::string replaced_address;
};

// How the dialog ended.
enum class RegistrationOutcome {
  Done,              // result filled in
  Cancelled,         // Esc on the language form or cancel on the first question
  NoDirectory,       // the new terminal's directory could not be made; nothing registered
};

// The form whose end sets the session language: the language choice of the registration.
inline constexpr std::int16_t kLanguageForm = 1;
// The browse list over BrowseList: the terminal chooser of the registration.
inline constexpr std::int16_t kTerminalList = 1;

// Terminals listed in the dialog; a larger registry is still counted for the new number.
inline constexpr int kListedTerminals = 255;

// Runs the dialog for the PC with this computer name and adapter address. A new terminal is
// numbered, given its directory and files and registered under the registry writers' lock,
// so that two PCs registering at once get different numbers. Nothing is written to the
// registry unless the outcome is Done.
RegistrationOutcome RunRegistration(const std::string& computer_name,
                                    const std::string& adapter_address, RegistrationResult& result);

// Registers the PC, asking the user; does not return when the user cancels, when nobody can
// be asked (no terminal) or when the directory cannot be made: the program ends with exit
// code 1.
RegistrationResult RegisterTerminal(const std::string& computer_name,
                                    const std::string& adapter_address);

// The number of registered terminals: "Term1", "Term2" ... up to the first empty one.
int RegisteredCount();

// True when a registered "Path" names a directory inside the installation root: not empty,
// no ".." level, and relative or under RootDir.
bool PathInsideRoot(const std::string& path);

// Forgets the dialog's private working directory (tests).
void ResetRegistration();

}  // namespace kel
