// The Windows file layer where Windows and Wine differ from POSIX: paths as they are, letter
// case, read-only files, renames over open files, short names.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace kel::platform {
namespace {

TEST(Win32FileSystem, AChangeOfLetterCaseOnlyRenamesTheEntry) {
  testing::TempDir dir;
  dir.Write("nuroterm.ini", "x");
  ASSERT_TRUE(RenameFile(dir / "nuroterm.ini", dir / "NuroTerm.ini"));
  const std::vector<DirectoryEntry> found = FindFiles(dir / "*.ini");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, "NuroTerm.ini");
  // Another entry of the target's name is never replaced.
  dir.Write("other.ini", "y");
  EXPECT_FALSE(RenameFile(dir / "other.ini", dir / "NUROTERM.INI"));
  EXPECT_EQ(dir.Read("NuroTerm.ini"), "x");
}

TEST(Win32FileSystem, AReadOnlyFileIsNeitherOpenedForWritingNorReplaced) {
  testing::TempDir dir;
  dir.Write("locked.ini", "old");
  dir.Write("new.ini", "new");
  ASSERT_TRUE(SetEntryAttributes(dir / "locked.ini", kReadOnly));
  EXPECT_EQ(EntryAttributes(dir / "locked.ini") & kReadOnly, kReadOnly);
  EXPECT_EQ(OpenFileHandle(dir / "locked.ini", OpenMode::ReadWrite), kNoFile);
  EXPECT_EQ(OpenFileHandle(dir / "locked.ini", OpenMode::CreateAlways), kNoFile);
  EXPECT_FALSE(ReplaceByRename(dir / "new.ini", dir / "locked.ini"));
  ASSERT_TRUE(SetEntryAttributes(dir / "locked.ini", 0));
  EXPECT_EQ(dir.Read("locked.ini"), "old");
}

TEST(Win32FileSystem, ReplacingAFileWaitsForAReaderToCloseItForABoundedTime) {
  testing::TempDir dir;
  dir.Write("t.ini", "old");
  dir.Write("t.new", "new");
  // A reader that closes soon: the replacement goes through after it.
  FileHandle reader = OpenFileHandle(dir / "t.ini", OpenMode::Read);
  ASSERT_NE(reader, kNoFile);
  std::thread closer([reader] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    CloseFile(reader);
  });
  EXPECT_TRUE(ReplaceByRename(dir / "t.new", dir / "t.ini"));
  closer.join();
  EXPECT_EQ(dir.Read("t.ini"), "new");
  // A reader that keeps it: the replacement fails and both files stay as they were.
  dir.Write("t.new", "newer");
  reader = OpenFileHandle(dir / "t.ini", OpenMode::Read);
  ASSERT_NE(reader, kNoFile);
  if (ReplaceByRename(dir / "t.new", dir / "t.ini")) {
    CloseFile(reader);
    GTEST_SKIP() << "this system renames over open files";
  }
  CloseFile(reader);
  EXPECT_EQ(dir.Read("t.ini"), "new");
  EXPECT_EQ(dir.Read("t.new"), "newer");
}

TEST(Win32FileSystem, PatternsMatchTheLongNamesOnly) {
  testing::TempDir dir;
  dir.Write("page.html", "");
  dir.Write("PAGE2.HTM", "");
  const std::vector<DirectoryEntry> found = FindFiles(dir / "*.htm");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, "PAGE2.HTM");
  EXPECT_EQ(FindFiles(dir / "*.*").size(), 2u);
}

TEST(Win32FileSystem, ReadsAtAnOffsetLeaveThePositionAndDevicesAreNoFiles) {
  testing::TempDir dir;
  dir.Write("data", "0123456789");
  const FileHandle file = OpenFileHandle(dir / "data", OpenMode::ReadWrite);
  ASSERT_NE(file, kNoFile);
  ASSERT_TRUE(SeekFile(file, 2));
  char buffer[3] = {};
  EXPECT_EQ(ReadFromFileAt(file, 7, buffer, 3), 3);
  EXPECT_EQ(std::string(buffer, 3), "789");
  EXPECT_EQ(ReadFromFile(file, buffer, 1), 1);
  EXPECT_EQ(buffer[0], '2');
  EXPECT_TRUE(LockWholeFile(file));
  EXPECT_TRUE(UnlockWholeFile(file));
  CloseFile(file);
  EXPECT_EQ(OpenFileHandle("NUL", OpenMode::Read), kNoFile);
  EXPECT_EQ(OpenFileHandle(dir / "CON", OpenMode::ReadWrite), kNoFile);
}

}  // namespace
}  // namespace kel::platform
