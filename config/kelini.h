// kelini, the administration tool that reads and writes the suite's settings files from
// scripts: "kelini FILE SECTION KEY" prints a value, "kelini FILE SECTION KEY VALUE" stores
// it, an empty VALUE deletes the key, an empty KEY and VALUE delete the section.
#pragma once

#include <string>
#include <vector>

namespace kel {

// Exit codes of kelini.
inline constexpr int kKeliniDone = 0;
inline constexpr int kKeliniNotWritten = 1;  // the file could not be rewritten
inline constexpr int kKeliniUsage = 2;       // wrong arguments

// Runs kelini on its arguments (program name left out) as the user typed them, in UTF-8;
// what it prints for the user goes to out and err, in UTF-8. Returns the exit code.
int RunKelini(const std::vector<std::string>& arguments, std::string& out, std::string& err);

}  // namespace kel
