// The terminal is put back as it was on every way the program ends. Each case runs a child
// process on a pseudo-terminal of its own, which the child opens as its controlling
// terminal, and ends it one way; the test reads what the child sent and looks at the
// terminal's modes afterwards.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "platform/process.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/terminal_sequences.h"
#include "platform/working_files.h"
#include "support/temp_dir.h"

namespace kel::platform {
namespace {

enum class Ending {
  Return, EndProcess, Terminate, Interrupt, HangUp, Crash, Restore, KeyX, PeekEsc,
  LostTerminal,  // the terminal goes while hang-ups are ignored; the child never leaves
};

// A working file that the child claims; every ending that runs the clean-ups removes it.
std::string& ChildWorkingFile() {
  static std::string path;
  return path;
}

// The terminal type the child runs under (the environment's when empty).
std::string& ChildTerm() {
  static std::string term;
  return term;
}

struct Outcome {
  std::string output;
  int status = 0;
  bool canonical = false;
  bool echo = false;
  bool working_file_left = false;
  std::string left_for_shell;  // input that the program left to whatever reads next
};

[[noreturn]] void RunChild(const char* slave_name, int master, Ending ending) {
  // The terminal's side stays with the terminal: a copy here would keep it from going.
  ::close(master);
  ::setsid();
  const int slave = ::open(slave_name, O_RDWR);
  if (slave < 0 || ::ioctl(slave, TIOCSCTTY, 0) != 0) ::_exit(90);
  ::dup2(slave, STDIN_FILENO);
  ::dup2(slave, STDOUT_FILENO);
  ::dup2(slave, STDERR_FILENO);
  if (ending == Ending::LostTerminal) ::signal(SIGHUP, SIG_IGN);
  if (!ChildTerm().empty()) ::setenv("TERM", ChildTerm().c_str(), 1);
  if (!ChildWorkingFile().empty()) {
    const int file = ::open(ChildWorkingFile().c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (file < 0 || !ClaimWorkingFile(ChildWorkingFile())) ::_exit(89);
    ::close(file);
  }
  ConsoleDevice& console = Console();
  console.SetMouseReporting(true);
  console.SetTextAttribute(0x1F);
  console.WriteText("child");
  console.Flush();
  switch (ending) {
    case Ending::Return:
      std::exit(0);
    case Ending::EndProcess:
      platform::EndProcess(3);
    case Ending::Terminate:
      ::kill(::getpid(), SIGTERM);
      break;
    case Ending::Interrupt:
      ::kill(::getpid(), SIGINT);
      break;
    case Ending::HangUp:
      ::kill(::getpid(), SIGHUP);
      break;
    case Ending::Crash:
      ::raise(SIGSEGV);
      break;
    case Ending::Restore:
      RestoreConsole();
      ::_exit(4);
    case Ending::KeyX:
      while (console.WaitForInput(-1)) {
        const InputEvent event = console.PollInput();
        if (event.kind == InputEvent::Kind::Key && event.character == 'x') std::exit(5);
      }
      ::_exit(92);
    case Ending::PeekEsc:
      // The first key is looked at twice and then taken: all three must be the same Esc.
      while (console.WaitForInput(-1)) {
        const InputEvent peeked = console.PeekInput();
        if (peeked.kind != InputEvent::Kind::Key) {
          console.PollInput();
          continue;
        }
        const InputEvent again = console.PeekInput();
        const InputEvent taken = console.PollInput();
        const bool same = peeked.character == 27 && again.character == 27 &&
                          taken.kind == InputEvent::Kind::Key && taken.character == 27;
        std::exit(same && console.PeekInput().kind == InputEvent::Kind::None ? 6 : 93);
      }
      ::_exit(92);
    case Ending::LostTerminal:
      // A screen that does not leave on Esc: it waits and polls for as long as it is let.
      for (long spins = 0; spins < 100000; ++spins) {
        console.WaitForInput(-1);
        console.PollInput();
      }
      ::_exit(94);
  }
  ::_exit(91);
}

// Answers the child's terminal queries the way a terminal would; called with all output so
// far.
using Responder = std::function<void(const std::string& output, int master)>;

// Runs the child until it ends. Like a terminal, the test answers each cursor position
// request, unless told to stay silent.
Outcome RunChildUntilItEnds(Ending ending, const Responder& respond = nullptr,
                            bool answer_position = true) {
  Outcome outcome;
  std::size_t requests_answered = 0;
  const testing::TempDir temp;
  ChildWorkingFile() = temp / "Browse.tmp";
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  EXPECT_GE(master, 0);
  ::grantpt(master);
  ::unlockpt(master);
  const std::string slave_name = ::ptsname(master);
  // Held open here so that the modes can be read after the child is gone.
  const int slave = ::open(slave_name.c_str(), O_RDWR | O_NOCTTY);
  const pid_t child = ::fork();
  if (child == 0) RunChild(slave_name.c_str(), master, ending);
  bool done = false;
  bool hung_up = false;
  for (int round = 0; round < 200 && !done; ++round) {
    if (ending == Ending::LostTerminal && !hung_up &&
        outcome.output.find("child") != std::string::npos) {
      // The terminal window is closed: the master side goes, the slave stays open here.
      ::close(master);
      hung_up = true;
    }
    if (hung_up) {
      done = ::waitpid(child, &outcome.status, WNOHANG) == child;
      if (!done) ::usleep(50'000);
      continue;
    }
    pollfd in{master, POLLIN, 0};
    if (::poll(&in, 1, 50) > 0) {
      char buffer[4096];
      const ssize_t got = ::read(master, buffer, sizeof buffer);
      if (got > 0) outcome.output.append(buffer, static_cast<std::size_t>(got));
      if (respond) respond(outcome.output, master);
      std::size_t requests = 0;
      for (std::size_t at = outcome.output.find(terminal_sequences::kCursorPositionRequest);
           at != std::string::npos;
           at = outcome.output.find(terminal_sequences::kCursorPositionRequest, at + 1)) {
        ++requests;
      }
      for (; answer_position && requests_answered < requests; ++requests_answered) {
        constexpr std::string_view kAnswer = "\x1b[1;1R";
        EXPECT_EQ(::write(master, kAnswer.data(), kAnswer.size()), static_cast<ssize_t>(kAnswer.size()));
      }
      continue;
    }
    done = ::waitpid(child, &outcome.status, WNOHANG) == child;
  }
  if (!done) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &outcome.status, 0);
  }
  termios modes{};
  ::tcgetattr(slave, &modes);
  outcome.canonical = (modes.c_lflag & ICANON) != 0;
  outcome.echo = (modes.c_lflag & ECHO) != 0;
  // What is still queued reaches the shell: read it in raw mode, whole lines or not.
  if (!hung_up) {
    termios raw = modes;
    ::cfmakeraw(&raw);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(slave, TCSANOW, &raw);
    char buffer[256];
    ssize_t got;
    while ((got = ::read(slave, buffer, sizeof buffer)) > 0) {
      outcome.left_for_shell.append(buffer, static_cast<std::size_t>(got));
    }
  }
  ::close(slave);
  if (!hung_up) ::close(master);
  outcome.working_file_left = temp.Exists("Browse.tmp");
  ChildWorkingFile().clear();
  return outcome;
}

void ExpectRestored(const Outcome& outcome, bool process_ended = true) {
  const std::string enter(terminal_sequences::kEnter);
  const std::string leave(terminal_sequences::kLeave);
  const std::size_t entered = outcome.output.find(enter);
  ASSERT_NE(entered, std::string::npos);
  EXPECT_NE(outcome.output.find("child", entered), std::string::npos);
  EXPECT_NE(outcome.output.find("\x1b[?1000h", entered), std::string::npos);
  const std::size_t left = outcome.output.rfind(leave);
  ASSERT_NE(left, std::string::npos);
  EXPECT_GT(left, entered);
  EXPECT_TRUE(outcome.canonical);
  EXPECT_TRUE(outcome.echo);
  // The process that ended removed its working files; one that only gave the terminal back
  // (to a child program) keeps them.
  if (process_ended) {
    EXPECT_FALSE(outcome.working_file_left);
  }
}

TEST(TerminalExit, NormalEnd) {
  const Outcome outcome = RunChildUntilItEnds(Ending::Return);
  ExpectRestored(outcome);
  EXPECT_TRUE(WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) == 0);
}

TEST(TerminalExit, ExitProcessFromDeepInside) {
  const Outcome outcome = RunChildUntilItEnds(Ending::EndProcess);
  ExpectRestored(outcome);
  EXPECT_TRUE(WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) == 3);
}

TEST(TerminalExit, Signals) {
  for (auto [ending, signal_number] : {std::pair{Ending::Terminate, SIGTERM},
                                       std::pair{Ending::Interrupt, SIGINT},
                                       std::pair{Ending::HangUp, SIGHUP},
                                       std::pair{Ending::Crash, SIGSEGV}}) {
    const Outcome outcome = RunChildUntilItEnds(ending);
    SCOPED_TRACE(signal_number);
    ExpectRestored(outcome);
    EXPECT_TRUE(WIFSIGNALED(outcome.status) && WTERMSIG(outcome.status) == signal_number);
  }
}

TEST(TerminalExit, LostTerminalEndsTheProcessAsAHangUpWouldEvenWhenHangUpsAreIgnored) {
  const Outcome outcome = RunChildUntilItEnds(Ending::LostTerminal);
  EXPECT_NE(outcome.output.find("child"), std::string::npos);
  EXPECT_TRUE(WIFSIGNALED(outcome.status) && WTERMSIG(outcome.status) == SIGHUP)
      << "status " << outcome.status;
  EXPECT_FALSE(outcome.working_file_left);
}

TEST(TerminalExit, LateMouseReportsAreDrainedUpToTheTerminalsAnswer) {
  // A slow link: mouse reports sent before the terminal saw reporting switched off arrive
  // late, one of them well after the others.
  bool sent = false;
  const Outcome outcome = RunChildUntilItEnds(Ending::Return, [&](const std::string& output, int master) {
    if (sent || output.find(terminal_sequences::kReportsOff) == std::string::npos) return;
    sent = true;
    constexpr std::string_view kReport = "\x1b[<0;10;5M";
    EXPECT_EQ(::write(master, kReport.data(), kReport.size()), static_cast<ssize_t>(kReport.size()));
    ::usleep(150'000);
    EXPECT_EQ(::write(master, kReport.data(), kReport.size()), static_cast<ssize_t>(kReport.size()));
  });
  ExpectRestored(outcome);
  EXPECT_TRUE(sent);
  EXPECT_EQ(outcome.left_for_shell, "");
  // Reporting is switched off before the request that ends the drain.
  EXPECT_LT(outcome.output.rfind(terminal_sequences::kReportsOff),
            outcome.output.rfind(terminal_sequences::kCursorPositionRequest));
  EXPECT_LT(outcome.output.rfind(terminal_sequences::kCursorPositionRequest),
            outcome.output.rfind(terminal_sequences::kLeave));
}

TEST(TerminalExit, TerminalThatDoesNotAnswerStillLetsTheProgramEnd) {
  const auto start = std::chrono::steady_clock::now();
  const Outcome outcome = RunChildUntilItEnds(Ending::Return, nullptr, false);
  ExpectRestored(outcome);
  EXPECT_TRUE(WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) == 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(TerminalExit, LinuxConsoleIsClearedAtTheEndForWantOfAnAlternateScreen) {
  ChildTerm() = "linux";
  const Outcome outcome = RunChildUntilItEnds(Ending::Return);
  ChildTerm().clear();
  ExpectRestored(outcome);
  const std::size_t left = outcome.output.rfind(terminal_sequences::kLeave);
  EXPECT_EQ(outcome.output.find(terminal_sequences::kLeaveWithoutAlternateScreen, left),
            left + terminal_sequences::kLeave.size());
  // Nor has it cursor shapes, whose letters it would show.
  EXPECT_EQ(outcome.output.find(" q"), std::string::npos);
}

TEST(TerminalExit, OtherTerminalsLeaveTheirAlternateScreenUncleared) {
  ChildTerm() = "xterm-256color";
  const Outcome outcome = RunChildUntilItEnds(Ending::Return);
  ChildTerm().clear();
  ExpectRestored(outcome);
  EXPECT_EQ(outcome.output.find(terminal_sequences::kLeaveWithoutAlternateScreen), std::string::npos);
}

TEST(TerminalExit, RestoreConsoleLeavesTheScreen) {
  const Outcome outcome = RunChildUntilItEnds(Ending::Restore);
  ExpectRestored(outcome, false);
  EXPECT_TRUE(WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) == 4);
}

TEST(TerminalExit, KittyFlagsArePushedWhenOfferedAndPoppedOnExit) {
  bool answered = false;
  bool typed = false;
  const Outcome outcome = RunChildUntilItEnds(Ending::KeyX, [&](const std::string& output, int master) {
    if (!answered && output.find("\x1b[?u") != std::string::npos) {
      constexpr std::string_view kReply = "\x1b[?0u";
      answered = ::write(master, kReply.data(), kReply.size()) == static_cast<ssize_t>(kReply.size());
    }
    if (!typed && output.find(terminal_sequences::kKittyPush) != std::string::npos) {
      // The key x as the kitty protocol reports it, press and release.
      constexpr std::string_view kKey = "\x1b[120u\x1b[120;1:3u";
      typed = ::write(master, kKey.data(), kKey.size()) == static_cast<ssize_t>(kKey.size());
    }
  });
  ExpectRestored(outcome);
  EXPECT_TRUE(WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) == 5);
  const std::size_t pushed = outcome.output.find(terminal_sequences::kKittyPush);
  const std::size_t popped = outcome.output.rfind(terminal_sequences::kKittyPop);
  ASSERT_NE(pushed, std::string::npos);
  ASSERT_NE(popped, std::string::npos);
  // Popped on the alternate screen, where the flags were pushed.
  EXPECT_LT(popped, outcome.output.rfind(terminal_sequences::kLeave));
  EXPECT_GT(popped, pushed);
}

TEST(TerminalExit, WithoutTheKittyProtocolNothingIsPushed) {
  bool typed = false;
  const Outcome outcome = RunChildUntilItEnds(Ending::KeyX, [&](const std::string& output, int master) {
    if (!typed && output.find("child") != std::string::npos) {
      // Only the device attributes answer: no kitty protocol.
      constexpr std::string_view kReply = "\x1b[?62;22cx";
      typed = ::write(master, kReply.data(), kReply.size()) == static_cast<ssize_t>(kReply.size());
    }
  });
  ExpectRestored(outcome);
  EXPECT_TRUE(WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) == 5);
  EXPECT_EQ(outcome.output.find(terminal_sequences::kKittyPush), std::string::npos);
  EXPECT_EQ(outcome.output.find(terminal_sequences::kKittyPop), std::string::npos);
}

TEST(TerminalInput, PeekLeavesALoneEscForThePoll) {
  bool typed = false;
  const Outcome outcome = RunChildUntilItEnds(Ending::PeekEsc, [&](const std::string& output, int master) {
    if (!typed && output.find("child") != std::string::npos) {
      // A lone ESC byte becomes the Esc key only once the escape timeout has passed.
      constexpr std::string_view kReply = "\x1b[?62;22c\x1b";
      typed = ::write(master, kReply.data(), kReply.size()) == static_cast<ssize_t>(kReply.size());
    }
  });
  ExpectRestored(outcome);
  EXPECT_TRUE(WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) == 6);
}

}  // namespace
}  // namespace kel::platform
