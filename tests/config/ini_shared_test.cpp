// Settings files in a directory that other users share: their locks, links and planted
// entries, and who may write. The second user is nobody (these tests skip without root).
#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "config/ini.h"
#include "config/ini_companions.h"
#include "config/kelini.h"
#include "platform/file_system.h"
#ifndef _WIN32
#include "support/other_user.h"
#endif
#include "support/temp_dir.h"
#include "support/posix_only.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSettings = "[A]\r\nk=1\r\n";

#define SKIP_WITHOUT_OTHER_USER()                                                  \
  if (const std::string missing = testing::OtherUserMissing(); !missing.empty()) \
  GTEST_SKIP() << missing

#ifndef _WIN32
struct stat StatusOf(const std::string& path) {
  struct stat info {};
  lstat(path.c_str(), &info);
  return info;
}
#endif

std::set<std::string> Entries(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.insert(entry.path().filename().string());
  return names;
}

int Kelini(const std::vector<std::string>& arguments, std::string* err = nullptr) {
  std::string out, messages;
  const int code = RunKelini(arguments, out, messages);
  if (err) *err = messages;
  return code;
}

#ifndef _WIN32
// A directory every user may write, inside a test directory every user may enter.
std::string SharedDirectory(const testing::TempDir& dir) {
  chmod(dir.path().c_str(), 0755);
  const std::string shared = dir / "shared";
  mkdir(shared.c_str(), 0777);
  chmod(shared.c_str(), 0777);
  return shared;
}
#endif

// ---- The lock ----

// A lock file the writer cannot open for writing (another user's, or planted read-only)
// stops the write: going ahead without the lock loses other writers' keys.
TEST(IniSharedLock, LockThatCannotBeTakenFailsTheWrite) {
  KEL_POSIX_ONLY("a second user and permission bits");
#ifndef _WIN32
  SKIP_WITHOUT_OTHER_USER();
  testing::TempDir dir;
  const std::string shared = SharedDirectory(dir);
  for (const mode_t lock_mode : {0644, 0600, 0444}) {
    testing::Plant(shared + "/t.ini", kSettings);
    chmod((shared + "/t.ini").c_str(), 0666);
    testing::Plant(shared + "/.t.ini.lck", "");
    chmod((shared + "/.t.ini.lck").c_str(), lock_mode);
    const int code = testing::RunAsOtherUser([&] {
      std::string err;
      const int exit_code = Kelini({shared + "/t.ini", "A", "k", "2"}, &err);
      return err.find("bloquejar") != std::string::npos ? exit_code : 100;
    });
    EXPECT_EQ(code, kKeliniNotWritten) << std::oct << lock_mode;
    EXPECT_EQ(testing::Slurp(shared + "/t.ini"), kSettings) << std::oct << lock_mode;
    fs::remove(shared + "/.t.ini.lck");
  }
#endif
}

// In a directory shared through its group, with the usual umask 022, a lock made by one member
// must still be open to the others: it takes the settings file's group and write bits.
TEST(IniSharedLock, EveryoneWhoMayWriteTheFileMayTakeItsLock) {
  KEL_POSIX_ONLY("groups and permission bits");
#ifndef _WIN32
  SKIP_WITHOUT_OTHER_USER();
  testing::TempDir dir;
  chmod(dir.path().c_str(), 0755);
  const std::string shared = dir / "group";
  mkdir(shared.c_str(), 0775);
  ASSERT_EQ(chown(shared.c_str(), 0, testing::OtherGroupId()), 0);
  chmod(shared.c_str(), 02775);
  testing::Plant(shared + "/t.ini", kSettings);
  ASSERT_EQ(chown((shared + "/t.ini").c_str(), 0, testing::OtherGroupId()), 0);
  chmod((shared + "/t.ini").c_str(), 0664);
  const mode_t old_mask = umask(022);
  WriteIniKey(shared + "/t.ini", "A", "root", "1");
  umask(old_mask);

  const std::string lock = shared + "/" + fs::path(ini::LockFileName(shared + "/t.ini")).filename().string();
  const struct stat info = StatusOf(lock);
  EXPECT_EQ(info.st_gid, testing::OtherGroupId());
  EXPECT_EQ(info.st_mode & 0060, 0060u);
  EXPECT_EQ(testing::RunAsOtherUser([&] { return Kelini({shared + "/t.ini", "A", "member", "2"}); }), 0);
  EXPECT_EQ(ReadIniKey(shared + "/t.ini", "A", "root"), "1");
  EXPECT_EQ(ReadIniKey(shared + "/t.ini", "A", "member"), "2");
  EXPECT_EQ(StatusOf(shared + "/t.ini").st_mode & 0777, 0664u);
  EXPECT_EQ(StatusOf(shared + "/t.ini").st_gid, testing::OtherGroupId());
#endif
}

// Root and another member of the group write the same file at once, with the usual umask:
// every key reported written is in the file at the end.
TEST(IniSharedLock, TwoUsersWritingAtOnceLoseNothing) {
  KEL_POSIX_ONLY("a second user (nobody)");
#ifndef _WIN32
  SKIP_WITHOUT_OTHER_USER();
  testing::TempDir dir;
  chmod(dir.path().c_str(), 0755);
  const std::string shared = dir / "group";
  mkdir(shared.c_str(), 0775);
  ASSERT_EQ(chown(shared.c_str(), 0, testing::OtherGroupId()), 0);
  chmod(shared.c_str(), 02775);
  testing::Plant(shared + "/t.ini", kSettings);
  ASSERT_EQ(chown((shared + "/t.ini").c_str(), 0, testing::OtherGroupId()), 0);
  chmod((shared + "/t.ini").c_str(), 0664);
  const mode_t old_mask = umask(022);
  constexpr int kWrites = 40;
  const auto write_keys = [&](const std::string& who) {
    int written = 0;
    for (int i = 0; i < kWrites; ++i)
      written += Kelini({shared + "/t.ini", "A", who + std::to_string(i), "1"}) == kKeliniDone;
    return written;
  };
  const pid_t other = fork();
  if (other == 0) _exit(testing::RunAsOtherUser([&] { return write_keys("nobody"); }, 120) == kWrites ? 0 : 1);
  const int root_written = write_keys("root");
  int status = 0;
  waitpid(other, &status, 0);
  umask(old_mask);

  EXPECT_EQ(root_written, kWrites);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int i = 0; i < kWrites; ++i) {
    EXPECT_EQ(ReadIniKey(shared + "/t.ini", "A", "root" + std::to_string(i)), "1") << i;
    EXPECT_EQ(ReadIniKey(shared + "/t.ini", "A", "nobody" + std::to_string(i)), "1") << i;
  }
#endif
}

// "s.ini", "S.INI" and "s.ini " name one file, so they must queue on one lock.
TEST(IniSharedLock, EverySpellingOfAFileMeetsOneLock) {
  testing::TempDir dir;
  WriteIniKey(dir / "s.ini", "A", "one", "1");
  WriteIniKey(dir / "S.INI", "A", "two", "2");
  WriteIniKey(dir / "s.ini ", "A", "three", "3");
  WriteIniKey(dir.path() + "/./S.ini..", "A", "four", "4");
  int locks = 0;
  for (const std::string& name : Entries(dir.path())) locks += name.size() > 4 && name.substr(name.size() - 4) == ".lck";
  EXPECT_EQ(locks, 1);
  EXPECT_EQ(dir.Read("s.ini"), "[A]\r\none=1\r\ntwo=2\r\nthree=3\r\nfour=4\r\n");
}

// A holder that never lets go (a stopped writer) makes writers fail after a few seconds with a
// message, instead of hanging them, the start of a session included.
TEST(IniSharedLock, StoppedHolderMakesTheWriteFailAfterABoundedWait) {
  KEL_POSIX_ONLY("a holder stopped by a signal");
#ifndef _WIN32
  testing::TempDir dir;
  dir.Write("s.ini", kSettings);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    const platform::FileHandle lock =
        platform::OpenLockFile(ini::LockFileName(dir / "s.ini"), dir / "s.ini");
    const bool locked = lock != platform::kNoFile && platform::LockWholeFile(lock);
    (void)!write(ready[1], locked ? "y" : "n", 1);
    raise(SIGSTOP);
    _exit(0);
  }
  char answer = 0;
  ASSERT_EQ(read(ready[0], &answer, 1), 1);
  close(ready[0]);
  close(ready[1]);
  ASSERT_EQ(answer, 'y');

  std::string err;
  const auto start = std::chrono::steady_clock::now();
  const int code = Kelini({dir / "S.INI ", "A", "k", "2"}, &err);
  const auto waited = std::chrono::steady_clock::now() - start;
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);

  EXPECT_EQ(code, kKeliniNotWritten);
  EXPECT_NE(err.find("bloquejat"), std::string::npos) << err;
  EXPECT_GE(waited, std::chrono::seconds(4));
  EXPECT_LT(waited, std::chrono::seconds(30));
  EXPECT_EQ(dir.Read("s.ini"), kSettings);
  EXPECT_EQ(Kelini({dir / "s.ini", "A", "k", "3"}), kKeliniDone);  // the holder is gone
#endif
}

// ---- Links ----

// A dangling link planted at the lock's name would make the writer create its target.
TEST(IniSharedLinks, LinkAtTheLockIsNeverFollowed) {
  KEL_POSIX_ONLY("symbolic links");
#ifndef _WIN32
  testing::TempDir dir;
  dir.Write("t.ini", kSettings);
  ASSERT_EQ(symlink((dir / "made-through-the-link").c_str(), (dir / ".t.ini.lck").c_str()), 0);
  EXPECT_EQ(Kelini({dir / "t.ini", "A", "k", "2"}), kKeliniNotWritten);
  EXPECT_FALSE(fs::exists(dir / "made-through-the-link"));
  EXPECT_TRUE(fs::is_symlink(dir / ".t.ini.lck"));
  EXPECT_EQ(dir.Read("t.ini"), kSettings);
#endif
}

// A settings file that is a link is refused: replacing it would copy its target's content
// into a file with the umask's mode, and writing through it would let whoever planted the
// link choose the file written.
TEST(IniSharedLinks, SettingsFileThatIsALinkIsRefused) {
  KEL_POSIX_ONLY("symbolic links");
#ifndef _WIN32
  testing::TempDir dir;
  dir.Write("secret.ini", "[A]\r\nsecret=yes\r\n");
  chmod((dir / "secret.ini").c_str(), 0600);
  ASSERT_EQ(symlink((dir / "secret.ini").c_str(), (dir / "t.ini").c_str()), 0);
  EXPECT_EQ(Kelini({dir / "t.ini", "A", "k", "2"}), kKeliniNotWritten);
  WriteIniKey(dir / "t.ini", "A", "", "");
  EXPECT_TRUE(fs::is_symlink(dir / "t.ini"));
  EXPECT_EQ(dir.Read("secret.ini"), "[A]\r\nsecret=yes\r\n");
  EXPECT_EQ(StatusOf(dir / "secret.ini").st_mode & 0777, 0600u);
#endif
}

// ---- The rewrite file ----

// While it is written, the rewrite file of a private settings file is as private as the file;
// a writer killed in the middle leaves it, and the next writer clears it away.
TEST(IniSharedRewrite, RewriteFileIsNeverMoreOpenThanTheTargetAndIsClearedWhenAbandoned) {
  KEL_POSIX_ONLY("permission bits and the umask");
#ifndef _WIN32
  testing::TempDir dir;
  std::string big = "[A]\r\n";
  for (int i = 0; big.size() < 96u << 20; ++i) big += "key" + std::to_string(i) + "=" + std::string(40, 'v') + "\r\n";
  dir.Write("t.ini", big);
  chmod((dir / "t.ini").c_str(), 0600);
  const mode_t old_mask = umask(022);
  const pid_t writer = fork();
  if (writer == 0) {
    WriteIniKey(dir / "t.ini", "A", "last", "1");
    _exit(0);
  }
  umask(old_mask);
  std::string rewrite;
  mode_t seen_mode = 0;
  while (rewrite.empty() && waitpid(writer, nullptr, WNOHANG) == 0) {
    for (const std::string& name : Entries(dir.path()))
      if (name.size() > 4 && name.substr(name.size() - 4) == ".tmp") rewrite = name;
    if (!rewrite.empty()) {
      kill(writer, SIGSTOP);
      seen_mode = StatusOf(dir / rewrite).st_mode & 0777;
    }
  }
  kill(writer, SIGKILL);
  waitpid(writer, nullptr, 0);
  ASSERT_FALSE(rewrite.empty()) << "the writer finished before its rewrite file was seen";
  EXPECT_EQ(seen_mode & 0077, 0u) << std::oct << seen_mode;
  ASSERT_TRUE(dir.Exists(rewrite));  // killed before its rename

  dir.Write("12345678.tmp", "another program's file");
  WriteIniKey(dir / "t.ini", "A", "k", "2");
  EXPECT_FALSE(dir.Exists(rewrite));
  EXPECT_TRUE(dir.Exists("12345678.tmp"));
  EXPECT_EQ(ReadIniKey(dir / "t.ini", "A", "k"), "2");
  EXPECT_EQ(StatusOf(dir / "t.ini").st_mode & 0777, 0600u);
#endif
}

// ---- Who may write ----

// A user who may not write a settings file does not replace it through its directory.
TEST(IniSharedOwners, UserWithoutWritePermissionDoesNotRewriteTheFile) {
  KEL_POSIX_ONLY("a second user (nobody)");
#ifndef _WIN32
  SKIP_WITHOUT_OTHER_USER();
  testing::TempDir dir;
  const std::string shared = SharedDirectory(dir);
  testing::Plant(shared + "/t.ini", kSettings);
  chmod((shared + "/t.ini").c_str(), 0644);
  EXPECT_EQ(testing::RunAsOtherUser([&] { return Kelini({shared + "/t.ini", "A", "k", "2"}); }),
            kKeliniNotWritten);
  EXPECT_EQ(testing::Slurp(shared + "/t.ini"), kSettings);
  EXPECT_EQ(StatusOf(shared + "/t.ini").st_uid, 0u);
#endif
}

// Root rewriting a user's settings file leaves it the user's.
TEST(IniSharedOwners, RootKeepsTheFilesOwner) {
  KEL_POSIX_ONLY("file owners");
#ifndef _WIN32
  SKIP_WITHOUT_OTHER_USER();
  testing::TempDir dir;
  const std::string shared = SharedDirectory(dir);
  testing::Plant(shared + "/t.ini", kSettings);
  ASSERT_EQ(chown((shared + "/t.ini").c_str(), testing::OtherUserId(), testing::OtherGroupId()), 0);
  chmod((shared + "/t.ini").c_str(), 0640);
  WriteIniKey(shared + "/t.ini", "A", "k", "2");
  EXPECT_EQ(ReadIniKey(shared + "/t.ini", "A", "k"), "2");
  const struct stat info = StatusOf(shared + "/t.ini");
  EXPECT_EQ(info.st_uid, testing::OtherUserId());
  EXPECT_EQ(info.st_gid, testing::OtherGroupId());
  EXPECT_EQ(info.st_mode & 0777, 0640u);
#endif
}

// ---- Only regular files ----

TEST(IniSharedEntries, FifoOrDeviceAsSettingsFileNeitherHangsNorGrows) {
  KEL_POSIX_ONLY("FIFOs and /dev/zero");
#ifndef _WIN32
  testing::TempDir dir;
  ASSERT_EQ(mkfifo((dir / "fifo.ini").c_str(), 0666), 0);
  ASSERT_EQ(symlink("/dev/zero", (dir / "zero.ini").c_str()), 0);
  EXPECT_TRUE(testing::RunsWithin(20, [&] {
    for (const char* name : {"fifo.ini", "zero.ini"}) {
      if (!ReadIniKey(dir / name, "A", "k").empty()) return false;
      WriteIniKey(dir / name, "A", "k", "2");
      if (Kelini({dir / name, "A", "k", "2"}) != kKeliniNotWritten) return false;
    }
    return true;
  }));
  EXPECT_EQ(StatusOf(dir / "fifo.ini").st_mode & S_IFMT, static_cast<mode_t>(S_IFIFO));
  EXPECT_TRUE(fs::is_symlink(dir / "zero.ini"));
#endif
}

// A line of megabytes is not a settings line: the file is not read or rewritten.
TEST(IniSharedEntries, OverlongLineIsRefused) {
  testing::TempDir dir;
  const std::string text = "[A]\r\nk=1\r\nx=" + std::string(3u << 20, 'x') + "\r\n[B]\r\nb=2\r\n";
  dir.Write("t.ini", text);
  EXPECT_EQ(ReadIniKey(dir / "t.ini", "A", "k"), "1");  // found before the long line
  EXPECT_EQ(ReadIniKey(dir / "t.ini", "B", "b"), "");
  EXPECT_EQ(Kelini({dir / "t.ini", "B", "b", "3"}), kKeliniNotWritten);
  EXPECT_EQ(dir.Read("t.ini"), text);
}

#ifndef _WIN32
// The process's peak resident memory (VmHWM), in kilobytes.
long PeakResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

// Holding the run would take over 96 MB; the sanitizer's bookkeeping adds some of its own.
#ifdef __SANITIZE_ADDRESS__
constexpr long kGrowthLimitKilobytes = 64 * 1024;
#else
constexpr long kGrowthLimitKilobytes = 24 * 1024;
#endif
#endif

// A file ending in a long run of comment lines is streamed: the lines that wait for a possible
// new entry in front of them are not all held in memory.
TEST(IniSharedEntries, LongTrailingCommentsAreStreamed) {
  KEL_POSIX_ONLY("fork and /proc/self");
#ifndef _WIN32
  testing::TempDir dir;
  {
    std::ofstream out(dir / "t.ini", std::ios::binary);
    out << "[A]\r\nk=1\r\n";
    const std::string comments = [] {
      std::string run;
      while (run.size() < (1u << 20)) run += "; a comment line of the settings file\r\n";
      return run;
    }();
    for (int i = 0; i < 96; ++i) out << comments;
  }
  const pid_t writer = fork();
  if (writer == 0) {
    // The peak is counted from here: whatever the test process held before does not count.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = PeakResidentKilobytes();
    WriteIniKey(dir / "t.ini", "B", "new", "2");
    _exit(PeakResidentKilobytes() - before < kGrowthLimitKilobytes ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(writer, &status, 0), writer);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadIniKey(dir / "t.ini", "B", "new"), "2");
  std::ifstream in(dir / "t.ini", std::ios::binary);
  std::string head(40, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  EXPECT_EQ(head.substr(0, 33), "[A]\r\nk=1\r\n[B]\r\nnew=2\r\n; a comment");
  EXPECT_GT(fs::file_size(dir / "t.ini"), 96u << 20);
#endif
}

// Lines read again from the old file get their CRLF like every other line.
TEST(IniSharedEntries, StreamedCommentsKeepEveryLineWithCrLf) {
  testing::TempDir dir;
  std::string comments, expected;
  for (int i = 0; comments.size() < (3u << 20); ++i) {
    const std::string line = i % 3 == 0 ? "" : "; note " + std::to_string(i);
    comments += line + (i % 2 ? "\n" : "\r\n");
    expected += line + "\r\n";
  }
  dir.Write("t.ini", "[A]\nk=1\n" + comments + "; last line without an end");
  WriteIniKey(dir / "t.ini", "A", "j", "2");
  EXPECT_EQ(dir.Read("t.ini"), "[A]\r\nk=1\r\nj=2\r\n" + expected + "; last line without an end\r\n");

  // A long run between settings keeps its place among them.
  dir.Write("u.ini", "[A]\r\nk=1\r\n" + comments + "[B]\r\nb=1\r\n" + comments + "x\r\n");
  WriteIniKey(dir / "u.ini", "C", "c", "3");
  EXPECT_EQ(dir.Read("u.ini"), "[A]\r\nk=1\r\n" + expected + "[B]\r\nb=1\r\n" + expected + "x\r\n[C]\r\nc=3\r\n");
}

// ---- kelini ----

TEST(IniSharedKelini, SectionDeleteThatDidNotHappenExitsOne) {
  testing::TempDir dir;
  dir.Write("t.ini", kSettings);
  ASSERT_TRUE(platform::SetEntryAttributes(dir / "t.ini", platform::kReadOnly));
  EXPECT_EQ(Kelini({dir / "t.ini", "A", "", ""}), kKeliniNotWritten);
  ASSERT_TRUE(platform::SetEntryAttributes(dir / "t.ini", 0));
  EXPECT_EQ(Kelini({dir / "t.ini", "A", "", ""}), kKeliniDone);
  EXPECT_EQ(dir.Read("t.ini"), "");
}

}  // namespace
}  // namespace kel
