// The console demo in a real terminal: tmux runs it in an 80 x 25 pane, the test types keys
// and reads the pane between them. The screen after everything has been closed must be the
// screen from before the first window.
#include <signal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"
#include "support/tmux_pane.h"

namespace kel {
namespace {

using testing::Quote;
using testing::TmuxPane;

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
    if (!testing::TmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
    demo_ = KEL_BINARY_DIR "/console_demo";
    ASSERT_TRUE(std::filesystem::exists(demo_)) << "build the console_demo target first";
    pane_ = std::make_unique<TmuxPane>(temp_ / "tmux.sock");
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

  void Start() {
    std::string command = "env LANG=C.UTF-8 TEMP=" + Quote(temp_.path()) + " TMPDIR=" +
                          Quote(temp_.path()) + " " + Quote(demo_) +
                          " " + Quote(temp_.path()) + " DEMO";
    ASSERT_TRUE(pane_->Start(command));
  }
  void Keys(const std::string& keys) { ASSERT_TRUE(pane_->Keys(keys)); }
  std::string Capture() const { return pane_->Capture(); }
  std::string WaitFor(const std::function<bool(const std::string&)>& ready, bool* met) {
    return pane_->WaitFor(ready, met);
  }
  std::string WaitForText(const std::string& text) { return pane_->WaitForText(text); }

  testing::TempDir temp_;
  std::string demo_;
  std::unique_ptr<TmuxPane> pane_;
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
  WaitFor([&](const std::string&) { return !pane_->Running(); }, &ended);
  EXPECT_TRUE(ended) << "the demo did not end";
}

// Shrinking the pane (a split, a zoom) and growing it again gives back the whole screen,
// also when windows were closed while it was small.
TEST_F(DemoEndToEndTest, ResizingNeverLosesTheScreen) {
  Start();
  const std::string before = WaitForText("Console demo - press a key to go on");
  auto resize_and_back = [&](int columns, int rows, const std::string& expected) {
    ASSERT_TRUE(pane_->Resize(columns, rows));
    bool met = false;
    WaitFor([&](const std::string& pane) { return pane != expected; }, &met);
    ASSERT_TRUE(pane_->Resize(80, 25));
    std::string after = WaitFor([&](const std::string& pane) { return pane == expected; }, &met);
    EXPECT_TRUE(met) << columns << " x " << rows << ", expected:\n" << expected << "\ngot:\n" << after;
  };
  resize_and_back(80, 24, before);
  resize_and_back(60, 20, before);

  Keys("x");
  const std::string window = WaitForText("Framed window over coloured text");
  resize_and_back(80, 24, window);
  resize_and_back(60, 20, window);

  // The message box, then the pager over the framed window; both are closed while the pane
  // is small.
  Keys("x");
  WaitForText("A message box centred on row 12");
  Keys("x");
  WaitForText("Help line 01 of the demo topic");
  ASSERT_TRUE(pane_->Resize(60, 20));
  bool met = false;
  WaitFor([&](const std::string& pane) { return std::count(pane.begin(), pane.end(), '\n') == 20; },
          &met);
  Keys("Escape");
  // The demo waits for a key again once both windows are closed.
  WaitFor([&](const std::string& pane) { return pane.find("Help line") == std::string::npos; }, &met);
  ASSERT_TRUE(pane_->Resize(80, 25));
  std::string after = WaitFor([&](const std::string& pane) { return pane == before; }, &met);
  EXPECT_TRUE(met) << "before:\n" << before << "\nafter:\n" << after;
  Keys("x");
}

// Ended by a signal with windows open: the terminal is given back and the window stack does
// not stay behind for the next run of the session.
TEST_F(DemoEndToEndTest, SignalsLeaveNoWindowStackBehind) {
  for (int signal_number : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(signal_number);
    pane_ = std::make_unique<TmuxPane>(temp_ / ("tmux" + std::to_string(signal_number) + ".sock"));
    Start();
    WaitForText("Console demo - press a key to go on");
    Keys("x");
    WaitForText("Framed window over coloured text");
    auto stacks = [&] {
      int found = 0;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(temp_.path())) {
        if (entry.path().filename() == "WinPush.tmp") ++found;
      }
      return found;
    };
    ASSERT_EQ(stacks(), 1);
    const int demo = pane_->ProgramId();
    ASSERT_GT(demo, 0);
    ASSERT_EQ(::kill(demo, signal_number), 0);
    bool ended = false;
    WaitFor([&](const std::string&) { return ::kill(demo, 0) != 0; }, &ended);
    EXPECT_TRUE(ended);
    EXPECT_EQ(stacks(), 0);
  }
}

}  // namespace
}  // namespace kel
