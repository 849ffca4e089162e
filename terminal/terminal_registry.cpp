#include "terminal/terminal_registry.h"

#include <algorithm>
#include <set>

#include "config/ini.h"
#include "startup/session_environment.h"
#include "textfmt/text_number.h"

namespace kel {
namespace {

std::string TermKey(int number) { return "Term" + std::to_string(number); }

}  // namespace

std::string RegistryFile() { return Session().RootDir + "KelTerm.ini"; }

std::string RegisteredName(int number) {
  return ReadIniKey(RegistryFile(), kTerminalsSection, TermKey(number));
}

void WriteTerminalEntry(int number, const std::string& name, const std::string& address,
                        const std::string& directory) {
  const std::string registry = RegistryFile();
  WriteIniKey(registry, kTerminalsSection, TermKey(number), name);
  WriteIniKey(registry, name, kMacKey, address);
  WriteIniKey(registry, name, kPathKey, directory);
}

void MoveTerminalEntry(const std::string& old_name, int number, const std::string& new_name,
                       const std::string& address, const std::string& directory) {
  WriteIniKey(RegistryFile(), old_name, "", "");
  WriteTerminalEntry(number, new_name, address, directory);
}

void MigrateLegacyTerminals() {
  const std::string legacy = Session().RootDir + "Nuro.ini";
  const long count =
      std::min(TextNumber(ReadIniKey(legacy, kTerminalsSection, "MaxTerm")), kLargestSettingsCount);
  std::set<std::string> migrated;
  int number = 0;
  for (long i = 1; i <= count; ++i) {
    const std::string name = ReadIniKey(legacy, kTerminalsSection, "Term" + std::to_string(i));
    // A count larger than the list leaves empty names, which must not become sections.
    const std::string identity = IniNameForm(name);
    if (identity.empty() || !migrated.insert(identity).second) continue;
    const std::string address = ReadIniKey(legacy, kTerminalsSection, name);
    // Directories are keyed by address, so a PC without adapter finds its own under the empty key.
    const std::string directory = ReadIniKey(legacy, kTerminalsSection, address);
    WriteTerminalEntry(++number, name, address, directory);
  }
}

}  // namespace kel
