// The terminal registry KelTerm.ini in the installation root: the numbered list of computer
// names in section "Terminals" ("Term1", "Term2" ... without gaps; a scan stops at the first
// empty number) and, in a section named after each computer, its adapter address and
// terminal directory.
#pragma once

#include <string>

namespace kel {

inline constexpr const char* kTerminalsSection = "Terminals";
inline constexpr const char* kMacKey = "Mac";
inline constexpr const char* kPathKey = "Path";

// The registry's path: RootDir + "KelTerm.ini".
std::string RegistryFile();

// The computer name registered under a number; empty past the end of the list.
std::string RegisteredName(int number);

// Registers a computer under a number with its adapter address and directory.
void WriteTerminalEntry(int number, const std::string& name, const std::string& address,
                        const std::string& directory);

// Moves the registered terminal old_name (number) to new_name: its section goes, and the
// number now names new_name with this address and directory.
void MoveTerminalEntry(const std::string& old_name, int number, const std::string& new_name,
                       const std::string& address, const std::string& directory);

// Copies the old terminal list of Nuro.ini [Terminals] ("MaxTerm", "Term" + i, then a key per
// name holding its address and a key per address holding its directory) into the registry,
// numbering the names from 1. Names met twice, and empty names, are left out.
void MigrateLegacyTerminals();

// Counts read from settings files are 16-bit numbers; a larger one is taken as this.
inline constexpr long kLargestSettingsCount = 32767;

}  // namespace kel
