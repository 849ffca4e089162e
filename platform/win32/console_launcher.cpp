#include "platform/win32/console_launcher.h"

#include <cstdio>

#include "platform/win32/win32_text.h"

namespace kel::platform::win32 {
namespace {

// The launcher's command line after its own name, handed on untouched.
wchar_t* ProgramCommandLine() {
  wchar_t* line = ::GetCommandLineW();
  bool quoted = false;
  while (*line != L'\0' && (quoted || (*line != L' ' && *line != L'\t'))) {
    if (*line == L'"') quoted = !quoted;
    ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

HANDLE InheritableStandardHandle(DWORD which) {
  HANDLE handle = ::GetStdHandle(which);
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
    ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  return handle;
}

int Fail(const char* what) {
  std::fprintf(stderr, "console_launcher: %s failed (error %lu)\n", what, ::GetLastError());
  return 127;
}

}  // namespace

int RunInConsoleOfItsOwn() {
  wchar_t* command = ProgramCommandLine();
  if (*command == L'\0') {
    std::fprintf(stderr, "usage: console_launcher PROGRAM [ARGUMENTS...]\n");
    return 2;
  }
  // A crash ends the program with its code instead of opening a debugger.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);

  HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return Fail("CreateJobObject");
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits))
    return Fail("SetInformationJobObject");

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = InheritableStandardHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = InheritableStandardHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = InheritableStandardHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &process))
    return Fail("CreateProcess");
  if (!::AssignProcessToJobObject(job, process.hProcess)) {
    ::TerminateProcess(process.hProcess, 127);
    return Fail("AssignProcessToJobObject");
  }
  ::ResumeThread(process.hThread);
  ::CloseHandle(process.hThread);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 127;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(job);
  return static_cast<int>(code);
}

}  // namespace kel::platform::win32
