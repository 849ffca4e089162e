// Registering a PC that the terminal registry does not know.
#pragma once

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

// Registers the PC with this computer name and adapter address, asking the user; does not
// return when the user cancels (the program ends with exit code 1).
RegistrationResult RegisterTerminal(const std::string& computer_name,
                                    const std::string& adapter_address);

}  // namespace kel
