// Several settings stored in one rewrite: the same file as key-by-key writes, and the choice
// of what to store made under the writers' lock.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/ini.h"
#include "support/child_program.h"
#include "support/temp_dir.h"

namespace kel {
namespace {

const std::vector<IniSetting> kSettings = {
    {"Pantalla", "Col", "14010701"}, {"Pantalla", "MaxColors", "10"}, {"Sistema", "Idioma", "CAT"},
    {"pantalla", "col", "15"},       {"Vell", "", ""},                 {"Sistema", "Buit", ""},
    {"Nou", "Clau", "\"valor\""}};

TEST(IniWriteKeys, SameBytesAsKeyByKeyWrites) {
  for (const std::string& before :
       {std::string(), std::string("[Vell]\r\nA=1\r\n\r\n[Sistema]\nBuit=x ; comment\n"),
        std::string("; head\r\n[Pantalla]\r\nCol=1\r\nAltre=2")}) {
    testing::TempDir dir;
    if (!before.empty()) {
      dir.Write("one.ini", before);
      dir.Write("many.ini", before);
    }
    for (const IniSetting& setting : kSettings) WriteIniKey(dir / "one.ini", setting.section, setting.key, setting.value);
    WriteIniKeys(dir / "many.ini", kSettings);
    EXPECT_EQ(dir.Read("many.ini"), dir.Read("one.ini")) << before;
    // Nothing but the file and its lock remains.
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      (void)entry;
      ++entries;
    }
    EXPECT_EQ(entries, 4);
  }
}

TEST(IniWriteKeys, ALineBreakStoresNothing) {
  testing::TempDir dir;
  dir.Write("t.ini", "[A]\r\nk=1\r\n");
  WriteIniKeys(dir / "t.ini", {{"A", "k", "2"}, {"A", "j", "x\ny"}});
  EXPECT_EQ(dir.Read("t.ini"), "[A]\r\nk=1\r\n");
  EXPECT_FALSE(UpdateIniKeys(dir / "t.ini", [] { return std::vector<IniSetting>{{"A", "k\r", "2"}}; }));
}

TEST(IniWriteKeys, NothingChosenLeavesTheFileAlone) {
  testing::TempDir dir;
  dir.Write("t.ini", "[A]\nk=1");
  EXPECT_TRUE(UpdateIniKeys(dir / "t.ini", [] { return std::vector<IniSetting>{}; }));
  EXPECT_EQ(dir.Read("t.ini"), "[A]\nk=1");
}

constexpr const char* kCounterFlag = "--kel-counter=";
constexpr const char* kCounterFileFlag = "--kel-file=";
constexpr int kRounds = 15;

// One of the processes below: this test program started again.
TEST(IniWriteKeys, CounterProcess) {
  const std::string p = testing::ProgramFlag(kCounterFlag), file = testing::ProgramFlag(kCounterFileFlag);
  if (p.empty() || file.empty()) GTEST_SKIP() << "run by ChoicesUnderTheLockDoNotInterleave in a second process";
  for (int round = 0; round < kRounds; ++round) {
    const bool written = UpdateIniKeys(file, [&] {
      const std::string now = ReadIniKey(file, "C", "n");
      const int next = (now.empty() ? 0 : std::stoi(now)) + 1;
      return std::vector<IniSetting>{{"C", "n", std::to_string(next)}, {"Taken", std::to_string(next), p}};
    });
    ASSERT_TRUE(written) << "round " << round;
  }
  std::fputs("counted\n", stdout);
  std::fflush(stdout);
}

// Processes that each read a counter and store the next value under the lock never store
// the same value twice.
TEST(IniWriteKeys, ChoicesUnderTheLockDoNotInterleave) {
  testing::TempDir dir;
  const std::string file = dir / "count.ini";
  constexpr int kProcesses = 4;
  std::vector<std::unique_ptr<testing::ChildProgram>> children;
  for (int p = 0; p < kProcesses; ++p) {
    children.push_back(std::make_unique<testing::ChildProgram>());
    ASSERT_TRUE(children.back()->Start(
        testing::SelfPath(), testing::ChildTestArguments("IniWriteKeys.CounterProcess",
                                                         {kCounterFlag + std::to_string(p), kCounterFileFlag + file})));
  }
  for (auto& child : children) EXPECT_TRUE(child->WaitFor("counted\n")) << child->output();
  EXPECT_EQ(ReadIniKey(file, "C", "n"), std::to_string(kProcesses * kRounds));
  for (int n = 1; n <= kProcesses * kRounds; ++n) EXPECT_NE(ReadIniKey(file, "Taken", std::to_string(n)), "") << n;
}

}  // namespace
}  // namespace kel
