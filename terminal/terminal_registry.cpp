#include "terminal/terminal_registry.h"

#include <algorithm>
#include <set>

#include "config/ini.h"
#include "config/ini_text.h"
#include "startup/session_environment.h"
#include "textfmt/text_number.h"

namespace kel {
namespace {

std::string TermKey(int number) { return "Term" + std::to_string(number); }

// Section names compare as the settings files compare them, without letter case and
// surrounding spaces.
std::string SectionIdentity(const std::string& name) {
  std::string identity(ini::TrimSpaces(name));
  for (char& c : identity) c = static_cast<char>(ini::FoldNameChar(static_cast<unsigned char>(c)));
  return identity;
}

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
    const std::string identity = SectionIdentity(name);
    if (identity.empty() || !migrated.insert(identity).second) continue;
    const std::string address = ReadIniKey(legacy, kTerminalsSection, name);
    // Directories are keyed by address, so a PC without adapter finds its own under the empty key.
    const std::string directory = ReadIniKey(legacy, kTerminalsSection, address);
    WriteTerminalEntry(++number, name, address, directory);
  }
}

}  // namespace kel
