// The file-system calls for shared directories, where another user may plant links and FIFOs
// or swap entries between two calls.
#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/random.h"
#include "support/child_program.h"
#ifndef _WIN32
#include "support/other_user.h"
#endif
#include "support/temp_dir.h"
#include "support/posix_only.h"

namespace kel::platform {
namespace {

namespace fs = std::filesystem;

// Names drawn by processes started at the same moment, from the same state, still differ:
// nothing of the time of day or the process decides them.
TEST(SharedRandom, ForkedProcessesDrawDifferentNumbers) {
  KEL_POSIX_ONLY("fork");
#ifndef _WIN32
  RandomBelow(10);  // whatever state a draw leaves behind is shared by both children
  std::set<std::string> drawn;
  for (int child = 0; child < 2; ++child) {
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      std::string numbers;
      for (int i = 0; i < 4; ++i) numbers += std::to_string(RandomBelow(100'000'000)) + " ";
      (void)!write(pipe_ends[1], numbers.data(), numbers.size());
      _exit(0);
    }
    close(pipe_ends[1]);
    char buffer[128] = {};
    const ssize_t got = read(pipe_ends[0], buffer, sizeof buffer - 1);
    close(pipe_ends[0]);
    waitpid(pid, nullptr, 0);
    ASSERT_GT(got, 0);
    drawn.insert(std::string(buffer, static_cast<std::size_t>(got)));
  }
  EXPECT_EQ(drawn.size(), 2u);
#endif
}

TEST(SharedRandom, FixedDrawsRepeatAndStayInRange) {
  FixRandomDraws(77);
  const std::uint32_t first = RandomBelow(36), second = RandomBelow(36);
  FixRandomDraws(77);
  EXPECT_EQ(RandomBelow(36), first);
  EXPECT_EQ(RandomBelow(36), second);
  FixRandomDraws(0);
  std::set<std::uint32_t> seen;
  for (int i = 0; i < 2000; ++i) {
    const std::uint32_t value = RandomBelow(10);
    ASSERT_LT(value, 10u);
    seen.insert(value);
  }
  EXPECT_EQ(seen.size(), 10u);
  EXPECT_EQ(RandomBelow(0), 0u);
}

// Writing never goes through a link at the name, and never waits on a FIFO.
TEST(SharedOpen, WritingOpensRegularFilesOnlyAndNeverThroughALink) {
  KEL_POSIX_ONLY("symbolic links and FIFOs");
#ifndef _WIN32
  testing::TempDir dir;
  dir.Write("victim", "precious");
  ASSERT_EQ(symlink((dir / "victim").c_str(), (dir / "link").c_str()), 0);
  ASSERT_EQ(symlink((dir / "created-through-link").c_str(), (dir / "dangling").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0666), 0);
  EXPECT_TRUE(testing::RunsWithin(20, [&] {
    for (const OpenMode mode : {OpenMode::ReadWrite, OpenMode::OpenOrCreate, OpenMode::CreateAlways}) {
      for (const char* name : {"link", "dangling", "fifo"})
        if (OpenFileHandle(dir / name, mode) != kNoFile) return false;
    }
    return OpenRegularFile(dir / "fifo", false) == kNoFile && OpenRegularFile(dir / "link", true) == kNoFile;
  }));
  EXPECT_EQ(dir.Read("victim"), "precious");
  EXPECT_FALSE(dir.Exists("created-through-link"));
  // Reading may follow a link to a regular file.
  const FileHandle read = OpenRegularFile(dir / "link", false);
  EXPECT_NE(read, kNoFile);
  CloseFile(read);
  EXPECT_EQ(KindOfEntry(dir / "link"), EntryKind::Link);
  EXPECT_EQ(KindOfEntry(dir / "fifo"), EntryKind::Other);
  EXPECT_EQ(KindOfEntry(dir / "victim"), EntryKind::File);
  EXPECT_EQ(KindOfEntry(dir / "missing"), EntryKind::Missing);
#endif
}

TEST(SharedOpen, PrivateFilesAndDirectoriesAreTheOwnersOnly) {
  KEL_POSIX_ONLY("permission bits and the umask");
#ifndef _WIN32
  testing::TempDir dir;
  const mode_t old_mask = umask(0);
  const FileHandle file = OpenFileHandle(dir / "private", OpenMode::CreatePrivate);
  const std::string first = MakePrivateDirectory(dir / "demo-");
  const std::string second = MakePrivateDirectory(dir / "demo-");
  umask(old_mask);
  ASSERT_NE(file, kNoFile);
  CloseFile(file);
  struct stat info {};
  ASSERT_EQ(stat((dir / "private").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_NE(first, "");
  EXPECT_NE(first, second);
  EXPECT_EQ(first.rfind(dir / "demo-", 0), 0u);
  ASSERT_EQ(stat(first.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
#endif
}

constexpr const char* kHolderFlag = "--kel-hold-lock=";

// The holder of the test below, in a process of its own: it takes the lock and keeps it.
TEST(SharedLockHolder, HoldsTheLock) {
  const std::string dir = testing::ProgramFlag(kHolderFlag);
  if (dir.empty()) GTEST_SKIP() << "run by WaitForALockIsBounded in a second process";
  const FileHandle lock = OpenLockFile(dir + "/.lock", dir + "/guarded");
  const std::string answer = lock != kNoFile && LockWholeFile(lock) ? "locked\n" : "refused\n";
  std::fwrite(answer.data(), 1, answer.size(), stdout);
  std::fflush(stdout);
  for (;;) PauseMilliseconds(3600 * 1000);
}

// A lock held by another process is waited for a bounded time only, and is free once its
// holder has gone.
TEST(SharedLock, WaitForALockIsBounded) {
  testing::TempDir dir;
  dir.Write("guarded", "");
  testing::ChildProgram holder;
  ASSERT_TRUE(holder.Start(testing::SelfPath(),
                           testing::ChildTestArguments("SharedLockHolder.HoldsTheLock", {kHolderFlag + dir.path()})));
  ASSERT_TRUE(holder.WaitFor("locked\n")) << holder.output();
  const FileHandle lock = OpenLockFile(dir / ".lock", dir / "guarded");
  ASSERT_NE(lock, kNoFile);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(LockWholeFileWithin(lock, 300));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  holder.Kill();
  EXPECT_TRUE(LockWholeFileWithin(lock, 300));
  CloseFile(lock);
}

// The lock file takes the guarded file's group and write bits, whatever the umask.
TEST(SharedLock, LockFileOpensToWhoeverMayWriteTheGuardedFile) {
  KEL_POSIX_ONLY("groups, permission bits and symbolic links");
#ifndef _WIN32
  testing::TempDir dir;
  dir.Write("guarded", "");
  chmod((dir / "guarded").c_str(), 0664);
  const mode_t old_mask = umask(022);
  const FileHandle lock = OpenLockFile(dir / ".lock", dir / "guarded");
  umask(old_mask);
  ASSERT_NE(lock, kNoFile);
  CloseFile(lock);
  struct stat info {};
  ASSERT_EQ(lstat((dir / ".lock").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0664u);
  ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (dir / ".planted").c_str()), 0);
  EXPECT_EQ(OpenLockFile(dir / ".planted", dir / "guarded"), kNoFile);
  EXPECT_FALSE(dir.Exists("elsewhere"));
#endif
}

// A name is removed only while it still names the file opened.
TEST(SharedRemove, RemovesTheOpenFilesNameOnly) {
  testing::TempDir dir;
  dir.Write("probe", "");
  dir.Write("other", "");
  const FileHandle file = OpenFileHandle(dir / "probe", OpenMode::Read);
  ASSERT_NE(file, kNoFile);
  ASSERT_TRUE(RenameFile(dir / "probe", dir / "moved"));
  ASSERT_TRUE(RenameFile(dir / "other", dir / "probe"));
  EXPECT_FALSE(RemoveOpenedFile(dir / "probe", file));
  EXPECT_TRUE(dir.Exists("probe"));
  CloseFile(file);
  const FileHandle same = OpenFileHandle(dir / "probe", OpenMode::Read);
  EXPECT_TRUE(RemoveOpenedFile(dir / "probe", same));
  CloseFile(same);  // Windows takes the name away once the last handle is closed
  EXPECT_FALSE(dir.Exists("probe"));
}

}  // namespace
}  // namespace kel::platform
