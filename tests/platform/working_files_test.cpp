// Working files claimed by the toolkit: removed at the end of the process, cut back when
// they belong to a caller's stack, and recognised as in use or stale by other processes.
#include "platform/working_files.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
  temp_.Write("WinPush.tmp", "old");
  ASSERT_TRUE(ClaimWorkingFile(temp_ / "WinPush.tmp"));
  std::filesystem::remove(temp_ / "WinPush.tmp");
  temp_.Write("WinPush.tmp", "someone else's");
  EndWorkingFiles();
  EXPECT_EQ(temp_.Read("WinPush.tmp"), "someone else's");
}

TEST_F(WorkingFilesTest, LinksAndMissingFilesAreNotClaimed) {
  temp_.Write("target", "keep me");
  std::filesystem::create_symlink(temp_ / "target", temp_ / "WinPush.tmp");
  EXPECT_FALSE(ClaimWorkingFile(temp_ / "WinPush.tmp"));
  EXPECT_FALSE(ClaimWorkingFile(temp_ / "Browse.tmp"));
  EndWorkingFiles();
  EXPECT_TRUE(temp_.Exists("target"));
}

TEST_F(WorkingFilesTest, AFileIsInUseWhileARunningProcessClaimsIt) {
  temp_.Write("WinPush.tmp", "stack");
  EXPECT_FALSE(WorkingFileInUse(temp_ / "WinPush.tmp"));
  EXPECT_FALSE(WorkingFileInUse(temp_ / "missing.tmp"));

  // Another process claims it and waits for a word on a pipe before it ends.
  int go[2];
  int ready[2];
  ASSERT_EQ(::pipe(go), 0);
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    char byte = ClaimWorkingFile(temp_ / "WinPush.tmp") ? 'y' : 'n';
    if (::write(ready[1], &byte, 1) != 1) ::_exit(2);
    if (::read(go[0], &byte, 1) != 1) ::_exit(3);
    ::_exit(0);  // without its clean-ups, as a process that is killed
  }
  char answer = 0;
  ASSERT_EQ(::read(ready[0], &answer, 1), 1);
  EXPECT_EQ(answer, 'y');
  EXPECT_TRUE(WorkingFileInUse(temp_ / "WinPush.tmp"));
  ASSERT_EQ(::write(go[1], "x", 1), 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  // Left behind by a process that no longer runs.
  EXPECT_TRUE(temp_.Exists("WinPush.tmp"));
  EXPECT_FALSE(WorkingFileInUse(temp_ / "WinPush.tmp"));
  for (int end : {go[0], go[1], ready[0], ready[1]}) ::close(end);

  // This process's own claim counts too.
  ASSERT_TRUE(ClaimWorkingFile(temp_ / "WinPush.tmp"));
  EXPECT_TRUE(WorkingFileInUse(temp_ / "WinPush.tmp"));
}

}  // namespace
}  // namespace kel::platform
