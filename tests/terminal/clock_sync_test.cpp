#include "terminal/clock_sync.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <string>

#include "platform/environment.h"
#include "platform/process.h"
#ifndef _WIN32
#include "support/other_user.h"
#endif
#include "support/posix_only.h"
#include "terminal_fixture.h"

namespace kel {
namespace {

class ClockSyncTest : public testing::TerminalFixture {
 protected:
  bool ProbeLeftBehind() const {
    for (const auto& entry : std::filesystem::directory_iterator(root_.path())) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("tim", 0) == 0 || name.rfind("TIM", 0) == 0) return true;
    }
    return false;
  }
};

TEST_F(ClockSyncTest, StampSetsDateAndTime) {
  SetClockFromStamp("20270315093005");
  ASSERT_EQ(clock_changes_.size(), 1u);
  const platform::CalendarTime& set = clock_changes_[0];
  EXPECT_EQ(set.year, 2027);
  EXPECT_EQ(set.month, 3);
  EXPECT_EQ(set.day, 15);
  EXPECT_EQ(set.hour, 9);
  EXPECT_EQ(set.minute, 30);
  EXPECT_EQ(set.second, 5);
}

TEST_F(ClockSyncTest, StampOf2018OrEarlierChangesNothing) {
  SetClockFromStamp("20181231235959");
  SetClockFromStamp("19991231235959");
  SetClockFromStamp("");
  EXPECT_TRUE(clock_changes_.empty());
  SetClockFromStamp("20190101000000");
  EXPECT_EQ(clock_changes_.size(), 1u);
}

TEST_F(ClockSyncTest, SwitchKeepsTheClock) {
  testing::ScopedEnv off("KEL_NO_CLOCK_SYNC", "1");
  SetClockFromStamp("20270315093005");
  SyncClockWithServer();
  EXPECT_TRUE(clock_changes_.empty());
  EXPECT_FALSE(ProbeLeftBehind());
}

TEST_F(ClockSyncTest, ServerTimeOfTheProbeIsSetAndTheProbeRemoved) {
  const platform::CalendarTime before = platform::LocalTime();

  SyncClockWithServer();

  ASSERT_EQ(clock_changes_.size(), 1u);
  EXPECT_GE(clock_changes_[0].year, before.year);
  EXPECT_EQ(clock_changes_[0].hundredths, 0);
  EXPECT_FALSE(ProbeLeftBehind());
}

TEST_F(ClockSyncTest, DirectoryWithoutRoomForTheProbeLeavesTheClockAndGoesOn) {
  KEL_POSIX_ONLY("removing the current directory");
  root_.Write("gone/.keep", "");
  ASSERT_TRUE(platform::ChangeDirectory(root_ / "gone"));
  std::filesystem::remove_all(root_ / "gone");

  SyncClockWithServer();

  EXPECT_TRUE(clock_changes_.empty());
}

// Another user of the shared root swaps the probe for a link to a directory, or for a FIFO, as
// soon as it appears. The probe is read and removed through the file made, so the directory's
// files stay and nothing hangs.
TEST_F(ClockSyncTest, ProbeSwappedForALinkOrAFifoIsNeverFollowed) {
  KEL_POSIX_ONLY("symbolic links, FIFOs and fork");
#ifndef _WIN32
  root_.Write("victim/SCRN.CFG", "screen");
  root_.Write("victim/PRINTER.CFG", "printer");
  const std::string root = root_.path();
  const pid_t swapper = fork();
  if (swapper == 0) {
    alarm(120);
    for (unsigned round = 0;; ++round) {
      DIR* directory = opendir(root.c_str());
      if (directory == nullptr) _exit(0);
      while (const dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.rfind("tim", 0) != 0) continue;
        const std::string swap = root + "/.swap";
        unlink(swap.c_str());
        if (round % 2 == 0)
          (void)!symlink((root + "/victim").c_str(), swap.c_str());
        else
          mkfifo(swap.c_str(), 0666);
        rename(swap.c_str(), (root + "/" + name).c_str());
      }
      closedir(directory);
    }
  }
  const bool finished = testing::RunsWithin(120, [] {
    for (int round = 0; round < 300; ++round) SyncClockWithServer();
    return true;
  });
  kill(swapper, SIGKILL);
  waitpid(swapper, nullptr, 0);

  EXPECT_TRUE(finished);
  EXPECT_EQ(root_.Read("victim/SCRN.CFG"), "screen");
  EXPECT_EQ(root_.Read("victim/PRINTER.CFG"), "printer");
#endif
}

}  // namespace
}  // namespace kel
