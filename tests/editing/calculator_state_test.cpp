#include <gtest/gtest.h>

#ifndef _WIN32
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>

#include "editing/calculator_state.h"
#include "editing/calculator_steps.h"
#include "startup/session_environment.h"
#include "support/temp_dir.h"
#include "support/posix_only.h"

namespace kel {
namespace {

using testing::TempDir;

const std::string kEmptyTapeLine = "0,0,0,\" \"\r\n";

std::string EmptyTapeLines(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += kEmptyTapeLine;
  return lines;
}

CalculatorState After(std::string_view keys) {
  CalculatorState state;
  for (char key : keys) ApplyCalculatorKey(state, static_cast<unsigned char>(key));
  return state;
}

class CalculatorStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSessionEnvironment();
    SessionToFill().TerminalDir = dir_.dir();
  }
  void TearDown() override { ResetSessionEnvironment(); }

  // Names in the directory, to see that no temporary file is left behind.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
};

// ---- The record format ------------------------------------------------------------------------

TEST_F(CalculatorStateTest, TheFileAfterFivePlusThreeByteForByte) {
  CalculatorState state = After("5+3\rF");
  ASSERT_TRUE(SaveCalculatorState(state));
  EXPECT_EQ(dir_.Read("KELCALC.TMP"),
            "1,20,8,8\r\n"
            "0,0,0,0\r\n"
            "\"F\",\"\"\r\n" +
                EmptyTapeLines(19) +
                "5,0,0,\"+\"\r\n"
                "3,0,0,\"=\"\r\n"
                "8,0,0,\" \"\r\n");
}

TEST_F(CalculatorStateTest, StartValuesWithDecimalsAndFlags) {
  EXPECT_EQ(CalculatorStateText(CalculatorState{}),
            "1,23,0,0\r\n-1,0,0,0\r\n\"\",\"\"\r\n" + EmptyTapeLines(22));
  const CalculatorState state = After("12.5*3");
  EXPECT_EQ(CalculatorStateText(state).substr(0, 32),
            "1,22,3,12.5\r\n0,-1,0,0\r\n\"3\",\"*\"\r\n");
  EXPECT_TRUE(CalculatorStateText(state).ends_with("12.5,-1,1,\"*\"\r\n"));
}

TEST_F(CalculatorStateTest, NumbersHaveFifteenSignificantDigitsAndExponentsOnlyWhenNeeded) {
  EXPECT_EQ(StateFileNumber(0), "0");
  EXPECT_EQ(StateFileNumber(-0.0), "0");
  EXPECT_EQ(StateFileNumber(0.5), "0.5");
  EXPECT_EQ(StateFileNumber(-3.25), "-3.25");
  EXPECT_EQ(StateFileNumber(10.0 / 3), "3.33333333333333");
  EXPECT_EQ(StateFileNumber(123456789012345), "123456789012345");
  EXPECT_EQ(StateFileNumber(1234567890123456), "1.23456789012346E+15");
  EXPECT_EQ(StateFileNumber(1e20), "1E+20");
  EXPECT_EQ(StateFileNumber(0.0001), "0.0001");
  EXPECT_EQ(StateFileNumber(1.5e-7), "1.5E-07");
}

TEST_F(CalculatorStateTest, ATextReadBackGivesTheStateWritten) {
  CalculatorState state = After("12.5*3=R7.25-1%T");
  state.column = 40;
  const CalculatorState read = ParseCalculatorState(CalculatorStateText(state));
  EXPECT_EQ(read, state);
  EXPECT_EQ(ParseCalculatorState(CalculatorStateText(read)), state);
}

// ---- Damaged files ----------------------------------------------------------------------------

TEST_F(CalculatorStateTest, AnEmptyOrMissingFileGivesStartValues) {
  EXPECT_EQ(ParseCalculatorState(""), CalculatorState{});
  EXPECT_EQ(LoadCalculatorState(), CalculatorState{});
  EXPECT_FALSE(dir_.Exists("KELCALC.TMP"));
}

TEST_F(CalculatorStateTest, AShortFileLeavesTheRestAtStartValues) {
  const CalculatorState state = ParseCalculatorState("30,21,5\r\n0\r\n");
  CalculatorState expected;
  expected.column = 30;
  expected.first_tape_line = 21;
  expected.entry = 5;
  expected.fresh = false;
  EXPECT_EQ(state, expected);
}

TEST_F(CalculatorStateTest, WhatCannotBeReadKeepsItsStartValue) {
  const CalculatorState state = ParseCalculatorState(
      "99,0,NaN,1E+999\r\n"
      "x,-1,inf,500\r\n"
      "\"unterminated,\"%\"\r\n"
      "nan,2,-3,\"++\"\r\n"
      "7.5,-1,2.5,\"-\"\r\n");
  CalculatorState expected;
  expected.entering = true;
  expected.tape[0].decimal_point = true;
  expected.tape[1] = TapeLine{7.5, true, 0, '-'};
  EXPECT_EQ(state, expected);
}

TEST_F(CalculatorStateTest, FiguresAsOlderFilesWroteThemAreRead) {
  const CalculatorState state =
      ParseCalculatorState(" 1 , 22 ,.5, -.25\r\n0,0,-1,2\r\n\"R\",\"/\"\n");
  EXPECT_EQ(state.first_tape_line, 22);
  EXPECT_EQ(state.entry, 0.5);
  EXPECT_EQ(state.accumulator, -0.25);
  EXPECT_TRUE(state.decimal_point);
  EXPECT_EQ(state.decimals, 2);
  EXPECT_EQ(state.last_key, "R");
  EXPECT_EQ(state.pending, "/");
}

TEST_F(CalculatorStateTest, ReadingStopsAtTheTwentySecondTapeRecord) {
  std::string text = "1,1,0,0\r\n0,0,0,0\r\n\"\",\"\"\r\n";
  for (int i = 1; i <= 30; ++i) text += std::to_string(i) + ",0,0,\"+\"\r\n";
  const CalculatorState state = ParseCalculatorState(text);
  EXPECT_EQ(state.tape[0].value, 1);
  EXPECT_EQ(state.tape[21].value, 22);
}

TEST_F(CalculatorStateTest, ABinaryOrHugeFileNeverCrashes) {
  std::string junk(200000, '\0');
  for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919) % 256);
  ParseCalculatorState(junk);
  dir_.Write("KELCALC.TMP", std::string(3 << 20, ','));
  EXPECT_EQ(LoadCalculatorState(), CalculatorState{});
}

TEST_F(CalculatorStateTest, SomethingOtherThanAFileIsNotRead) {
  KEL_POSIX_ONLY("a FIFO");
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((dir_ / "KELCALC.TMP").c_str(), 0600), 0);
  EXPECT_EQ(LoadCalculatorState(), CalculatorState{});  // and does not wait for a writer
  std::filesystem::remove(dir_ / "KELCALC.TMP");
  std::filesystem::create_directory(dir_ / "KELCALC.TMP");
  EXPECT_EQ(LoadCalculatorState(), CalculatorState{});
  EXPECT_FALSE(SaveCalculatorState(After("5")));
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "KELCALC.TMP"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"KELCALC.TMP"});
#endif
}

// ---- Saving through a new file ----------------------------------------------------------------

TEST_F(CalculatorStateTest, SavingReplacesTheFileAndLeavesNothingElse) {
  ASSERT_TRUE(SaveCalculatorState(After("5")));
  ASSERT_TRUE(SaveCalculatorState(After("7+")));
  EXPECT_EQ(LoadCalculatorState(), After("7+"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"KELCALC.TMP"});
}

TEST_F(CalculatorStateTest, ALinkInPlaceOfTheFileIsReplacedNotFollowed) {
  KEL_POSIX_ONLY("symbolic links");
#ifndef _WIN32
  dir_.Write("elsewhere", "precious");
  std::filesystem::create_symlink(dir_ / "elsewhere", dir_ / "KELCALC.TMP");
  ASSERT_TRUE(SaveCalculatorState(After("5")));
  EXPECT_EQ(dir_.Read("elsewhere"), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(dir_ / "KELCALC.TMP"));
  EXPECT_EQ(LoadCalculatorState(), After("5"));
#endif
}

TEST_F(CalculatorStateTest, AReadOnlyStateFileIsLeftAlone) {
  ASSERT_TRUE(SaveCalculatorState(After("5")));
  const std::string before = dir_.Read("KELCALC.TMP");
  std::filesystem::permissions(dir_ / "KELCALC.TMP", std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::group_read);
  EXPECT_FALSE(SaveCalculatorState(After("7")));
  EXPECT_EQ(dir_.Read("KELCALC.TMP"), before);
  EXPECT_EQ(Entries(), std::vector<std::string>{"KELCALC.TMP"});
}

TEST_F(CalculatorStateTest, AFailedSaveKeepsTheOldTape) {
  KEL_POSIX_ONLY("a directory's permission bits and a second user");
#ifndef _WIN32
  ASSERT_TRUE(SaveCalculatorState(After("5+")));
  const std::string before = dir_.Read("KELCALC.TMP");
  namespace fs = std::filesystem;
  // The user may read the directory but not write in it; root is played by "nobody".
  fs::permissions(dir_.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                   fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
  bool saved = true;
  if (::geteuid() != 0) {
    saved = SaveCalculatorState(After("7"));
  } else {
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr) GTEST_SKIP() << "no user nobody to play a user without rights";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const bool dropped = ::setgid(nobody->pw_gid) == 0 && ::setuid(nobody->pw_uid) == 0;
      ::_exit(!dropped ? 2 : SaveCalculatorState(After("7")) ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 2);
    saved = WEXITSTATUS(status) == 1;
  }
  fs::permissions(dir_.path(), fs::perms::owner_all);
  EXPECT_FALSE(saved);
  EXPECT_EQ(dir_.Read("KELCALC.TMP"), before);
  EXPECT_EQ(Entries(), std::vector<std::string>{"KELCALC.TMP"});
#endif
}

TEST_F(CalculatorStateTest, TwoSessionsSavingAtOnceLeaveOneWholeState) {
  KEL_POSIX_ONLY("fork");
#ifndef _WIN32
  const CalculatorState first = After("1111+2222=");
  const CalculatorState second = After("3.5*4T=");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  const CalculatorState& mine = child == 0 ? first : second;
  bool all_saved = true;
  for (int i = 0; i < 40; ++i) {
    all_saved = SaveCalculatorState(mine) && all_saved;
    const CalculatorState seen = LoadCalculatorState();
    all_saved = (seen == first || seen == second) && all_saved;
  }
  if (child == 0) ::_exit(all_saved ? 0 : 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(all_saved);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const std::string text = dir_.Read("KELCALC.TMP");
  EXPECT_TRUE(text == CalculatorStateText(first) || text == CalculatorStateText(second));
  EXPECT_EQ(Entries(), std::vector<std::string>{"KELCALC.TMP"});
#endif
}

}  // namespace
}  // namespace kel
