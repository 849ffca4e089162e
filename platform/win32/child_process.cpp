// Child processes through CreateProcessW: the command line is built so that the child's
// run-time splits it back into exactly the arguments given.
#include "platform/child_process.h"

#include <string>
#include <vector>

#include "platform/win32/win32_text.h"

namespace kel::platform {
namespace {

// Quotes one argument by the rules of CommandLineToArgvW: backslashes count only before a
// quote, so they are doubled there and before the closing quote.
void AppendArgument(std::wstring& line, const std::wstring& argument) {
  if (!line.empty()) line += L' ';
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') backslashes = backslashes * 2 + 1;
    line.append(backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

}  // namespace

// The child shares this console, as a program started from the command prompt does.
int RunProgramAndWait(std::string_view program, const std::vector<std::string>& arguments) {
  const std::wstring name = win32::ToWide(program);
  if (name.empty()) return -1;
  std::wstring line;
  AppendArgument(line, name);
  for (const std::string& argument : arguments) {
    if (argument.find('\0') != std::string::npos) return -1;
    AppendArgument(line, win32::ToWide(argument));
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  ::CloseHandle(process.hThread);
  DWORD code = 0;
  const bool ended = ::WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                     ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hProcess);
  return ended ? static_cast<int>(code) : -1;
}

}  // namespace kel::platform
