// The start-up program's command line: up to nine arguments, upper-cased.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kel {

inline constexpr int kMaxArguments = 9;

struct CommandLine {
  std::array<std::string, kMaxArguments> arguments;  // slots 1 to 9 at indexes 0 to 8
  int count = 0;                                     // slots filled
  bool session_end = false;                          // argument 1 is "/OFF"
};

// Splits a command-line tail (the line without the program name) into arguments: separators
// are space, comma, semicolon and tab; double quotes keep separators inside one argument.
CommandLine ParseCommandLine(std::string_view tail);

}  // namespace kel
