#include "platform/environment.h"
#include "platform/process.h"
#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/posix/posix_names.h"
#include "support/temp_dir.h"

namespace kel::platform {
namespace {

namespace fs = std::filesystem;
using ::testing::UnorderedElementsAre;

using kel::testing::Plant;
using kel::testing::Slurp;

// Each test works in a fresh directory of its own, made current while it runs.
class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kel-fs-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    previous_ = fs::current_path();
    fs::current_path(root_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
    ResetCodePageState();
  }
  fs::path root_;
  fs::path previous_;
};

// ---- Paths ----

TEST_F(FileSystemTest, TranslatesWindowsFormOfMissingPaths) {
  EXPECT_EQ(NativePath("C:\\KEL\\.\\TERM\\..\\Nuro.ini"), "/KEL/Nuro.ini");
  EXPECT_EQ(NativePath("a/b\\c\\"), "a/b/c/");
  EXPECT_EQ(NativePath("..\\x"), "../x");
  EXPECT_EQ(NativePath("\\..\\x"), "/x");
  EXPECT_EQ(NativePath("C:"), ".");
  EXPECT_EQ(NativePath("TERM\\3   \\SCRN.CFG  "), "TERM/3/SCRN.CFG");
  EXPECT_EQ(NativePath("NAME."), "NAME");
  EXPECT_EQ(NativePath(""), "");
  EXPECT_EQ(NativePath(std::string("a\0b", 3)), "");
}

TEST_F(FileSystemTest, ResolvesEveryComponentIgnoringCase) {
  Plant(root_ / "TERM/1/NuroTerm.ini", "x");
  EXPECT_EQ(NativePath("TERM\\1\\nuroterm.ini"), "TERM/1/NuroTerm.ini");
  EXPECT_EQ(NativePath("term\\1\\NUROTERM.INI"), "TERM/1/NuroTerm.ini");
  EXPECT_EQ(NativePath((root_ / "term/1/nuroterm.ini").string()), (root_ / "TERM/1/NuroTerm.ini").string());
  // Components that do not exist keep the case they were given.
  EXPECT_EQ(NativePath("term\\2\\New.INI"), "TERM/2/New.INI");
  std::string contents;
  ASSERT_TRUE(ReadWholeFile("term\\1\\NUROTERM.ini", contents));
  EXPECT_EQ(contents, "x");
}

TEST_F(FileSystemTest, PrefersTheExactNameOverOneOfAnotherCase) {
  Plant(root_ / "data.ini", "small");
  Plant(root_ / "DATA.INI", "capital");
  EXPECT_EQ(NativePath("DATA.INI"), "DATA.INI");
  EXPECT_EQ(NativePath("data.ini"), "data.ini");
}

TEST_F(FileSystemTest, MatchesAccentedNamesIgnoringCase) {
  SetBoundaryCodePage(BoundaryCodePage::Oem);
  Plant(root_ / "CATALÀ/Índex.txt", "ok");
  std::string contents;
  EXPECT_TRUE(ReadWholeFile(Cp850("català\\ÍNDEX.TXT"), contents));
  EXPECT_EQ(contents, "ok");
  EXPECT_EQ(NativePath(Cp850("català\\índex.txt")), "CATALÀ/Índex.txt");
}

TEST_F(FileSystemTest, LookupsSeeEntriesMadeOutsideThisProcess) {
  Plant(root_ / "dir/a.txt", "a");
  EXPECT_EQ(NativePath("DIR\\X.TXT"), "dir/X.TXT");
  Plant(root_ / "dir/x.txt", "x");
  EXPECT_EQ(NativePath("DIR\\X.TXT"), "dir/x.txt");
  fs::rename(root_ / "dir/x.txt", root_ / "dir/y.txt");
  EXPECT_EQ(NativePath("DIR\\X.TXT"), "dir/X.TXT");
  EXPECT_EQ(NativePath("DIR\\Y.TXT"), "dir/y.txt");
}

TEST_F(FileSystemTest, LookupsFollowChangesMadeHere) {
  fs::create_directory(root_ / "dir");
  for (int i = 0; i < 50; ++i) {
    const std::string name = "Data" + std::to_string(i) + ".txt";
    const FileHandle file = OpenFileHandle("dir\\" + name, OpenMode::CreateNew);
    ASSERT_NE(file, kNoFile);
    CloseFile(file);
    EXPECT_EQ(NativePath("DIR\\DATA" + std::to_string(i) + ".TXT"), "dir/" + name);
  }
  EXPECT_TRUE(RemoveFile("dir\\DATA7.TXT"));
  EXPECT_EQ(NativePath("dir\\data7.txt"), "dir/data7.txt");
  EXPECT_TRUE(RenameFile("dir\\data8.txt", "dir\\Other.txt"));
  EXPECT_EQ(NativePath("dir\\DATA8.TXT"), "dir/DATA8.TXT");
  EXPECT_EQ(NativePath("dir\\OTHER.TXT"), "dir/Other.txt");
  EXPECT_TRUE(MakeDirectory("dir\\Sub"));
  EXPECT_EQ(NativePath("DIR\\SUB\\"), "dir/Sub/");
  // An entry removed behind the lookups' back is not named again.
  fs::remove(root_ / "dir/Data9.txt");
  EXPECT_EQ(NativePath("dir\\DATA9.TXT"), "dir/DATA9.TXT");
}

// The worst moment for the case-insensitive lookups: another workstation adds an entry in
// another letter case while this process changes the same directory, after its look there.
// A later lookup of that name must find the entry, not create a second one.
std::string& OtherWorkstationsFile() {
  static std::string path;
  return path;
}

void OtherWorkstationCreatesItsFile() {
  if (OtherWorkstationsFile().empty()) return;
  ASSERT_EQ(std::system(("touch '" + OtherWorkstationsFile() + "'").c_str()), 0);
  OtherWorkstationsFile().clear();
}

TEST_F(FileSystemTest, EntryAddedElsewhereDuringAChangeHereIsFound) {
  fs::create_directory(root_ / "dir");
  ASSERT_TRUE(kel::testing::StampFile(root_ / "dir", 2020, 1, 1, 12, 0, 0));  // still for long
  OtherWorkstationsFile() = (root_ / "dir/REPORT.TXT").string();
  posix::SetAfterOwnChange(OtherWorkstationCreatesItsFile);
  const FileHandle mine = OpenFileHandle("dir\\notes.txt", OpenMode::CreateNew);
  ASSERT_NE(mine, kNoFile);
  CloseFile(mine);
  posix::SetAfterOwnChange(nullptr);
  ASSERT_TRUE(fs::exists(root_ / "dir/REPORT.TXT"));

  const FileHandle report = OpenFileHandle("dir\\report.txt", OpenMode::OpenOrCreate);
  ASSERT_NE(report, kNoFile);
  CloseFile(report);
  EXPECT_EQ(NativePath("dir\\report.txt"), "dir/REPORT.TXT");
  EXPECT_FALSE(fs::exists(root_ / "dir/report.txt"));
}

// Inside a bulk operation the process's own changes keep the reading, so a copy of many files
// reads the destination once; the entry added elsewhere is seen once the operation is over.
TEST_F(FileSystemTest, BulkOperationTrustsItsOwnChangesUntilItEnds) {
  fs::create_directory(root_ / "dir");
  ASSERT_TRUE(kel::testing::StampFile(root_ / "dir", 2020, 1, 1, 12, 0, 0));
  {
    const BulkDirectoryChanges bulk;
    OtherWorkstationsFile() = (root_ / "dir/REPORT.TXT").string();
    posix::SetAfterOwnChange(OtherWorkstationCreatesItsFile);
    const FileHandle mine = OpenFileHandle("dir\\notes.txt", OpenMode::CreateNew);
    ASSERT_NE(mine, kNoFile);
    CloseFile(mine);
    posix::SetAfterOwnChange(nullptr);
    EXPECT_EQ(NativePath("dir\\NOTES.TXT"), "dir/notes.txt");
  }
  EXPECT_EQ(NativePath("dir\\report.txt"), "dir/REPORT.TXT");
}

// ---- Opening ----

TEST_F(FileSystemTest, OpenModesCreateEmptyOrKeep) {
  EXPECT_EQ(OpenFileHandle("missing.txt", OpenMode::Read), kNoFile);
  EXPECT_EQ(OpenFileHandle("missing.txt", OpenMode::ReadWrite), kNoFile);

  FileHandle file = OpenFileHandle("new.txt", OpenMode::OpenOrCreate);
  ASSERT_NE(file, kNoFile);
  EXPECT_TRUE(WriteToFile(file, "hello world", 11));
  EXPECT_TRUE(CloseFile(file));

  file = OpenFileHandle("NEW.TXT", OpenMode::OpenOrCreate);
  ASSERT_NE(file, kNoFile);
  EXPECT_EQ(FileSize(file), 11);
  ASSERT_TRUE(SeekFile(file, 6));
  char buffer[16] = {};
  EXPECT_EQ(ReadFromFile(file, buffer, sizeof buffer), 5);
  EXPECT_EQ(std::string(buffer), "world");
  EXPECT_EQ(ReadFromFile(file, buffer, sizeof buffer), 0);
  EXPECT_TRUE(ResizeFile(file, 5));
  EXPECT_TRUE(CloseFile(file));
  EXPECT_EQ(Slurp(root_ / "new.txt"), "hello");

  file = OpenFileHandle("new.txt", OpenMode::CreateAlways);
  ASSERT_NE(file, kNoFile);
  EXPECT_EQ(FileSize(file), 0);
  CloseFile(file);
  EXPECT_FALSE(fs::exists(root_ / "NEW.TXT"));  // the existing entry was opened, not a second one
}

TEST_F(FileSystemTest, DirectoriesAreNotOpenedAsFiles) {
  fs::create_directory(root_ / "dir");
  EXPECT_EQ(OpenFileHandle("DIR", OpenMode::Read), kNoFile);
}

TEST_F(FileSystemTest, CreateNewNeverTouchesAnExistingFile) {
  Plant(root_ / "Taken.dat", "keep me");
  EXPECT_EQ(OpenFileHandle("taken.dat", OpenMode::CreateNew), kNoFile);
  EXPECT_EQ(OpenFileHandle("Taken.dat", OpenMode::CreateNew), kNoFile);
  EXPECT_EQ(Slurp(root_ / "Taken.dat"), "keep me");

  const FileHandle file = OpenFileHandle("fresh.dat", OpenMode::CreateNew);
  ASSERT_NE(file, kNoFile);
  CloseFile(file);
  EXPECT_TRUE(fs::exists(root_ / "fresh.dat"));
}

TEST_F(FileSystemTest, CreateNewRefusesAPlantedLink) {
  Plant(root_ / "victim.txt", "precious");
  fs::create_symlink(root_ / "victim.txt", root_ / "1234.dir");
  fs::create_symlink(root_ / "nowhere.txt", root_ / "5678.dir");
  EXPECT_EQ(OpenFileHandle("1234.dir", OpenMode::CreateNew), kNoFile);
  EXPECT_EQ(OpenFileHandle("5678.DIR", OpenMode::CreateNew), kNoFile);
  EXPECT_EQ(Slurp(root_ / "victim.txt"), "precious");
  EXPECT_FALSE(fs::exists(root_ / "nowhere.txt"));
}

// ---- Locks ----

bool LockedByAnother(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDWR);
  struct flock probe{};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  const bool locked = ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
  ::close(fd);
  return locked;
}

TEST_F(FileSystemTest, LockIsHeldUntilUnlockOrClose) {
  Plant(root_ / "record.dat", "r");
  FileHandle file = OpenFileHandle("record.dat", OpenMode::ReadWrite);
  ASSERT_NE(file, kNoFile);
  ASSERT_TRUE(LockWholeFile(file));
  EXPECT_TRUE(LockedByAnother(root_ / "record.dat"));
  EXPECT_TRUE(UnlockWholeFile(file));
  EXPECT_FALSE(LockedByAnother(root_ / "record.dat"));
  ASSERT_TRUE(LockWholeFile(file));
  CloseFile(file);
  EXPECT_FALSE(LockedByAnother(root_ / "record.dat"));

  // A handle for reading only locks too, against every writer's lock.
  file = OpenFileHandle("record.dat", OpenMode::Read);
  ASSERT_TRUE(LockWholeFile(file));
  EXPECT_TRUE(LockedByAnother(root_ / "record.dat"));
  CloseFile(file);
}

TEST_F(FileSystemTest, LockDiesWithItsHolder) {
  Plant(root_ / "record.dat", "r");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    const FileHandle file = OpenFileHandle("record.dat", OpenMode::ReadWrite);
    const char done = LockWholeFile(file) ? 'y' : 'n';
    (void)!::write(ready[1], &done, 1);
    ::pause();
    ::_exit(0);
  }
  char done = 0;
  ASSERT_EQ(::read(ready[0], &done, 1), 1);
  EXPECT_EQ(done, 'y');
  EXPECT_TRUE(LockedByAnother(root_ / "record.dat"));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_FALSE(LockedByAnother(root_ / "record.dat"));
  const FileHandle file = OpenFileHandle("record.dat", OpenMode::Read);
  EXPECT_TRUE(LockWholeFile(file));
  CloseFile(file);
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST_F(FileSystemTest, RangeLocksExcludeEachOtherPerHandle) {
  Plant(root_ / ".record.lck", "");
  const FileHandle first = OpenFileHandle(".record.lck", OpenMode::ReadWrite);
  const FileHandle second = OpenFileHandle(".record.lck", OpenMode::ReadWrite);
  ASSERT_NE(first, kNoFile);
  ASSERT_NE(second, kNoFile);
  // Offsets far past the end of the (empty) file lock as well: one byte per record position.
  EXPECT_EQ(TryLockFileRange(first, 70000, 1), RangeLock::Taken);
  EXPECT_EQ(TryLockFileRange(second, 70000, 1), RangeLock::HeldElsewhere);
  EXPECT_EQ(TryLockFileRange(second, 70001, 1), RangeLock::Taken);
  EXPECT_EQ(TryLockFileRange(first, 70000, 1), RangeLock::Taken);  // taking one's own again
  EXPECT_TRUE(UnlockFileRange(first, 70000, 1));
  EXPECT_EQ(TryLockFileRange(second, 70000, 1), RangeLock::Taken);
  // Closing a handle drops its locks, and only its own.
  CloseFile(second);
  EXPECT_EQ(TryLockFileRange(first, 70000, 1), RangeLock::Taken);
  EXPECT_EQ(TryLockFileRange(first, 70001, 1), RangeLock::Taken);
  CloseFile(first);
  EXPECT_TRUE(Slurp(root_ / ".record.lck").empty());
}

// ---- Entries ----

TEST_F(FileSystemTest, AttributesFollowPermissionsAndNames) {
  Plant(root_ / "plain.txt", "p");
  Plant(root_ / ".hidden", "h");
  fs::create_directory(root_ / "Dir");
  EXPECT_EQ(EntryAttributes("PLAIN.TXT"), 0);
  EXPECT_EQ(EntryAttributes(".HIDDEN"), kHidden);
  EXPECT_EQ(EntryAttributes("dir\\"), kDirectory);
  EXPECT_EQ(EntryAttributes("missing"), -1);

  ASSERT_TRUE(SetEntryAttributes("plain.txt", kReadOnly));
  EXPECT_EQ(fs::status(root_ / "plain.txt").permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_EQ(EntryAttributes("plain.txt"), kReadOnly);
  EXPECT_FALSE(RemoveFile("plain.txt"));  // read-only files are not deleted
  EXPECT_TRUE(fs::exists(root_ / "plain.txt"));
  ASSERT_TRUE(SetEntryAttributes("plain.txt", 0));
  EXPECT_EQ(EntryAttributes("plain.txt"), 0);
  EXPECT_TRUE(RemoveFile("Plain.Txt"));
  EXPECT_FALSE(fs::exists(root_ / "plain.txt"));
  EXPECT_FALSE(RemoveFile("dir"));
}

TEST_F(FileSystemTest, RenameRefusesAnExistingTargetAndReplaceSwapsAtOnce) {
  Plant(root_ / "a.txt", "A");
  Plant(root_ / "B.txt", "B");
  EXPECT_FALSE(RenameFile("a.txt", "b.TXT"));
  EXPECT_EQ(Slurp(root_ / "B.txt"), "B");
  EXPECT_TRUE(ReplaceByRename("A.TXT", "b.txt"));
  EXPECT_EQ(Slurp(root_ / "B.txt"), "A");
  EXPECT_FALSE(fs::exists(root_ / "a.txt"));
  EXPECT_TRUE(RenameFile("b.txt", "c.txt"));
  EXPECT_EQ(Slurp(root_ / "c.txt"), "A");
  // A change of letter case renames the entry itself.
  EXPECT_TRUE(RenameFile("c.txt", "C.TXT"));
  EXPECT_TRUE(fs::exists(root_ / "C.TXT"));
  EXPECT_FALSE(fs::exists(root_ / "c.txt"));
}

// A settings file shared through its group stays writable for the group after a writer
// renamed its rewritten copy over it.
TEST_F(FileSystemTest, ReplaceKeepsTheTargetsPermissionsAndGroup) {
  const fs::path target = root_ / "KelTerm.ini";
  Plant(target, "old");
  Plant(root_ / "new.tmp", "new");
  ASSERT_EQ(::chmod((root_ / "new.tmp").c_str(), 0600), 0);
  ASSERT_EQ(::chmod(target.c_str(), 0664), 0);
  // Another group than the writer's own: any one for root, else one the writer belongs to.
  gid_t group = ::getegid();
  if (::geteuid() == 0) {
    group = 4242;
  } else {
    gid_t groups[64];
    const int count = ::getgroups(64, groups);
    for (int i = 0; i < count; ++i)
      if (groups[i] != group) {
        group = groups[i];
        break;
      }
  }
  ASSERT_EQ(::chown(target.c_str(), static_cast<uid_t>(-1), group), 0);

  EXPECT_TRUE(ReplaceByRename("new.tmp", "kelterm.ini"));
  EXPECT_EQ(Slurp(target), "new");
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0664u);
  EXPECT_EQ(info.st_gid, group);

  // Without a file to take over from, the new file keeps its own permissions.
  Plant(root_ / "other.tmp", "other");
  ASSERT_EQ(::chmod((root_ / "other.tmp").c_str(), 0640), 0);
  EXPECT_TRUE(ReplaceByRename("other.tmp", "fresh.ini"));
  ASSERT_EQ(::stat((root_ / "fresh.ini").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

// As on Windows, whatever privileges the process has.
TEST_F(FileSystemTest, ReadOnlyFilesAreNotOpenedForWriting) {
  Plant(root_ / "locked.cfg", "keep");
  ASSERT_TRUE(SetEntryAttributes("locked.cfg", kReadOnly));
  EXPECT_EQ(OpenFileHandle("locked.cfg", OpenMode::ReadWrite), kNoFile);
  EXPECT_EQ(OpenFileHandle("LOCKED.CFG", OpenMode::OpenOrCreate), kNoFile);
  EXPECT_EQ(OpenFileHandle("locked.cfg", OpenMode::CreateAlways), kNoFile);
  EXPECT_EQ(Slurp(root_ / "locked.cfg"), "keep");
  const FileHandle file = OpenFileHandle("locked.cfg", OpenMode::Read);
  EXPECT_NE(file, kNoFile);
  CloseFile(file);
}

TEST_F(FileSystemTest, DirectoriesAreMadeAndRemovedOneAtATime) {
  EXPECT_TRUE(MakeDirectory("TERM"));
  EXPECT_FALSE(MakeDirectory("term"));
  EXPECT_FALSE(MakeDirectory("x\\y"));
  EXPECT_TRUE(MakeDirectory("term\\3\\"));
  EXPECT_TRUE(fs::is_directory(root_ / "TERM/3"));
  EXPECT_FALSE(RemoveEmptyDirectory("term"));
  EXPECT_TRUE(RemoveEmptyDirectory("TERM\\3"));
  EXPECT_TRUE(RemoveEmptyDirectory("term"));
}

TEST_F(FileSystemTest, LastWriteTimeIsLocalCalendarTime) {
  Plant(root_ / "stamp.txt", "s");
  ASSERT_TRUE(kel::testing::StampFile(root_ / "stamp.txt", 2021, 3, 5, 9, 7, 3, 500'000'000));
  CalendarTime time;
  ASSERT_TRUE(LastWriteTime("STAMP.TXT", time));
  EXPECT_EQ(time.year, 2021);
  EXPECT_EQ(time.month, 3);
  EXPECT_EQ(time.day, 5);
  EXPECT_EQ(time.hour, 9);
  EXPECT_EQ(time.minute, 7);
  EXPECT_EQ(time.second, 3);
  EXPECT_EQ(time.hundredths, 50);
  EXPECT_FALSE(LastWriteTime("missing", time));
}

// ---- Directory search ----

std::vector<std::string> Names(const std::vector<DirectoryEntry>& entries) {
  std::vector<std::string> names;
  for (const auto& entry : entries) names.push_back(entry.name);
  return names;
}

TEST(WildcardMatchTest, FollowsTheSystemRules) {
  EXPECT_TRUE(WildcardMatch("*.*", "README"));
  EXPECT_TRUE(WildcardMatch("*.*", "a.b.c"));
  EXPECT_TRUE(WildcardMatch("*", ".profile"));
  EXPECT_TRUE(WildcardMatch("*.ini", "NUROTERM.INI"));
  EXPECT_FALSE(WildcardMatch("*.ini", "NUROTERM.INI.bak"));
  EXPECT_TRUE(WildcardMatch("SCRN.*", "scrn"));
  EXPECT_TRUE(WildcardMatch("*.", "scrn"));
  EXPECT_FALSE(WildcardMatch("*.", "scrn.cfg"));
  EXPECT_TRUE(WildcardMatch("?.dir", "7.DIR"));
  EXPECT_FALSE(WildcardMatch("?.dir", "77.DIR"));
  EXPECT_FALSE(WildcardMatch("?.dir", ".dir"));
  EXPECT_TRUE(WildcardMatch("t*m*.tmp", "TIMXYZ12.TMP"));
  EXPECT_FALSE(WildcardMatch("abc", "abcd"));
  EXPECT_TRUE(WildcardMatch(Cp850("ÉS*"), Cp850("éscola")));
  EXPECT_TRUE(WildcardMatch(Cp850("ÇÑ"), Cp850("çñ")));
}

TEST_F(FileSystemTest, FindFilesListsMatchingEntriesWithTheirAttributes) {
  Plant(root_ / "cfg/SCRN.CFG", "12345");
  Plant(root_ / "cfg/printer.cfg", "1");
  Plant(root_ / "cfg/README", "1");
  Plant(root_ / "cfg/.secret.cfg", "1");
  fs::create_directory(root_ / "cfg/sub.cfg");
  EXPECT_THAT(Names(FindFiles("CFG\\*.CFG")),
              UnorderedElementsAre("SCRN.CFG", "printer.cfg", ".secret.cfg", "sub.cfg"));
  EXPECT_THAT(Names(FindFiles("cfg\\*.*")),
              UnorderedElementsAre("SCRN.CFG", "printer.cfg", "README", ".secret.cfg", "sub.cfg"));
  EXPECT_EQ(FindFiles("cfg\\").size(), 5u);
  EXPECT_THAT(Names(FindFiles("cfg/scrn.cfg")), UnorderedElementsAre("SCRN.CFG"));
  EXPECT_TRUE(FindFiles("missing\\*.*").empty());

  for (const DirectoryEntry& entry : FindFiles("cfg\\*.cfg")) {
    if (entry.name == "SCRN.CFG") {
      EXPECT_EQ(entry.attributes, 0u);
      EXPECT_EQ(entry.size, 5);
    }
    if (entry.name == ".secret.cfg") {
      EXPECT_EQ(entry.attributes, kHidden);
    }
    if (entry.name == "sub.cfg") {
      EXPECT_EQ(entry.attributes, kDirectory);
    }
    EXPECT_TRUE(entry.short_name.empty());
  }
}

TEST_F(FileSystemTest, FindFilesLeavesOutNamesAPathCannotAddress) {
  Plant(root_ / "ok.txt", "1");
  Plant(root_ / "two\nlines.txt", "1");
  Plant(root_ / "back\\slash.txt", "1");
  EXPECT_THAT(Names(FindFiles("*.*")), UnorderedElementsAre("ok.txt"));
}

TEST_F(FileSystemTest, CopyFileDataCopiesFromThePositionAndStopsAtTheEnd) {
  std::string big(3 << 20, 'x');
  for (std::size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<char>('a' + i % 26);
  Plant(root_ / "big.bin", big);
  const FileHandle from = OpenFileHandle("big.bin", OpenMode::Read);
  const FileHandle to = OpenFileHandle("copy.bin", OpenMode::CreateNew);
  ASSERT_NE(from, kNoFile);
  ASSERT_NE(to, kNoFile);
  ASSERT_TRUE(SeekFile(from, 10));
  EXPECT_EQ(CopyFileData(from, to, std::int64_t{1} << 40), static_cast<std::int64_t>(big.size() - 10));
  CloseFile(from);
  CloseFile(to);
  EXPECT_EQ(Slurp(root_ / "copy.bin"), big.substr(10));
}

TEST_F(FileSystemTest, FindFilesInTheCurrentDirectory) {
  Plant(root_ / "one.txt", "1");
  EXPECT_THAT(Names(FindFiles("*.TXT")), UnorderedElementsAre("one.txt"));
  EXPECT_THAT(Names(FindFiles("C:*.txt")), UnorderedElementsAre("one.txt"));
}

// ---- Environment and process ----

TEST_F(FileSystemTest, EnvironmentValuesCrossTheBoundaryInTheCodePage) {
  SetBoundaryCodePage(BoundaryCodePage::Oem);
  SetEnvironmentValue("KEL_FS_TEST", Cp850("Camí"));
  EXPECT_STREQ(std::getenv("KEL_FS_TEST"), "Camí");
  EXPECT_EQ(EnvironmentValue("KEL_FS_TEST"), Cp850("Camí"));
  SetEnvironmentValue("KEL_FS_TEST", "");
  EXPECT_EQ(std::getenv("KEL_FS_TEST"), nullptr);
  EXPECT_EQ(EnvironmentValue("KEL_FS_TEST"), "");
}

TEST_F(FileSystemTest, TemporaryDirectoryFromTempThenTmpdirThenTmp) {
  const std::string temp = EnvironmentValue("TEMP"), tmpdir = EnvironmentValue("TMPDIR");
  SetEnvironmentValue("TEMP", "C:\\TEMP");
  SetEnvironmentValue("TMPDIR", "/var/tmp");
  EXPECT_EQ(SystemTempDirectory(), "C:\\TEMP\\");
  SetEnvironmentValue("TEMP", "");
  EXPECT_EQ(SystemTempDirectory(), "/var/tmp\\");
  SetEnvironmentValue("TMPDIR", "");
  EXPECT_EQ(SystemTempDirectory(), "/tmp\\");
  SetEnvironmentValue("TEMP", temp);
  SetEnvironmentValue("TMPDIR", tmpdir);
}

TEST_F(FileSystemTest, CurrentDirectoryChangesIgnoringCase) {
  fs::create_directories(root_ / "Kel/Term");
  ASSERT_TRUE(ChangeDirectory("KEL\\term"));
  EXPECT_EQ(CurrentDirectory(), fs::canonical(root_ / "Kel/Term").string());
  EXPECT_FALSE(ChangeDirectory("missing"));
}

TEST(ProcessTest, MachineFiguresAreSane) {
  EXPECT_GT(FreePhysicalMemory(), 0u);
  const CalendarTime now = LocalTime();
  EXPECT_GE(now.year, 2000);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GT(ProcessId(), 0);
}

void SayFirst() { std::fputs("first\n", stderr); }
void SaySecond() { std::fputs("second\n", stderr); }

TEST(ProcessDeathTest, ExitRunsCleanupsLastRegisteredFirst) {
  EXPECT_EXIT(
      {
        ResetProcessExit();
        AtProcessExit(SayFirst);
        AtProcessExit(SaySecond);
        EndProcess(3);
      },
      ::testing::ExitedWithCode(3), "second\nfirst\n");
}

TEST(ProcessDeathTest, FatalSignalRunsCleanupsAndStillKills) {
  EXPECT_EXIT(
      {
        ResetProcessExit();
        AtProcessExit(SayFirst);
        std::raise(SIGTERM);
      },
      ::testing::KilledBySignal(SIGTERM), "first\n");
}

}  // namespace
}  // namespace kel::platform
