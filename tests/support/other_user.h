// The second user of a shared directory, played by "nobody" in a child process, and a child
// process with a time limit for calls that could hang.
#pragma once

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace kel::testing {

// Why the second user cannot be played here ("" when it can): it needs root, to become
// nobody, and a nobody user.
inline std::string OtherUserMissing() {
  if (::geteuid() != 0) return "needs root to play a second user";
  if (::getpwnam("nobody") == nullptr) return "there is no user nobody";
  return "";
}

// nobody's user and group ids.
inline uid_t OtherUserId() { return ::getpwnam("nobody")->pw_uid; }
inline gid_t OtherGroupId() { return ::getpwnam("nobody")->pw_gid; }

// Runs a body in a child process as nobody (in nobody's own group only), with a limit of
// seconds; the body's result (0 to 255) is the exit code. -1 when the child could not
// become nobody, or was ended (by the limit or a crash).
inline int RunAsOtherUser(const std::function<int()>& body, unsigned seconds = 60) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(seconds);
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody || ::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
      ::_exit(255);
    ::_exit(body() & 0xFF);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) == 255) return -1;
  return WEXITSTATUS(status);
}

// Runs a body in a child process that is ended after a number of seconds; true when the
// body returned true in time.
inline bool RunsWithin(unsigned seconds, const std::function<bool()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(seconds);
    ::_exit(body() ? 0 : 1);
  }
  int status = 0;
  return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace kel::testing
