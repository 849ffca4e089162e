// A program in a real terminal: tmux runs it in a pane of a private server, tests type keys
// into it and read the pane back.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace kel::testing {

// Single quotes for the shell.
inline std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs a shell command; its standard output, and whether it exited with 0.
inline bool RunShell(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return false;
  std::string text;
  char buffer[4096];
  std::size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
  const int status = pclose(pipe);
  if (output != nullptr) *output = text;
  return status == 0;
}

inline bool TmuxInstalled() { return RunShell("command -v tmux"); }

class TmuxPane {
 public:
  // How long a program may take to react before a wait gives up on it.
  static constexpr auto kPatience = std::chrono::seconds(15);

  explicit TmuxPane(std::string socket) : socket_(std::move(socket)) {}
  ~TmuxPane() { RunShell(Tmux("kill-server")); }
  TmuxPane(const TmuxPane&) = delete;
  TmuxPane& operator=(const TmuxPane&) = delete;

  // Starts a shell command in a pane of the given size.
  bool Start(const std::string& command, int columns = 80, int rows = 25) {
    return RunShell(Tmux("new-session -d -s pane -x " + std::to_string(columns) + " -y " +
                         std::to_string(rows) + " " + Quote(command)));
  }
  // Types keys, in tmux send-keys notation.
  bool Keys(const std::string& keys) { return RunShell(Tmux("send-keys -t pane " + keys)); }
  // Gives the pane (its window) a new size, as a split or a zoom does.
  bool Resize(int columns, int rows) {
    return RunShell(Tmux("resize-window -t pane -x " + std::to_string(columns) + " -y " +
                         std::to_string(rows)));
  }
  // Process id of the pane's program (the command started, once it has exec'd).
  int ProgramId() const {
    std::string text;
    RunShell(Tmux("list-panes -t pane -F '#{pane_pid}'"), &text);
    return std::atoi(text.c_str());
  }
  // True while the pane's program runs.
  bool Running() const { return RunShell(Tmux("has-session -t pane")); }
  std::string Capture() const {
    std::string text;
    RunShell(Tmux("capture-pane -p -t pane"), &text);
    return text;
  }
  // The pane once it satisfies a condition; the last pane seen when it never does.
  std::string WaitFor(const std::function<bool(const std::string&)>& ready, bool* met) const {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    std::string pane;
    do {
      pane = Capture();
      if (ready(pane)) {
        *met = true;
        return pane;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    *met = false;
    return pane;
  }
  std::string WaitForText(const std::string& text) const {
    bool met = false;
    std::string pane =
        WaitFor([&](const std::string& p) { return p.find(text) != std::string::npos; }, &met);
    EXPECT_TRUE(met) << "never saw \"" << text << "\" in:\n" << pane;
    return pane;
  }
  // The shell command that runs a tmux command on this pane's server: for a shell inside the
  // pane (wait-for), or to type into several panes from one command line.
  std::string Command(const std::string& arguments) const { return Tmux(arguments); }

 private:
  std::string Tmux(const std::string& arguments) const {
    return "tmux -f /dev/null -S " + Quote(socket_) + " " + arguments;
  }
  std::string socket_;
};

}  // namespace kel::testing
