// The console demo in a real terminal: tmux runs it in an 80 x 25 pane, the test types keys
// and reads the pane between them. The screen after everything has been closed must be the
// screen from before the first window.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace kel {
namespace {

// How long the demo may take to react to a key before the test gives up on it.
constexpr auto kPatience = std::chrono::seconds(15);

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// Runs a shell command; its standard output, and whether it exited with 0.
bool RunShell(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return false;
  std::string text;
  char buffer[4096];
  std::size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
  int status = pclose(pipe);
  if (output != nullptr) *output = text;
  return status == 0;
}

std::vector<std::string> Rows(const std::string& capture) {
  std::vector<std::string> rows;
  std::istringstream in(capture);
  for (std::string row; std::getline(in, row);) {
    while (!row.empty() && row.back() == ' ') row.pop_back();
    rows.push_back(row);
  }
  while (rows.size() < 25) rows.emplace_back();
  return rows;
}

class DemoEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!RunShell("command -v tmux")) GTEST_SKIP() << "tmux is not installed";
    demo_ = KEL_BINARY_DIR "/console_demo";
    ASSERT_TRUE(std::filesystem::exists(demo_)) << "build the console_demo target first";
    socket_ = temp_ / "tmux.sock";
    std::string help;
    for (int line = 1; line <= 40; ++line) {
      char text[81];
      std::snprintf(text, sizeof text, "Help line %02d of the demo topic", line);
      std::string padded = text;
      padded.resize(80, ' ');
      help += padded;
    }
    temp_.Write("AJUDA/DEMO.HLP", help);
  }
  void TearDown() override {
    if (!socket_.empty()) RunShell(Tmux("kill-server"));
  }

  std::string Tmux(const std::string& arguments) const {
    return "tmux -f /dev/null -S " + Quote(socket_) + " " + arguments;
  }
  void Start() {
    std::string command = "env LANG=C.UTF-8 TEMP=" + Quote(temp_.path()) + " TMPDIR=" +
                          Quote(temp_.path()) + " " + Quote(demo_) +
                          " " + Quote(temp_.path()) + " DEMO";
    ASSERT_TRUE(RunShell(Tmux("new-session -d -s demo -x 80 -y 25 " + Quote(command))));
  }
  void Keys(const std::string& keys) { ASSERT_TRUE(RunShell(Tmux("send-keys -t demo " + keys))); }
  std::string Capture() const {
    std::string text;
    RunShell(Tmux("capture-pane -p -t demo"), &text);
    return text;
  }
  // The pane once it satisfies a condition; the last pane seen when it never does.
  std::string WaitFor(const std::function<bool(const std::string&)>& ready, bool* met) {
    auto deadline = std::chrono::steady_clock::now() + kPatience;
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
  std::string WaitForText(const std::string& text) {
    bool met = false;
    std::string pane =
        WaitFor([&](const std::string& p) { return p.find(text) != std::string::npos; }, &met);
    EXPECT_TRUE(met) << "never saw \"" << text << "\" in:\n" << pane;
    return pane;
  }

  testing::TempDir temp_;
  std::string demo_;
  std::string socket_;
};

TEST_F(DemoEndToEndTest, WindowMessageAndPagerCloseBackToTheSameScreen) {
  Start();
  std::string before = WaitForText("Console demo - press a key to go on");
  ASSERT_NE(before.find("Row 24 of the console demo"), std::string::npos) << before;
  std::vector<std::string> before_rows = Rows(before);

  Keys("x");
  std::string window = WaitForText("Framed window over coloured text");
  std::vector<std::string> window_rows = Rows(window);
  EXPECT_EQ(window_rows[4].substr(0, 9), before_rows[4].substr(0, 9));
  EXPECT_NE(window_rows[4].find("╔═══"), std::string::npos) << window;
  EXPECT_NE(window_rows[14].find("╚═══"), std::string::npos) << window;
  for (int row : {0, 1, 2, 3, 15, 16, 24}) EXPECT_EQ(window_rows[row], before_rows[row]);

  Keys("x");
  std::string message = WaitForText("A message box centred on row 12");
  EXPECT_NE(message.find("┌──"), std::string::npos) << message;
  EXPECT_NE(message.find("Framed window over coloured text"), std::string::npos) << message;

  Keys("x");
  std::string pager = WaitForText("Help line 01 of the demo topic");
  EXPECT_NE(pager.find("Help line 17"), std::string::npos) << pager;
  EXPECT_EQ(pager.find("Help line 18"), std::string::npos) << pager;
  EXPECT_NE(Rows(pager)[3].find("╔═"), std::string::npos) << pager;
  EXPECT_EQ(pager.find("A message box"), std::string::npos) << pager;

  Keys("NPage");
  std::string second_page = WaitForText("Help line 34 of the demo topic");
  EXPECT_NE(second_page.find("Help line 18"), std::string::npos) << second_page;
  EXPECT_EQ(second_page.find("Help line 17"), std::string::npos) << second_page;

  Keys("Escape");
  bool met = false;
  std::string after = WaitFor([&](const std::string& pane) { return pane == before; }, &met);
  EXPECT_TRUE(met) << "before:\n" << before << "\nafter:\n" << after;

  Keys("x");
  bool ended = false;
  WaitFor([&](const std::string&) { return !RunShell(Tmux("has-session -t demo")); }, &ended);
  EXPECT_TRUE(ended) << "the demo did not end";
}

}  // namespace
}  // namespace kel
