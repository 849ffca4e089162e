#include "platform/process.h"
#include "platform/posix/terminal_tty.h"

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/file_system.h"
#include "platform/terminal_sequences.h"

namespace kel::platform::posix {
namespace {

namespace seq = terminal_sequences;

// Everything a signal handler touches is here, in plain fields.
struct TerminalState {
  int descriptor = -1;
  termios original{};
  termios raw{};
  int wake[2] = {-1, -1};
  volatile sig_atomic_t active = 0;
  volatile sig_atomic_t kitty_pushed = 0;
  volatile sig_atomic_t shapes_used = 0;
  volatile sig_atomic_t resized = 0;
  volatile sig_atomic_t resumed = 0;
  bool no_alternate_screen = false;  // the Linux console
};

TerminalState& State() {
  static TerminalState state;
  return state;
}

// Longest wait for the terminal's answer to the cursor position request that ends the drain
// of input at exit (a slow link; a terminal that does not answer).
constexpr int kDrainLimitMs = 1000;

std::int64_t MonotonicMs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

// Reads and drops input until the answer to a cursor position request (ESC [ row ; column R)
// has come, or the time is up, or the terminal is gone. Safe inside a signal handler.
void DrainUntilCursorReport(int descriptor) {
  const std::int64_t deadline = MonotonicMs() + kDrainLimitMs;
  int stage = 0;  // 0 before ESC, 1 after ESC, 2 inside the parameters
  char buffer[256];
  while (true) {
    const std::int64_t left = deadline - MonotonicMs();
    if (left <= 0) return;
    pollfd in{descriptor, POLLIN, 0};
    const int ready = ::poll(&in, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || !(in.revents & POLLIN)) return;
    const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
    if (got <= 0) return;
    for (ssize_t i = 0; i < got; ++i) {
      const char byte = buffer[i];
      if (byte == '\x1b') {
        stage = 1;
      } else if (stage == 1) {
        stage = byte == '[' ? 2 : 0;
      } else if (stage == 2) {
        if (byte == 'R') return;  // what came after the answer is the user's
        if (!((byte >= '0' && byte <= '9') || byte == ';')) stage = 0;
      }
    }
  }
}

void WriteRaw(int descriptor, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(descriptor, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        pollfd out{descriptor, POLLOUT, 0};
        ::poll(&out, 1, 100);
        continue;
      }
      return;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
}

void WriteRaw(int descriptor, std::string_view bytes) { WriteRaw(descriptor, bytes.data(), bytes.size()); }

void Wake() {
  const int saved_errno = errno;
  const char byte = 'w';
  if (State().wake[1] >= 0) {
    const ssize_t ignored = ::write(State().wake[1], &byte, 1);
    static_cast<void>(ignored);
  }
  errno = saved_errno;
}

void EnterProgramMode() {
  TerminalState& state = State();
  ::tcsetattr(state.descriptor, TCSAFLUSH, &state.raw);
  WriteRaw(state.descriptor, seq::kEnter);
  state.active = 1;
}

void OnResize(int) {
  State().resized = 1;
  Wake();
}

void OnStop(int) {
  const int saved_errno = errno;
  const bool was_active = State().active != 0;
  RestoreTerminal();
  // Stop for real, with the default action, and come back here when continued.
  ::signal(SIGTSTP, SIG_DFL);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  ::sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  ::raise(SIGTSTP);
  struct sigaction again{};
  again.sa_handler = OnStop;
  sigemptyset(&again.sa_mask);
  ::sigaction(SIGTSTP, &again, nullptr);
  if (was_active) {
    EnterProgramMode();
    State().resumed = 1;
    Wake();
  }
  errno = saved_errno;
}

void InstallSignals() {
  TerminalState& state = State();
  if (::pipe(state.wake) == 0) {
    for (int end : state.wake) {
      ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
      ::fcntl(end, F_SETFD, FD_CLOEXEC);
    }
  }
  struct sigaction action{};
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  action.sa_handler = OnResize;
  ::sigaction(SIGWINCH, &action, nullptr);
  struct sigaction current{};
  if (::sigaction(SIGTSTP, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
    action.sa_handler = OnStop;
    ::sigaction(SIGTSTP, &action, nullptr);
  }
  // Ends of the process (exit, EndProcess, SIGINT, SIGTERM, SIGHUP, fatal signals) run
  // the registered clean-ups.
  AtProcessExit(RestoreTerminal);
}

}  // namespace

bool OpenTerminal() {
  TerminalState& state = State();
  if (state.descriptor >= 0) return true;
  const int descriptor = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) return false;
  termios original{};
  if (!::isatty(descriptor) || ::tcgetattr(descriptor, &original) != 0) {
    ::close(descriptor);
    return false;
  }
  state.descriptor = descriptor;
  state.original = original;
  state.no_alternate_screen = IsLinuxConsole();
  termios raw = original;
  raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                        ICRNL | IXON | IXOFF);
  raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
  raw.c_cflag |= CS8;
  // Reads return at once with what is there; the wait for input is poll's.
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  state.raw = raw;
  InstallSignals();
  // Raw mode and the alternate screen wait for the first output or input, so a program that
  // ends without drawing (a registered PC's session start) leaves the shell's screen alone.
  return true;
}

void RestoreTerminal() {
  TerminalState& state = State();
  if (!state.active || state.descriptor < 0) return;
  state.active = 0;
  WriteRaw(state.descriptor, seq::kReportsOff);
  if (state.kitty_pushed) WriteRaw(state.descriptor, seq::kKittyPop);
  if (state.shapes_used) WriteRaw(state.descriptor, seq::kCursorShapeDefault);
  state.kitty_pushed = 0;
  // Reports sent before the terminal saw the switch-off are dropped here, not in the shell:
  // the terminal answers the request after them, however slow the link.
  WriteRaw(state.descriptor, seq::kCursorPositionRequest);
  DrainUntilCursorReport(state.descriptor);
  WriteRaw(state.descriptor, seq::kLeave);
  if (state.no_alternate_screen) WriteRaw(state.descriptor, seq::kLeaveWithoutAlternateScreen);
  ::tcsetattr(state.descriptor, TCSAFLUSH, &state.original);
}

bool ResumeTerminal() {
  TerminalState& state = State();
  if (state.active || state.descriptor < 0) return false;
  EnterProgramMode();
  return true;
}

TerminalCharset LocaleCharset() {
  // Asked of a locale object of its own: the process's locale stays as it is.
  const locale_t locale = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (locale != static_cast<locale_t>(nullptr)) {
    const TerminalCharset charset = CharsetOfCodeset(::nl_langinfo_l(CODESET, locale));
    ::freelocale(locale);
    return charset;
  }
  // A locale that is not installed still names its codeset.
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return CharsetOfCodeset(CodesetOfLocaleName(value));
  }
  return TerminalCharset::Utf8;
}

bool IsLinuxConsole() {
  const char* term = std::getenv("TERM");
  return term != nullptr && std::string_view(term).substr(0, 5) == "linux";
}

bool TerminalActive() { return State().active != 0; }
void SetKittyFlagsPushed(bool pushed) { State().kitty_pushed = pushed ? 1 : 0; }
void SetCursorShapesUsed(bool used) { State().shapes_used = used ? 1 : 0; }
int TerminalDescriptor() { return State().descriptor; }
int WakeDescriptor() { return State().wake[0]; }

void DrainWakeDescriptor() {
  TerminalState& state = State();
  char discard[64];
  if (state.wake[0] >= 0) {
    while (::read(state.wake[0], discard, sizeof discard) > 0) {
    }
  }
}

WakeReasons TakeWakeReasons() {
  TerminalState& state = State();
  WakeReasons reasons;
  reasons.resized = state.resized != 0;
  reasons.resumed = state.resumed != 0;
  state.resized = 0;
  state.resumed = 0;
  return reasons;
}

void WriteTerminal(std::string_view bytes) {
  if (State().descriptor >= 0) WriteRaw(State().descriptor, bytes);
}

void TerminalSize(int& rows, int& columns) {
  rows = 25;
  columns = 80;
  winsize size{};
  if (State().descriptor >= 0 && ::ioctl(State().descriptor, TIOCGWINSZ, &size) == 0 &&
      size.ws_row > 0 && size.ws_col > 0) {
    rows = size.ws_row;
    columns = size.ws_col;
  }
}

}  // namespace kel::platform::posix
