#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "config/ini.h"
#include "support/temp_dir.h"

namespace kel {
namespace {

// Settings around the keys the writers change, big enough that a rewrite takes a while.
std::string Filler(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += "Filler" + std::to_string(i) + "=some settings value\r\n";
  return text;
}

TEST(IniConcurrency, WritersInParallelLoseNoKeyAndReadersNeverMissOne) {
  constexpr int kWriters = 4, kKeys = 25;
  testing::TempDir dir;
  const std::string target = dir / "t.ini";
  dir.Write("t.ini", "[Fixed]\r\nKeep=yes\r\n[Filler]\r\n" + Filler(2000));

  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = fork();
    if (pid == 0) {
      for (int k = 0; k < kKeys; ++k)
        WriteIniKey(target, "Keys", "W" + std::to_string(w) + "K" + std::to_string(k), std::to_string(w * 100 + k));
      _exit(0);
    }
    ASSERT_GT(pid, 0);
    writers.push_back(pid);
  }
  int reads = 0, gaps = 0, running = kWriters;
  while (running > 0) {
    ++reads;
    if (ReadIniKey(target, "Fixed", "Keep") != "yes") ++gaps;
    int status = 0;
    const pid_t ended = waitpid(-1, &status, WNOHANG);
    if (ended > 0) {
      --running;
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
  }
  EXPECT_EQ(gaps, 0) << "of " << reads << " reads";
  for (int w = 0; w < kWriters; ++w)
    for (int k = 0; k < kKeys; ++k)
      EXPECT_EQ(ReadIniKey(target, "Keys", "W" + std::to_string(w) + "K" + std::to_string(k)),
                std::to_string(w * 100 + k));
}

TEST(IniConcurrency, KilledWriterLeavesTheOldOrTheNewFile) {
  testing::TempDir dir;
  const std::string target = dir / "t.ini";
  const std::string before = "[A]\r\n" + Filler(3000), after = "[Z]\r\nEnd=1\r\n";
  dir.Write("t.ini", before + "Counter=0\r\n" + after);
  const std::regex counter_line("Counter=[0-9]+\r\n");

  for (int round = 0; round < 20; ++round) {
    const pid_t pid = fork();
    if (pid == 0) {
      for (int n = 1;; ++n) WriteIniKey(target, "A", "Counter", std::to_string(n));
    }
    ASSERT_GT(pid, 0);
    usleep(static_cast<useconds_t>(1000 + round * 1500));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);

    const std::string text = dir.Read("t.ini");
    ASSERT_GT(text.size(), before.size() + after.size()) << "round " << round;
    EXPECT_EQ(text.substr(0, before.size()), before) << "round " << round;
    EXPECT_EQ(text.substr(text.size() - after.size()), after) << "round " << round;
    EXPECT_TRUE(std::regex_match(text.substr(before.size(), text.size() - before.size() - after.size()),
                                 counter_line))
        << "round " << round;
  }
  // The killed writers' locks died with them.
  WriteIniKey(target, "A", "Counter", "done");
  EXPECT_EQ(ReadIniKey(target, "A", "Counter"), "done");
}

}  // namespace
}  // namespace kel
