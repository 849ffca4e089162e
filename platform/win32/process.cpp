// The process and its environment through the Win32 calls.
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/state_reset.h"
#include "platform/process.h"
#include "platform/win32/win32_text.h"

namespace kel::platform {
namespace {

struct ProcessExitState {
  std::array<void (*)(), 32> cleanups{};
  std::atomic<int> count{0};
  std::atomic<bool> running{false};
  bool handler_installed = false;
};

ProcessExitState& State() {
  static ProcessExitState state;
  return state;
}

// Runs the clean-ups not yet run, last registered first; each runs at most once, even when
// the console's control handler runs them at the same time on its own thread.
void RunCleanups() {
  ProcessExitState& state = State();
  if (state.running.exchange(true)) return;
  for (;;) {
    const int index = state.count.load() - 1;
    if (index < 0) break;
    state.count = index;
    if (state.cleanups[static_cast<std::size_t>(index)]) state.cleanups[static_cast<std::size_t>(index)]();
  }
  state.running = false;
}

// Ctrl+C, Ctrl+Break, the close button, log-off and shut-down end the process: the console is
// put back first. The system ends the process once the handler returns.
BOOL WINAPI OnConsoleControl(DWORD /*event*/) {
  RunCleanups();
  return FALSE;
}

void InstallHandlers() {
  ProcessExitState& state = State();
  if (state.handler_installed) return;
  state.handler_installed = true;
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  std::atexit(RunCleanups);
}

}  // namespace

std::string EnvironmentValue(std::string_view name) {
  const std::wstring wide = win32::ToWide(name);
  if (wide.empty()) return {};
  std::wstring value(256, L'\0');
  for (;;) {
    ::SetLastError(0);
    const DWORD length = ::GetEnvironmentVariableW(wide.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return {};
    if (length < value.size()) {
      value.resize(length);
      return win32::FromWide(value);
    }
    value.resize(length);
  }
}

// The C run-time keeps its own copy of the environment for getenv; both are set.
void SetEnvironmentValue(std::string_view name, std::string_view value) {
  if (name.empty() || name.find_first_of(std::string_view("=\0", 2)) != std::string_view::npos) return;
  if (value.find('\0') != std::string_view::npos) return;
  const std::wstring wide_name = win32::ToWide(name);
  const std::wstring wide_value = win32::ToWide(value);
  ::SetEnvironmentVariableW(wide_name.c_str(), value.empty() ? nullptr : wide_value.c_str());
  ::_wputenv_s(wide_name.c_str(), wide_value.c_str());
}

std::string CurrentDirectory() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(length);
  }
  // A drive's root keeps its separator ("C:\").
  if (buffer.size() > 3 && (buffer.back() == L'\\' || buffer.back() == L'/')) buffer.pop_back();
  return win32::FromWide(buffer);
}

bool ChangeDirectory(std::string_view path) {
  const std::wstring wide = win32::ToWide(path);
  return !wide.empty() && ::SetCurrentDirectoryW(wide.c_str()) != 0;
}

std::string SystemTempDirectory() {
  std::string directory = EnvironmentValue("TEMP");
  if (directory.empty()) {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    directory = length > 0 && length <= MAX_PATH ? win32::FromWide(std::wstring_view(buffer, length)) : "C:\\";
  }
  if (directory.back() != '\\' && directory.back() != '/') directory += '\\';
  return directory;
}

std::uint64_t FreePhysicalMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  return ::GlobalMemoryStatusEx(&status) ? status.ullAvailPhys : 0;
}

CalendarTime LocalTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return win32::CalendarTimeOf(now);
}

void PauseMilliseconds(int milliseconds) {
  if (milliseconds > 0) ::Sleep(static_cast<DWORD>(milliseconds));
}

int ProcessId() { return static_cast<int>(::GetCurrentProcessId()); }

void EndProcess(int code) {
  RunCleanups();
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  ::ExitProcess(static_cast<UINT>(code));
}

// On the console the message goes out as Unicode; redirected, as the code page 850 bytes it
// is, which is the console's own code page.
void EndProcessWithMessage(std::string_view message, int code) {
  RestoreConsole();
  HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (error != nullptr && error != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    if (::GetConsoleMode(error, &mode)) {
      std::wstring wide;
      for (const char c : message) wide += static_cast<wchar_t>(Cp850ToUnicode(static_cast<unsigned char>(c)));
      ::WriteConsoleW(error, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
      ::WriteFile(error, message.data(), static_cast<DWORD>(message.size()), &written, nullptr);
    }
  }
  EndProcess(code);
}

// Windows has no hang-up signal: the process ends with the code of a console that was closed.
void EndProcessAsHangUp() {
  RunCleanups();
  std::fflush(nullptr);
  ::ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
}

void AtProcessExit(void (*cleanup)()) {
  if (cleanup == nullptr) return;
  InstallHandlers();
  ProcessExitState& state = State();
  const int count = state.count.load();
  if (count >= static_cast<int>(state.cleanups.size())) return;
  state.cleanups[static_cast<std::size_t>(count)] = cleanup;
  state.count = count + 1;
}

void ResetProcessExit() { State().count = 0; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetProcessExit);
}  // namespace

}  // namespace kel::platform
