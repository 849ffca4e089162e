// The file utilities in directories that other users share: links and planted entries are
// never looked through, temporary files are private, failures are reported.
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "files/file_utils.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"
#include "support/posix_only.h"

namespace kel {
namespace {

namespace fs = std::filesystem;
using testing::Plant;
using testing::Slurp;

// Each test works in a directory of its own, made current, with "TEMP" inside it.
class FileSharedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    fs::current_path(dir_.path());
    fs::create_directory(dir_ / "listings");
    platform::SetEnvironmentValue("TEMP", dir_ / "listings");
    ResetFileUtils();
  }
  void TearDown() override {
    ResetFileUtils();
    platform::SetEnvironmentValue("TEMP", "");
    fs::current_path(previous_);
  }

  testing::TempDir dir_;
  fs::path previous_;
};

// A link planted under the name of a directory to remove hands over nothing of its target.
TEST_F(FileSharedTest, RemovalNeverDescendsThroughALink) {
  KEL_POSIX_ONLY("symbolic links");
#ifndef _WIN32
  Plant(dir_ / "victim/a.cfg", "a");
  Plant(dir_ / "victim/b.cfg", "b");
  Plant(dir_ / "kept.txt", "kept");
  fs::create_directory_symlink(dir_ / "victim", dir_ / "probe.tmp");
  fs::create_symlink(dir_ / "kept.txt", dir_ / "file-link.tmp");

  EXPECT_EQ(RemoveFileOrDirectory("probe.tmp"), 0);
  EXPECT_EQ(RemoveFileOrDirectory("file-link.tmp"), 0);

  EXPECT_FALSE(fs::exists(fs::symlink_status(dir_ / "probe.tmp")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir_ / "file-link.tmp")));
  EXPECT_EQ(Slurp(dir_ / "victim/a.cfg"), "a");
  EXPECT_EQ(Slurp(dir_ / "victim/b.cfg"), "b");
  EXPECT_EQ(Slurp(dir_ / "kept.txt"), "kept");
#endif
}

// A link at a destination's name (the terminal's NuroTerm.ini pointing at a root-only file)
// is not written through: that file is left out and the copy says it was not complete.
TEST_F(FileSharedTest, CopyNeverWritesThroughALinkAtTheDestination) {
  KEL_POSIX_ONLY("symbolic links");
#ifndef _WIN32
  Plant(dir_ / "src/NUROTERM.INI", "session settings");
  Plant(dir_ / "src/SCRN.CFG", "screen");
  Plant(dir_ / "secret", "root only");
  chmod((dir_ / "secret").c_str(), 0600);
  fs::create_directory(dir_ / "dst");
  fs::create_symlink(dir_ / "secret", dir_ / "dst/NUROTERM.INI");

  EXPECT_FALSE(CopyFiles("src\\*.*", "dst\\"));

  EXPECT_EQ(Slurp(dir_ / "secret"), "root only");
  EXPECT_TRUE(fs::is_symlink(dir_ / "dst/NUROTERM.INI"));
  EXPECT_EQ(Slurp(dir_ / "dst/SCRN.CFG"), "screen");
  fs::remove(dir_ / "dst/NUROTERM.INI");
  EXPECT_TRUE(CopyFiles("src\\*.*", "dst\\"));
  EXPECT_EQ(Slurp(dir_ / "dst/NUROTERM.INI"), "session settings");
#endif
}

// Without its listing a copy copies nothing, which it must not pass off as done.
TEST_F(FileSharedTest, CopyWithoutAListingReportsFailure) {
  Plant(dir_ / "src/SCRN.CFG", "screen");
  fs::create_directory(dir_ / "dst");
  platform::SetEnvironmentValue("TEMP", dir_ / "missing");
  EXPECT_FALSE(CopyFiles("src\\*.*", "dst\\"));
  EXPECT_FALSE(fs::exists(dir_ / "dst/SCRN.CFG"));
  EXPECT_EQ(ListingStack(), "");
}

// Listings in a shared temporary directory show no one else which files were listed.
TEST_F(FileSharedTest, ListingFilesAndUniqueFilesArePrivate) {
  KEL_POSIX_ONLY("permission bits");
#ifndef _WIN32
  Plant(dir_ / "d/ONE", "");
  const mode_t old_mask = umask(022);
  OpenFileListing("d\\*.*");
  std::string name;
  const std::string stack = ListingStack();
  struct stat listing {};
  ASSERT_EQ(stat(platform::NativePath(stack.substr(0, stack.find('|'))).c_str(), &listing), 0);
  CloseFileListing();
  const platform::FileHandle file = CreateUniqueFile(".\\", "tim", "tmp", name);
  umask(old_mask);
  ASSERT_NE(file, platform::kNoFile);
  struct stat unique {};
  ASSERT_EQ(stat(platform::NativePath(name).c_str(), &unique), 0);
  platform::CloseFile(file);

  EXPECT_EQ(listing.st_mode & 0777, 0600u);
  EXPECT_EQ(unique.st_mode & 0777, 0600u);
  EXPECT_EQ(name.substr(0, 5), ".\\tim");
#endif
}

// The stamp comes from the open file, whatever was put under its name since.
TEST_F(FileSharedTest, OpenFileStampIsTheFilesOwn) {
  Plant(dir_ / "stamp.txt", "s");
  ASSERT_TRUE(testing::StampFile(dir_ / "stamp.txt", 2024, 3, 5, 9, 7, 3));
  const platform::FileHandle file = platform::OpenFileHandle("stamp.txt", platform::OpenMode::Read);
  fs::rename(dir_ / "stamp.txt", dir_ / "moved.txt");
  Plant(dir_ / "stamp.txt", "other");
  ASSERT_TRUE(testing::StampFile(dir_ / "stamp.txt", 2030, 1, 1, 0, 0, 0));
  EXPECT_EQ(OpenFileTimeStamp(file), "20240305090703");
  platform::CloseFile(file);
  EXPECT_EQ(OpenFileTimeStamp(platform::kNoFile), "");
}

}  // namespace
}  // namespace kel
