#include "terminal/registration.h"

#include "platform/process.h"
#include "platform/codepage.h"
#include "platform/file_system.h"

namespace kel {

RegistrationResult RegisterTerminal(const std::string& computer_name, const std::string&) {
  // Until the registration dialog is in place an unknown PC cannot start a session.
  platform::EndProcessWithMessage(
      Cp850("Aquest ordinador (") + computer_name +
          Cp850(") no és cap terminal registrat i encara no es pot registrar des d'aquí.\n"),
      1);
}

}  // namespace kel
