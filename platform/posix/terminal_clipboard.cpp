#include "platform/posix/terminal_clipboard.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace kel::platform::posix {
namespace {

// A helper that does not answer within this time is given up.
constexpr int kHelperTimeoutMs = 2000;
// Clipboards larger than this are cut.
constexpr std::size_t kMaxClipboardBytes = 1 << 20;

struct Helper {
  const char* display_variable;  // the helper needs this display to be set
  std::vector<const char*> copy;
  std::vector<const char*> paste;
};

const std::vector<Helper>& Helpers() {
  static const std::vector<Helper> helpers = {
      {"WAYLAND_DISPLAY", {"wl-copy", nullptr}, {"wl-paste", "--no-newline", nullptr}},
      {"DISPLAY", {"xclip", "-selection", "clipboard", "-in", nullptr},
       {"xclip", "-selection", "clipboard", "-out", nullptr}},
      {"DISPLAY", {"xsel", "--clipboard", "--input", nullptr},
       {"xsel", "--clipboard", "--output", nullptr}},
  };
  return helpers;
}

std::int64_t NowMs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

// Waits for the child within the deadline, then ends it; true when it exited with 0.
bool Reap(pid_t child, std::int64_t deadline) {
  int status = 0;
  while (true) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (done < 0 && errno != EINTR) return false;
    if (NowMs() >= deadline) break;
    // The helpers end within milliseconds; a short sleep between looks is enough.
    timespec pause{0, 5'000'000};
    ::nanosleep(&pause, nullptr);
  }
  ::kill(child, SIGKILL);
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return false;
}

// Runs a helper with stdin and stdout connected to the given descriptors (-1: /dev/null).
bool Spawn(const std::vector<const char*>& command, int input, int output, pid_t& child) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input >= 0) {
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  if (output >= 0) {
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  // Nothing a helper says may land on the program's screen.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const int failed = ::posix_spawnp(&child, command[0], &actions, nullptr,
                                    const_cast<char* const*>(command.data()), environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0;
}

bool Available(const Helper& helper) {
  const char* display = std::getenv(helper.display_variable);
  return display != nullptr && *display != '\0';
}

bool Copy(const std::vector<const char*>& command, std::string_view utf8) {
  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0) return false;
  pid_t child = 0;
  const bool started = Spawn(command, pipe_ends[0], -1, child);
  ::close(pipe_ends[0]);
  if (!started) {
    ::close(pipe_ends[1]);
    return false;
  }
  const std::int64_t deadline = NowMs() + kHelperTimeoutMs;
  // A helper that dies early must not end the program with SIGPIPE.
  struct sigaction ignore{}, previous{};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGPIPE, &ignore, &previous);
  std::size_t done = 0;
  while (done < utf8.size()) {
    pollfd out{pipe_ends[1], POLLOUT, 0};
    const int left = static_cast<int>(deadline - NowMs());
    if (left <= 0 || ::poll(&out, 1, left) <= 0) break;
    const ssize_t written = ::write(pipe_ends[1], utf8.data() + done, utf8.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      break;
    }
    done += static_cast<std::size_t>(written);
  }
  ::close(pipe_ends[1]);
  ::sigaction(SIGPIPE, &previous, nullptr);
  return Reap(child, deadline) && done == utf8.size();
}

bool Paste(const std::vector<const char*>& command, std::string& text) {
  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0) return false;
  pid_t child = 0;
  const bool started = Spawn(command, -1, pipe_ends[1], child);
  ::close(pipe_ends[1]);
  if (!started) {
    ::close(pipe_ends[0]);
    return false;
  }
  const std::int64_t deadline = NowMs() + kHelperTimeoutMs;
  std::string read_text;
  char buffer[4096];
  while (true) {
    pollfd in{pipe_ends[0], POLLIN, 0};
    const int left = static_cast<int>(deadline - NowMs());
    if (left <= 0 || ::poll(&in, 1, left) <= 0) break;
    const ssize_t got = ::read(pipe_ends[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    if (read_text.size() < kMaxClipboardBytes) read_text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(pipe_ends[0]);
  if (!Reap(child, deadline)) return false;
  text = read_text.substr(0, kMaxClipboardBytes);
  return true;
}

}  // namespace

bool CopyWithHelper(std::string_view utf8) {
  for (const Helper& helper : Helpers()) {
    if (Available(helper) && Copy(helper.copy, utf8)) return true;
  }
  return false;
}

bool PasteWithHelper(std::string& text) {
  for (const Helper& helper : Helpers()) {
    if (Available(helper) && Paste(helper.paste, text)) return true;
  }
  return false;
}

}  // namespace kel::platform::posix
