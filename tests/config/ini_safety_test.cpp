#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "config/ini.h"
#include "config/ini_companions.h"
#include "platform/random.h"
#include "support/temp_dir.h"

namespace kel {
namespace {

constexpr std::string_view kSettings = "[A]\r\nk=1\r\n";

// Runs a write in a child process as an unprivileged user (the tests may run as root, whom
// file permissions do not stop); false when the child could not run it.
bool RunUnprivileged(const std::function<void()>& write) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0) {
      const passwd* nobody = getpwnam("nobody");
      if (!nobody || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)
        _exit(3);
    }
    write();
    _exit(0);
  }
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::set<std::string> Entries(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) names.insert(entry.path().filename());
  return names;
}

TEST(IniWriteSafety, TemporaryFileThatCannotBeCreatedLeavesTheTargetAlone) {
  testing::TempDir dir;
  dir.Write("ro/t.ini", kSettings);
  chmod(dir.path().c_str(), 0755);
  chmod((dir / "ro").c_str(), 0555);
  if (geteuid() == 0 && getpwnam("nobody") == nullptr) GTEST_SKIP() << "there is no user nobody";
  ASSERT_TRUE(RunUnprivileged([&] { WriteIniKey(dir / "ro/t.ini", "A", "k", "2"); }));
  EXPECT_EQ(dir.Read("ro/t.ini"), kSettings);
  EXPECT_EQ(Entries(dir / "ro"), std::set<std::string>{"t.ini"});
}

TEST(IniWriteSafety, TargetThatCannotBeReadIsNotReplaced) {
  testing::TempDir dir;
  dir.Write("rw/t.ini", kSettings);
  chmod(dir.path().c_str(), 0755);
  chmod((dir / "rw").c_str(), 0777);
  chmod((dir / "rw/t.ini").c_str(), 0222);
  if (geteuid() == 0 && getpwnam("nobody") == nullptr) GTEST_SKIP() << "there is no user nobody";
  ASSERT_TRUE(RunUnprivileged([&] { WriteIniKey(dir / "rw/t.ini", "A", "x", "2"); }));
  chmod((dir / "rw/t.ini").c_str(), 0644);
  EXPECT_EQ(dir.Read("rw/t.ini"), kSettings);
  EXPECT_EQ(Entries(dir / "rw"), (std::set<std::string>{"t.ini", ".T.INI.lck"}));
}

// Read-only settings cannot be deleted, so a write leaves them as they were and keeps them
// read-only, whoever runs it.
TEST(IniWriteSafety, ReadOnlyTargetIsLeftAsItWas) {
  testing::TempDir dir;
  dir.Write("t.ini", kSettings);
  chmod((dir / "t.ini").c_str(), 0444);
  WriteIniKey(dir / "t.ini", "A", "k", "2");
  WriteIniKey(dir / "t.ini", "A", "", "");
  struct stat info {};
  ASSERT_EQ(stat((dir / "t.ini").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0444u);
  EXPECT_EQ(dir.Read("t.ini"), kSettings);
  EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"t.ini", ".T.INI.lck"}));
}

// In a sticky directory nobody may replace root's file: the write retries, then gives up and
// removes its temporary file instead of looping for ever.
TEST(IniWriteSafety, ReplaceThatKeepsFailingGivesUp) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to own a file that another user cannot replace";
  testing::TempDir dir;
  dir.Write("sticky/t.ini", kSettings);
  chmod(dir.path().c_str(), 0755);
  chmod((dir / "sticky").c_str(), 01777);
  if (geteuid() == 0 && getpwnam("nobody") == nullptr) GTEST_SKIP() << "there is no user nobody";
  ASSERT_TRUE(RunUnprivileged([&] { WriteIniKey(dir / "sticky/t.ini", "A", "k", "2"); }));
  EXPECT_EQ(dir.Read("sticky/t.ini"), kSettings);
  EXPECT_EQ(Entries(dir / "sticky"), (std::set<std::string>{"t.ini", ".T.INI.lck"}));
}

// Entries planted under the rewrite files' names are never followed or written; as they bear
// the names of this file's rewrites, the lock holder clears them away as abandoned (a link
// itself, never its target).
TEST(IniWriteSafety, EntriesHoldingTheDrawnNamesAreNeverOpened) {
  testing::TempDir dir;
  const std::string target = dir / "t.ini";
  platform::FixRandomDraws(1234);
  const std::string link = platform::NativePath(ini::DrawRewriteName(target)),
                    dangling = platform::NativePath(ini::DrawRewriteName(target)),
                    file = platform::NativePath(ini::DrawRewriteName(target));
  platform::FixRandomDraws(1234);
  dir.Write("victim", "victim\r\n");
  dir.Write(std::filesystem::path(file).filename().string(), "keep");
  ASSERT_EQ(symlink((dir / "victim").c_str(), link.c_str()), 0);
  ASSERT_EQ(symlink((dir / "ghost").c_str(), dangling.c_str()), 0);

  WriteIniKey(target, "A", "k", "v");
  platform::FixRandomDraws(0);

  EXPECT_EQ(dir.Read("t.ini"), "[A]\r\nk=v\r\n");
  EXPECT_EQ(dir.Read("victim"), "victim\r\n");
  EXPECT_FALSE(dir.Exists("ghost"));
  EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"t.ini", ".T.INI.lck", "victim"}));
}

}  // namespace
}  // namespace kel
