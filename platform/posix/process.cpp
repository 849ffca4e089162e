#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "platform/environment.h"
#include "platform/process.h"
#include "platform/posix/terminal_tty.h"
#include "platform/terminal_charset.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/posix/posix_names.h"
#include "platform/state_reset.h"

namespace kel::platform {
namespace {

// Clean-ups live in a fixed table so that a signal handler can walk it without allocating.
struct ProcessExitState {
  std::array<void (*)(), 32> cleanups{};
  volatile sig_atomic_t count = 0;
  volatile sig_atomic_t running = 0;
  bool handlers_installed = false;
};

ProcessExitState& State() {
  static ProcessExitState state;
  return state;
}

// Runs the clean-ups not yet run, last registered first; each runs at most once, even when
// a signal arrives while they run.
void RunCleanups() {
  ProcessExitState& state = State();
  if (state.running) return;
  state.running = 1;
  while (state.count > 0) {
    const int index = state.count - 1;
    state.count = index;
    if (state.cleanups[static_cast<std::size_t>(index)]) state.cleanups[static_cast<std::size_t>(index)]();
  }
  state.running = 0;
}

// Signals that end the process: asked for (the first four) and faults (the rest).
constexpr std::array<int, 9> kFatalSignals = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGSEGV,
                                              SIGBUS, SIGFPE, SIGILL,  SIGABRT};
constexpr std::size_t kFirstFault = 4;

void OnFatalSignal(int signal_number) {
  RunCleanups();
  // The handler was reset on entry, so the signal now ends the process the usual way.
  ::raise(signal_number);
}

void InstallHandlers() {
  ProcessExitState& state = State();
  if (state.handlers_installed) return;
  state.handlers_installed = true;
  for (std::size_t i = 0; i < kFatalSignals.size(); ++i) {
    struct sigaction previous{};
    if (::sigaction(kFatalSignals[i], nullptr, &previous) != 0) continue;
    // A signal the parent told us to ignore stays ignored; a request to end that someone
    // handles in their own way is left to them, while a fault always ends the process.
    if (previous.sa_handler == SIG_IGN) continue;
    if (i < kFirstFault && previous.sa_handler != SIG_DFL) continue;
    struct sigaction action{};
    action.sa_handler = OnFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    ::sigaction(kFatalSignals[i], &action, nullptr);
  }
  std::atexit(RunCleanups);
}

}  // namespace

std::string EnvironmentValue(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return "";
  const char* value = std::getenv(ToSystemText(name).c_str());
  return value ? FromSystemText(value) : std::string();
}

void SetEnvironmentValue(std::string_view name, std::string_view value) {
  if (name.empty() || name.find_first_of(std::string_view("=\0", 2)) != std::string_view::npos) return;
  const std::string native_name = ToSystemText(name);
  if (value.empty() || value.find('\0') != std::string_view::npos) {
    if (value.empty()) ::unsetenv(native_name.c_str());
    return;
  }
  ::setenv(native_name.c_str(), ToSystemText(value).c_str(), 1);
}

std::string CurrentDirectory() {
  std::string buffer(4096, '\0');
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return "";
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  while (buffer.size() > 1 && buffer.back() == '/') buffer.pop_back();
  return FromSystemText(buffer);
}

bool ChangeDirectory(std::string_view path) {
  const std::string native = NativePath(path);
  return !native.empty() && ::chdir(native.c_str()) == 0;
}

std::string SystemTempDirectory() {
  std::string directory = EnvironmentValue("TEMP");
  if (directory.empty()) directory = EnvironmentValue("TMPDIR");
  if (directory.empty()) directory = "/tmp";
  return WithTrailingSeparator(directory);
}

// What the kernel reckons can be had without swapping; the free pages alone where it does
// not say.
std::uint64_t FreePhysicalMemory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::uint64_t kilobytes = 0;
  std::string unit;
  while (meminfo >> key >> kilobytes >> unit) {
    if (key == "MemAvailable:") return kilobytes * 1024;
  }
  const long pages = ::sysconf(_SC_AVPHYS_PAGES);
  const long page_size = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return 0;
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
}

CalendarTime LocalTime() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return posix::LocalCalendarTime(now.tv_sec, now.tv_nsec);
}

void PauseMilliseconds(int milliseconds) {
  if (milliseconds <= 0) return;
  timespec left{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1'000'000};
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

int ProcessId() { return static_cast<int>(::getpid()); }

void EndProcess(int code) {
  RunCleanups();
  std::fflush(nullptr);
  std::exit(code);
}

void EndProcessWithMessage(std::string_view message, int code) {
  RestoreConsole();
  // In the terminal's own character set, whatever the boundary code page of file names is.
  const TerminalCharset charset = posix::LocaleCharset();
  std::string text;
  for (const char c : message) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) {
      text += c;  // line ends stay line ends
    } else {
      AppendTerminalGlyph(text, byte, charset);
    }
  }
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    done += static_cast<std::size_t>(written);
  }
  EndProcess(code);
}

void EndProcessAsHangUp() {
  RunCleanups();
  std::fflush(nullptr);
  // Ended by the signal itself, so that the parent sees a hang-up.
  ::signal(SIGHUP, SIG_DFL);
  sigset_t hang_up;
  sigemptyset(&hang_up);
  sigaddset(&hang_up, SIGHUP);
  ::sigprocmask(SIG_UNBLOCK, &hang_up, nullptr);
  ::raise(SIGHUP);
  ::_exit(128 + SIGHUP);
}

void AtProcessExit(void (*cleanup)()) {
  if (cleanup == nullptr) return;
  InstallHandlers();
  ProcessExitState& state = State();
  if (state.count >= static_cast<int>(state.cleanups.size())) return;
  state.cleanups[static_cast<std::size_t>(state.count)] = cleanup;
  state.count = state.count + 1;
}

void ResetProcessExit() { State().count = 0; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetProcessExit);
}  // namespace


}  // namespace kel::platform
