#include "terminal/identification.h"

#include <string>
#include <vector>

#include "config/ini.h"
#include "files/file_utils.h"
#include "platform/file_system.h"
#include "platform/hex_text.h"
#include "platform/path_text.h"
#include "platform/suite_variables.h"
#include "platform/system_info.h"
#include "startup/session_environment.h"
#include "terminal/clock_sync.h"
#include "terminal/registration.h"
#include "terminal/terminal_registry.h"
#include "terminal/terminal_settings.h"

namespace kel {
namespace {

// A session directory that outlives the session already holds the keys of the last start on
// this PC, and only the keys that changed are written. A write forces the file to disk, which
// costs more than the rest of the start, so the changed keys go in one rewrite.
void WriteSessionKeys(const std::string& session_file, const std::vector<IniSetting>& keys) {
  std::vector<IniSetting> changed;
  for (const IniSetting& key : keys) {
    if (ReadIniKey(session_file, key.section, key.key) != key.value) changed.push_back(key);
  }
  if (!changed.empty()) WriteIniKeys(session_file, changed);
}

// The registered terminal whose adapter address is this one, the last in the list winning.
struct AddressMatch {
  bool found = false;
  std::string name;
  int number = 0;
  std::string directory;
};

AddressMatch FindByAddress(const std::string& address) {
  const std::string registry = RegistryFile();
  AddressMatch match;
  for (int number = 1;; ++number) {
    const std::string name = RegisteredName(number);
    if (name.empty()) break;
    if (ReadIniKey(registry, name, kMacKey) != address) continue;
    match = {true, name, number, ReadIniKey(registry, name, kPathKey)};
  }
  return match;
}

void IdentifyAndRegister() {
  SyncClockWithServer();
  const std::string registry = RegistryFile();
  const std::string name = ComputerName();
  const std::string address = AdapterAddress();

  // A PC without a name has no section of its own and cannot be given one.
  std::string directory = name.empty() ? std::string() : ReadIniKey(registry, name, kPathKey);
  std::string replaced_name;
  int replaced_number = 0;
  if (directory.empty()) {
    const AddressMatch match = FindByAddress(address);
    if (match.found) {
      directory = match.directory;
      replaced_name = match.name;
      replaced_number = match.number;
    } else {
      directory = WithTrailingSeparator(platform::TerminalDirectoryVariable());
    }
  }

  const std::string stored_address = name.empty() ? std::string() : ReadIniKey(registry, name, kMacKey);
  const bool address_changed = !stored_address.empty() && stored_address != address;

  if (directory.empty()) {
    const RegistrationResult registered = RegisterTerminal(name, address);
    directory = registered.directory;
    if (!registered.replaced_name.empty()) {
      replaced_name = registered.replaced_name;
      replaced_number = registered.replaced_number;
    }
  }
  directory = WithTrailingSeparator(directory);

  // The entry moves to the new name, keeping its number and directory. Without a name there is
  // nothing to move it to, and an empty "Term" value would cut the list short.
  if (!replaced_name.empty() && !name.empty()) {
    MoveTerminalEntry(replaced_name, replaced_number, name, address, directory);
  }
  // A PC that lost its adapter keeps the address it was known by, so that it can still be
  // recognised by it once renamed.
  if (address_changed && !address.empty()) WriteIniKey(registry, name, kMacKey, address);

  SessionEnvironment& session = SessionToFill();
  const std::string session_file = session.TempDir + "Sessio.ini";
  WriteSessionKeys(session_file, {{"Terminal", "Nom", name}, {"Terminal", "Mac", address},
                                  {"Terminal", "Dir", directory}});
  session.TerminalDir = directory;

  CompleteTerminalSettings();
}

}  // namespace

std::string ComputerName() { return platform::ComputerName(); }

std::string AdapterAddress() {
  for (const std::string& bytes : platform::AdapterAddresses())
    if (!bytes.empty()) return HexBytes(bytes);
  return {};
}

void IdentifyTerminal(bool session_end) {
  const SessionEnvironment& session = Session();
  if (session_end) {
    CopyFiles(session.TempDir + "nuroterm.ini", session.TerminalDir);
    return;
  }
  if (RegisteredName(1).empty()) MigrateLegacyTerminals();
  IdentifyAndRegister();
  // The session works on this copy; the session-end run copies it back.
  CopyFiles(session.TerminalDir + "nuroterm.ini", session.TempDir);
}

}  // namespace kel
