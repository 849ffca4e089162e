// Working files claimed by the toolkit: removed at the end of the process, cut back when
// they belong to a caller's stack, and recognised as in use or stale by other processes.
#include "platform/working_files.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/process.h"
#include "support/child_program.h"
#include "support/posix_only.h"
#include "support/temp_dir.h"

namespace kel::platform {
namespace {

class WorkingFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetWorkingFiles(); }
  void TearDown() override { ResetWorkingFiles(); }
  testing::TempDir temp_;
};

TEST_F(WorkingFilesTest, ClaimedFilesAreRemovedAtTheEndAndReleasedOnesAreKept) {
  temp_.Write("WinPush.tmp", "stack");
  temp_.Write("Browse.tmp", "rows");
  ASSERT_TRUE(ClaimWorkingFile(temp_ / "WinPush.tmp"));
  ASSERT_TRUE(ClaimWorkingFile(temp_ / "Browse.tmp"));
  EXPECT_TRUE(ClaimWorkingFile(temp_ / "Browse.tmp"));  // again: nothing changes
  ReleaseWorkingFile(temp_ / "Browse.tmp");
  EndWorkingFiles();
  EXPECT_FALSE(temp_.Exists("WinPush.tmp"));
  EXPECT_TRUE(temp_.Exists("Browse.tmp"));
}

TEST_F(WorkingFilesTest, SharedFileIsCutBackToWhatItsOwnerHad) {
  temp_.Write("WinPush.tmp", "HEADcallerrecordsOURRECORDS");
  ASSERT_TRUE(ClaimSharedWorkingFile(temp_ / "WinPush.tmp", 17, "head"));
  EndWorkingFiles();
  EXPECT_EQ(temp_.Read("WinPush.tmp"), "headcallerrecords");
}

TEST_F(WorkingFilesTest, OnlyTheFileClaimedIsRemovedNotOneThatTookItsName) {
  KEL_POSIX_ONLY("a name taken from a file the claim holds open");
#ifndef _WIN32
  temp_.Write("WinPush.tmp", "old");
  ASSERT_TRUE(ClaimWorkingFile(temp_ / "WinPush.tmp"));
  std::filesystem::remove(temp_ / "WinPush.tmp");
  temp_.Write("WinPush.tmp", "someone else's");
  EndWorkingFiles();
  EXPECT_EQ(temp_.Read("WinPush.tmp"), "someone else's");
#endif
}

TEST_F(WorkingFilesTest, LinksAndMissingFilesAreNotClaimed) {
  KEL_POSIX_ONLY("symbolic links");
#ifndef _WIN32
  temp_.Write("target", "keep me");
  std::filesystem::create_symlink(temp_ / "target", temp_ / "WinPush.tmp");
  EXPECT_FALSE(ClaimWorkingFile(temp_ / "WinPush.tmp"));
  EXPECT_FALSE(ClaimWorkingFile(temp_ / "Browse.tmp"));
  EndWorkingFiles();
  EXPECT_TRUE(temp_.Exists("target"));
#endif
}

constexpr const char* kClaimFlag = "--kel-claim=";

// The other process of the test below: it claims the file and runs until it is killed.
TEST(WorkingFileClaimer, ClaimsTheFile) {
  const std::string file = testing::ProgramFlag(kClaimFlag);
  if (file.empty()) GTEST_SKIP() << "run by AFileIsInUseWhileARunningProcessClaimsIt in a second process";
  const std::string answer = ClaimWorkingFile(file) ? "claimed\n" : "refused\n";
  std::fwrite(answer.data(), 1, answer.size(), stdout);
  std::fflush(stdout);
  for (;;) PauseMilliseconds(3600 * 1000);
}

TEST_F(WorkingFilesTest, AFileIsInUseWhileARunningProcessClaimsIt) {
  temp_.Write("WinPush.tmp", "stack");
  EXPECT_FALSE(WorkingFileInUse(temp_ / "WinPush.tmp"));
  EXPECT_FALSE(WorkingFileInUse(temp_ / "missing.tmp"));

  // Another process claims it and is then killed, without its clean-ups.
  testing::ChildProgram child;
  ASSERT_TRUE(child.Start(testing::SelfPath(), testing::ChildTestArguments("WorkingFileClaimer.ClaimsTheFile",
                                                                           {kClaimFlag + (temp_ / "WinPush.tmp")})));
  ASSERT_TRUE(child.WaitFor("claimed\n")) << child.output();
  EXPECT_TRUE(WorkingFileInUse(temp_ / "WinPush.tmp"));
  child.Kill();
  // Left behind by a process that no longer runs.
  EXPECT_TRUE(temp_.Exists("WinPush.tmp"));
  EXPECT_FALSE(WorkingFileInUse(temp_ / "WinPush.tmp"));

  // This process's own claim counts too.
  ASSERT_TRUE(ClaimWorkingFile(temp_ / "WinPush.tmp"));
  EXPECT_TRUE(WorkingFileInUse(temp_ / "WinPush.tmp"));
}

constexpr const char* kHangUpFlag = "--kel-hang-up-claiming=";

// The process of the test below: it claims a file, then its terminal goes.
TEST(WorkingFileHangUp, EndsAsAHangUp) {
  const std::string file = testing::ProgramFlag(kHangUpFlag);
  if (file.empty()) GTEST_SKIP() << "run by AHangUpEndsTheProcessAndRemovesItsWorkingFiles in a second process";
  ASSERT_TRUE(ClaimWorkingFile(file));
  std::fputs("claimed\n", stdout);
  std::fflush(stdout);
  EndProcessAsHangUp();
}

// A lost terminal (POSIX) or closed console (Windows) ends the process as a hang-up does, and
// its working files go with it.
TEST_F(WorkingFilesTest, AHangUpEndsTheProcessAndRemovesItsWorkingFiles) {
  temp_.Write("WinPush.tmp", "stack");
  testing::ChildProgram child;
  ASSERT_TRUE(child.Start(testing::SelfPath(), testing::ChildTestArguments("WorkingFileHangUp.EndsAsAHangUp",
                                                                           {kHangUpFlag + (temp_ / "WinPush.tmp")})));
  ASSERT_TRUE(child.WaitFor("claimed\n")) << child.output();
#ifdef _WIN32
  EXPECT_EQ(child.Wait(), 0xC000013ALL);  // STATUS_CONTROL_C_EXIT, as a closed console ends it
#else
  EXPECT_EQ(child.Wait(), 128 + SIGHUP);
#endif
  EXPECT_FALSE(temp_.Exists("WinPush.tmp"));
}

}  // namespace
}  // namespace kel::platform
