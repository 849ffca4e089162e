#include "files/file_utils.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/environment.h"
#include "platform/process.h"
#include "platform/codepage.h"
#include "support/posix_only.h"
#include "support/temp_dir.h"
#include "platform/file_system.h"

namespace kel {
namespace {

// The whole text matches an ECMAScript expression (GoogleTest's own expressions are reduced
// ones on Windows).
MATCHER_P(FullyMatches, pattern, "matches " + std::string(pattern)) {
  return std::regex_match(std::string(arg), std::regex(pattern));
}

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

using kel::testing::Plant;
using kel::testing::Slurp;

void MakeReadOnly(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

std::vector<std::string> Walk() {
  std::vector<std::string> names;
  std::string name;
  while (!NextListedFile(name)) names.push_back(name);
  EXPECT_EQ(name, "");
  return names;
}

std::string CurrentListingName() {
  const std::string stack = ListingStack();
  return stack.substr(0, stack.find('|'));
}

// Each test works in a directory of its own, made current, with "TEMP" inside it.
class FileUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = testing::MakeUniqueDirectory("kel-files-");
    ASSERT_FALSE(root_.empty());
    previous_ = fs::current_path();
    fs::current_path(root_);
    fs::create_directory(root_ / "tmp");
    saved_temp_ = platform::EnvironmentValue("TEMP");
    saved_tmpdir_ = platform::EnvironmentValue("TMPDIR");
    platform::SetEnvironmentValue("TEMP", (root_ / "tmp").string());
    ResetFileUtils();
  }
  void TearDown() override {
    ResetFileUtils();
    platform::SetEnvironmentValue("TEMP", saved_temp_);
    platform::SetEnvironmentValue("TMPDIR", saved_tmpdir_);
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  std::vector<std::string> Leftovers() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root_ / "tmp")) names.push_back(entry.path().filename().string());
    return names;
  }
  fs::path root_, previous_;
  std::string saved_temp_, saved_tmpdir_;
};

// ---- Copying ----

TEST_F(FileUtilsTest, CopyIntoADirectoryNeedsItsTrailingSeparator) {
  Plant(root_ / "SCRN.CFG", "screen");
  fs::create_directories(root_ / "TERM/3");
  CopyFiles("SCRN.CFG", "TERM\\3\\");
  EXPECT_EQ(Slurp(root_ / "TERM/3/SCRN.CFG"), "screen");
  // Without it the last component is a file name to be ignored.
  CopyFiles("SCRN.CFG", "TERM\\3");
  EXPECT_EQ(Slurp(root_ / "TERM/SCRN.CFG"), "screen");
  EXPECT_THAT(Leftovers(), ElementsAre());
}

TEST_F(FileUtilsTest, CopyByPatternTakesOrdinaryFilesUnderUpperCaseNames) {
  KEL_POSIX_ONLY("long names without a short (8.3) name");
  Plant(root_ / "Default/NuroTerm.ini", "[Terminal]\r\n");
  Plant(root_ / "Default/printer_settings.cfg", "p");
  Plant(root_ / "Default/empty.cfg", "");
  Plant(root_ / "Default/locked.cfg", "r");
  MakeReadOnly(root_ / "Default/locked.cfg");
  Plant(root_ / "Default/.hidden", "h");
  Plant(root_ / "Default/sub/inner.cfg", "i");
  fs::create_directories(root_ / "TERM/3");

  CopyFiles("DEFAULT\\*.*", "term\\3\\");

  std::vector<std::string> copied;
  for (const auto& entry : fs::directory_iterator(root_ / "TERM/3")) copied.push_back(entry.path().filename().string());
  EXPECT_THAT(copied, UnorderedElementsAre("NUROTERM.INI", "PRINTER_SETTINGS.CFG", "EMPTY.CFG"));
  EXPECT_EQ(Slurp(root_ / "TERM/3/NUROTERM.INI"), "[Terminal]\r\n");
  EXPECT_EQ(Slurp(root_ / "TERM/3/EMPTY.CFG"), "");
}

TEST_F(FileUtilsTest, CopyOverALongerFileCutsItToTheSource) {
  Plant(root_ / "src/SCRN.CFG", "short");
  Plant(root_ / "dst/scrn.cfg", "a much longer previous content");
  CopyFiles("src\\*.cfg", "dst\\");
  // The existing entry is replaced in place, under the letter case it had.
  EXPECT_EQ(Slurp(root_ / "dst/scrn.cfg"), "short");
#ifndef _WIN32  // names differing in letter case only are one name there
  EXPECT_FALSE(fs::exists(root_ / "dst/SCRN.CFG"));
#endif
}

TEST_F(FileUtilsTest, CopyLeavesAReadOnlyDestinationAsItWas) {
  Plant(root_ / "src/SCRN.CFG", "new screen");
  Plant(root_ / "src/PRINTER.CFG", "printer");
  Plant(root_ / "dst/SCRN.CFG", "protected");
  MakeReadOnly(root_ / "dst/SCRN.CFG");
  CopyFiles("src\\*.*", "dst\\");
  EXPECT_EQ(Slurp(root_ / "dst/SCRN.CFG"), "protected");
  EXPECT_EQ(Slurp(root_ / "dst/PRINTER.CFG"), "printer");
}

TEST_F(FileUtilsTest, CopyOntoItselfKeepsTheFile) {
  Plant(root_ / "TERM/3/SCRN.CFG", "screen settings");
  CopyFiles("TERM\\3\\*.*", "term\\3\\");
  EXPECT_EQ(Slurp(root_ / "TERM/3/SCRN.CFG"), "screen settings");
}

TEST_F(FileUtilsTest, CopyOfALargeFileIsExact) {
  std::string big(5 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 5);
  Plant(root_ / "src/BIG.DAT", big);
  CopyFiles("src\\big.dat", "dst\\");  // a destination directory that is missing copies nothing
  EXPECT_FALSE(fs::exists(root_ / "dst"));
  fs::create_directory(root_ / "dst");
  CopyFiles("src\\big.dat", "dst\\");
  EXPECT_EQ(Slurp(root_ / "dst/BIG.DAT"), big);
}

// ---- Listings ----

TEST_F(FileUtilsTest, ListingFileHoldsTheReadPositionAndTheNames) {
  KEL_POSIX_ONLY("the test reads the listing that the walk holds open for itself");
  Plant(root_ / "d/alpha.txt", "a");
  OpenFileListing("d\\*.txt");
  const std::string listing = CurrentListingName();
  EXPECT_THAT(listing, FullyMatches(".*/tmp\\\\(0|[1-9][0-9]{0,7})\\.dir"));
  EXPECT_EQ(ListingStack(), listing + "|");
  std::string contents;
  ASSERT_TRUE(platform::ReadWholeFile(listing, contents));
  EXPECT_EQ(contents, std::string("\x05\0\0\0ALPHA.TXT\r\n", 15));

  std::string name;
  EXPECT_FALSE(NextListedFile(name));
  EXPECT_EQ(name, "ALPHA.TXT");
  ASSERT_TRUE(platform::ReadWholeFile(listing, contents));
  EXPECT_EQ(contents.substr(0, 4), std::string("\x10\0\0\0", 4));
  EXPECT_TRUE(NextListedFile(name));
  EXPECT_EQ(name, "");
  CloseFileListing();
  EXPECT_EQ(ListingStack(), "");
  EXPECT_THAT(Leftovers(), ElementsAre());
}

TEST_F(FileUtilsTest, ListingAdmitsOrdinaryFilesOnly) {
  Plant(root_ / "d/one", "1");
  Plant(root_ / "d/Two.Txt", "2");
  Plant(root_ / "d/.three", "3");
  Plant(root_ / "d/four", "4");
  MakeReadOnly(root_ / "d/four");
  fs::create_directory(root_ / "d/five");
  EXPECT_EQ(EntrySelection(), 0);
  OpenFileListing("d\\");
  EXPECT_EQ(EntrySelection(), kSelectFile);
  EXPECT_THAT(Walk(), UnorderedElementsAre("ONE", "TWO.TXT"));
  CloseFileListing();
}

TEST_F(FileUtilsTest, PatternMatchingNothingGivesAnEmptyListing) {
  OpenFileListing("nowhere\\*.*");
  std::string name = "stale";
  EXPECT_TRUE(NextListedFile(name));
  EXPECT_EQ(name, "");
  CloseFileListing();
}

TEST_F(FileUtilsTest, NestedListingsAreWalkedIndependently) {
  Plant(root_ / "outer/A1", "");
  Plant(root_ / "outer/A2", "");
  Plant(root_ / "outer/A3", "");
  Plant(root_ / "inner/B1", "");
  Plant(root_ / "inner/B2", "");
  OpenFileListing("outer\\*.*");
  std::string first;
  ASSERT_FALSE(NextListedFile(first));

  OpenFileListing("inner\\*.*");
  EXPECT_THAT(Walk(), UnorderedElementsAre("B1", "B2"));
  CloseFileListing();

  std::vector<std::string> rest = Walk();
  rest.push_back(first);
  EXPECT_THAT(rest, UnorderedElementsAre("A1", "A2", "A3"));
  CloseFileListing();
  EXPECT_THAT(Leftovers(), ElementsAre());
}

TEST_F(FileUtilsTest, AnEmptyLineEndsTheWalk) {
  KEL_POSIX_ONLY("the test writes into the listing that the walk holds open for itself");
  OpenFileListing("nowhere");
  const std::string listing = CurrentListingName();
  const platform::FileHandle file = platform::OpenFileHandle(listing, platform::OpenMode::ReadWrite);
  ASSERT_TRUE(platform::SeekFile(file, 4));
  ASSERT_TRUE(platform::WriteToFile(file, "X\r\n\r\nY\r\n", 8));
  platform::CloseFile(file);
  EXPECT_THAT(Walk(), ElementsAre("X"));
  // The empty line was read past, so the walk goes on after it.
  std::string name;
  EXPECT_FALSE(NextListedFile(name));
  EXPECT_EQ(name, "Y");
  CloseFileListing();
}

TEST_F(FileUtilsTest, ListingNeverTakesOverAPlantedLinkOrFile) {
  KEL_POSIX_ONLY("symbolic links");
  Plant(root_ / "victim.txt", "precious");
  Plant(root_ / "d/ONE", "");
  SeedFileNames(4242);
  OpenFileListing("d\\*.*");
  const std::string drawn = CurrentListingName();
  CloseFileListing();
  const fs::path planted = platform::NativePath(drawn);
  fs::create_symlink(root_ / "victim.txt", planted);

  SeedFileNames(4242);
  OpenFileListing("d\\*.*");
  EXPECT_NE(CurrentListingName(), drawn);
  EXPECT_THAT(Walk(), ElementsAre("ONE"));
  CloseFileListing();
  EXPECT_EQ(Slurp(root_ / "victim.txt"), "precious");
  EXPECT_TRUE(fs::is_symlink(planted));

  // A file of the drawn name belongs to someone else and is not emptied.
  fs::remove(planted);
  Plant(planted, "someone's listing");
  SeedFileNames(4242);
  OpenFileListing("d\\*.*");
  EXPECT_NE(CurrentListingName(), drawn);
  CloseFileListing();
  EXPECT_EQ(Slurp(planted), "someone's listing");
}

TEST_F(FileUtilsTest, ListingGivesUpRatherThanTakeSomeoneElsesFile) {
  // Every name the generator will draw from this seed is taken by another workstation's file.
  std::vector<std::string> taken;
  for (int i = 0; i < 100; ++i) {
    SeedFileNames(31337);
    OpenFileListing("*.*");
    taken.push_back(CurrentListingName());
    CloseFileListing();
    Plant(platform::NativePath(taken.back()), "other");
  }
  SeedFileNames(31337);
  OpenFileListing("*.*");
  std::string name;
  EXPECT_TRUE(NextListedFile(name));
  CloseFileListing();
  EXPECT_EQ(ListingStack(), "");
  for (const std::string& file : taken) EXPECT_EQ(Slurp(platform::NativePath(file)), "other");
}

TEST_F(FileUtilsTest, ListingsGoToThePlatformTemporaryDirectoryWithoutTemp) {
  KEL_POSIX_ONLY("TMPDIR");
  fs::create_directory(root_ / "platform-tmp");
  platform::SetEnvironmentValue("TEMP", "");
  platform::SetEnvironmentValue("TMPDIR", (root_ / "platform-tmp").string());
  OpenFileListing("*.*");
  EXPECT_EQ(fs::path(platform::NativePath(CurrentListingName())).parent_path(), root_ / "platform-tmp");
  CloseFileListing();
  EXPECT_TRUE(fs::is_empty(root_ / "platform-tmp"));
}

// ---- Entries ----

TEST_F(FileUtilsTest, FileExistsForOrdinaryFilesOnly) {
  Plant(root_ / "TERM/3/SCRN.CFG", "s");
  Plant(root_ / "TERM/3/locked.cfg", "r");
  MakeReadOnly(root_ / "TERM/3/locked.cfg");
  EXPECT_TRUE(FileExists("term\\3\\scrn.cfg"));
  EXPECT_TRUE(FileExists("TERM/3/SCRN.CFG"));
  EXPECT_TRUE(FileExists((root_ / "TERM/3/SCRN.CFG").string()));
  EXPECT_FALSE(FileExists("TERM\\3"));
  EXPECT_FALSE(FileExists("TERM\\3\\"));
  EXPECT_FALSE(FileExists("TERM\\3\\locked.cfg"));
  EXPECT_FALSE(FileExists("TERM\\3\\missing.cfg"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(FileExists("TERM\\3\\S*.*"));
  EXPECT_EQ(EntrySelection(), kSelectFile);
}

TEST_F(FileUtilsTest, SelectionAdmitsMarkedEntriesWhenAskedFor) {
  SetEntrySelection(kSelectFile);
  EXPECT_TRUE(EntryAdmitted(0));
  EXPECT_TRUE(EntryAdmitted(platform::kArchive));
  EXPECT_FALSE(EntryAdmitted(platform::kReadOnly));
  EXPECT_FALSE(EntryAdmitted(platform::kDirectory));
  SetEntrySelection(kSelectFile | kSelectHidden);
  EXPECT_TRUE(EntryAdmitted(platform::kHidden));
  EXPECT_TRUE(EntryAdmitted(platform::kHidden | platform::kReadOnly));
  EXPECT_FALSE(EntryAdmitted(platform::kReadOnly));
  SetEntrySelection(kSelectDirectory);
  EXPECT_TRUE(EntryAdmitted(platform::kDirectory));
  EXPECT_FALSE(EntryAdmitted(0));
}

TEST_F(FileUtilsTest, MakeDirectoryPathCreatesEveryLevel) {
  EXPECT_EQ(MakeDirectoryPath("TERM\\3\\"), 0);
  EXPECT_TRUE(fs::is_directory(root_ / "TERM/3"));
  EXPECT_EQ(MakeDirectoryPath("term\\4"), 0);
  EXPECT_TRUE(fs::is_directory(root_ / "TERM/4"));
  EXPECT_EQ(MakeDirectoryPath((root_ / "a").string() + "\\b\\c  "), 0);
  EXPECT_TRUE(fs::is_directory(root_ / "a/b/c"));
}

TEST_F(FileUtilsTest, MakeDirectoryPathOnAnExistingPathChangesNothing) {
  Plant(root_ / "TERM/3/SCRN.CFG", "s");
  EXPECT_EQ(MakeDirectoryPath("TERM\\3\\"), -1);
  EXPECT_EQ(MakeDirectoryPath("TERM\\3"), -1);
  EXPECT_EQ(Slurp(root_ / "TERM/3/SCRN.CFG"), "s");
  // "/" does not separate levels, so the missing upper level is not made.
  EXPECT_EQ(MakeDirectoryPath("x/y"), -1);
  EXPECT_FALSE(fs::exists(root_ / "x"));
}

TEST_F(FileUtilsTest, RemoveDeletesMatchingFiles) {
  Plant(root_ / "a.tmp", "");
  Plant(root_ / "b.TMP", "");
  Plant(root_ / "keep.txt", "");
  EXPECT_EQ(RemoveFileOrDirectory("*.tmp"), 0);
  EXPECT_FALSE(fs::exists(root_ / "a.tmp"));
  EXPECT_FALSE(fs::exists(root_ / "b.TMP"));
  EXPECT_TRUE(fs::exists(root_ / "keep.txt"));
  EXPECT_NE(RemoveFileOrDirectory("missing.tmp"), 0);
  Plant(root_ / "locked.txt", "");
  MakeReadOnly(root_ / "locked.txt");
  EXPECT_NE(RemoveFileOrDirectory("locked.txt"), 0);
  EXPECT_TRUE(fs::exists(root_ / "locked.txt"));
}

TEST_F(FileUtilsTest, RemoveTakesADirectoryWithItsFilesButNotItsSubdirectories) {
  Plant(root_ / "Work/one.txt", "");
  Plant(root_ / "Work/two", "");
  EXPECT_EQ(RemoveFileOrDirectory("work"), 0);
  EXPECT_FALSE(fs::exists(root_ / "Work"));
  Plant(root_ / "Deep/one.txt", "");
  fs::create_directory(root_ / "Deep/sub");
  EXPECT_NE(RemoveFileOrDirectory("Deep"), 0);
  EXPECT_FALSE(fs::exists(root_ / "Deep/one.txt"));
  EXPECT_TRUE(fs::exists(root_ / "Deep/sub"));
}

// ---- Unique names ----

TEST_F(FileUtilsTest, UniqueNameShapes) {
  const std::string probe = UniqueFileName(".\\", "tim", "tmp");
  EXPECT_THAT(probe, FullyMatches("\\.\\\\tim[0-9A-Z]{5}\\.tmp"));
  EXPECT_TRUE(FileExists(probe));  // taken by an empty file of its own
  EXPECT_EQ(Slurp(root_ / probe.substr(2)), "");
  EXPECT_THAT(UniqueFileName("", "", ""), FullyMatches("[0-9A-Z]{8}"));
  EXPECT_THAT(UniqueFileName(" sub ", " longprefix ", " .html "), FullyMatches("sub\\\\lon[0-9A-Z]{5}\\.htm"));
  EXPECT_THAT(UniqueFileName("x:", "ab", "c"), FullyMatches("x:ab[0-9A-Z]{6}\\.c"));
}

TEST_F(FileUtilsTest, UniqueNameIgnoresTheExtensionsLeadingDot) {
  SeedFileNames(99);
  const std::string plain = UniqueFileName(".\\", "tim", "tmp");
  fs::remove(root_ / plain.substr(2));
  SeedFileNames(99);
  EXPECT_EQ(UniqueFileName(".\\", "tim", ".tmp"), plain);
}

TEST_F(FileUtilsTest, UniqueNameDrawsAgainOverAPlantedLinkOrReadOnlyFile) {
  KEL_POSIX_ONLY("symbolic links");
  Plant(root_ / "victim.txt", "precious");
  SeedFileNames(7);
  const std::string first = UniqueFileName(".\\", "tim", "tmp");
  fs::remove(root_ / first.substr(2));
  fs::create_symlink(root_ / "victim.txt", root_ / first.substr(2));
  SeedFileNames(7);
  const std::string second = UniqueFileName(".\\", "tim", "tmp");
  EXPECT_NE(second, first);
  EXPECT_EQ(Slurp(root_ / "victim.txt"), "precious");

  fs::remove(root_ / first.substr(2));
  Plant(root_ / first.substr(2), "read only");
  MakeReadOnly(root_ / first.substr(2));
  SeedFileNames(7);
  EXPECT_NE(UniqueFileName(".\\", "tim", "tmp"), first);
  EXPECT_EQ(Slurp(root_ / first.substr(2)), "read only");
}

// ---- Time stamps, paths, memory ----

TEST_F(FileUtilsTest, TimeStampIsLocalDigits) {
  Plant(root_ / "stamp.txt", "s");
  ASSERT_TRUE(testing::StampFile(root_ / "stamp.txt", 2024, 3, 5, 9, 7, 3));
  EXPECT_EQ(FileTimeStamp("STAMP.TXT"), "20240305090703");
}

TEST_F(FileUtilsTest, TimeStampOfAMissingFileEndsTheProgram) {
  EXPECT_EXIT(FileTimeStamp("missing.txt"), ::testing::ExitedWithCode(0), "");
}

TEST(PathPartTest, MasksChooseParts) {
  const std::string path = "C:\\A.B\\FILE.TXT";
  EXPECT_EQ(PathPart(path, kPartName), "FILE");
  EXPECT_EQ(PathPart(path, kPartExtension), ".TXT");
  EXPECT_EQ(PathPart(path, kPartDrive | kPartDirectory), "C:\\A.B\\");
  EXPECT_EQ(PathPart(path, kPartName | kPartExtension), "FILE.TXT");
  EXPECT_EQ(PathPart(path, kPartDrive), "C:");
  EXPECT_EQ(PathPart(path, 15), path);
  EXPECT_EQ(PathPart("TERM\\3\\SCRN", kPartExtension), "");
  EXPECT_EQ(PathPart("TERM/3/SCRN", kPartDirectory), "TERM/3/");
  EXPECT_EQ(PathPart("C:FILE.TXT", kPartDirectory | kPartName), "FILE");
  EXPECT_EQ(PathPart("FILE.TAR.GZ", kPartName), "FILE.TAR");
  EXPECT_EQ(PathPart("TERM\\3\\", kPartName | kPartExtension), "");
  EXPECT_EQ(PathPart("", 15), "");
}

TEST(FreePhysicalMemoryTest, IsCappedToSigned32Bits) {
  EXPECT_GT(FreePhysicalMemory(), 0);
}

}  // namespace
}  // namespace kel
