// Windows hands every program its command line as one text; the tail is what follows the
// program's name.
#include "platform/process_arguments.h"

#include <string>

#include "platform/win32/win32_text.h"

namespace kel::platform {

void SetProcessArguments(int /*argc*/, const char* const* /*argv*/) {}

// The program name ends at the first blank outside quotes, as the run-time reads it.
std::string CommandLineTail() {
  const wchar_t* line = ::GetCommandLineW();
  if (line == nullptr) return {};
  bool quoted = false;
  while (*line != L'\0' && (quoted || (*line != L' ' && *line != L'\t'))) {
    if (*line == L'"') quoted = !quoted;
    ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return win32::FromWide(line);
}

}  // namespace kel::platform
