#include "terminal/terminal_registry.h"

#include <gtest/gtest.h>

#include "terminal_fixture.h"

namespace kel {
namespace {

class MigrationTest : public testing::TerminalFixture {
 protected:
  void OldList(const std::string& lines) { root_.Write("Nuro.ini", "[Usuari]\r\nIdioma=CAT\r\n[Terminals]\r\n" + lines); }
};

TEST_F(MigrationTest, EveryNameGetsTheNextNumberWithItsAddressAndDirectory) {
  OldList("MaxTerm=2\r\nTerm1=PC1\r\nTerm2=PC2\r\nPC1=AAAAAAAAAAAA\r\nPC2=BBBBBBBBBBBB\r\n"
          "AAAAAAAAAAAA=TERM\\1\\\r\nBBBBBBBBBBBB=TERM\\5\\\r\n");

  MigrateLegacyTerminals();

  EXPECT_EQ(Registered("Terminals", "Term1"), "PC1");
  EXPECT_EQ(Registered("Terminals", "Term2"), "PC2");
  EXPECT_EQ(Registered("PC1", "Mac"), "AAAAAAAAAAAA");
  EXPECT_EQ(Registered("PC1", "Path"), "TERM\\1\\");
  EXPECT_EQ(Registered("PC2", "Mac"), "BBBBBBBBBBBB");
  EXPECT_EQ(Registered("PC2", "Path"), "TERM\\5\\");
}

TEST_F(MigrationTest, CountBeyondTheNamesAndHolesInTheListMakeNoEmptySection) {
  OldList("MaxTerm=6\r\nTerm1=PC1\r\nTerm3=PC3\r\nTerm4=  \r\nPC1=AAAAAAAAAAAA\r\nPC3=CCCCCCCCCCCC\r\n");

  MigrateLegacyTerminals();

  EXPECT_EQ(Registered("Terminals", "Term1"), "PC1");
  EXPECT_EQ(Registered("Terminals", "Term2"), "PC3");
  EXPECT_EQ(Registered("Terminals", "Term3"), "");
  EXPECT_EQ(Registered("PC3", "Mac"), "CCCCCCCCCCCC");
  const std::string registry = root_.Read("KelTerm.ini");
  EXPECT_EQ(registry.find("[]"), std::string::npos);
  EXPECT_EQ(registry.find("[ "), std::string::npos);
}

TEST_F(MigrationTest, NameMetTwiceKeepsItsFirstNumber) {
  OldList("MaxTerm=3\r\nTerm1=PC1\r\nTerm2=pc1\r\nTerm3=PC2\r\nPC1=AAAAAAAAAAAA\r\nPC2=BBBBBBBBBBBB\r\n");

  MigrateLegacyTerminals();

  EXPECT_EQ(Registered("Terminals", "Term1"), "PC1");
  EXPECT_EQ(Registered("Terminals", "Term2"), "PC2");
  EXPECT_EQ(Registered("Terminals", "Term3"), "");
}

TEST_F(MigrationTest, CountSmallerThanTheListStopsThere) {
  OldList("MaxTerm=1\r\nTerm1=PC1\r\nTerm2=PC2\r\n");

  MigrateLegacyTerminals();

  EXPECT_EQ(Registered("Terminals", "Term1"), "PC1");
  EXPECT_EQ(Registered("Terminals", "Term2"), "");
}

TEST_F(MigrationTest, MissingOrUnreadableCountMigratesNothing) {
  for (const char* count : {"", "MaxTerm=\r\n", "MaxTerm=X3\r\n", "MaxTerm=-2\r\n"}) {
    OldList(std::string(count) + "Term1=PC1\r\n");
    MigrateLegacyTerminals();
    EXPECT_FALSE(root_.Exists("KelTerm.ini")) << count;
  }
}

TEST_F(MigrationTest, NameWithoutAddressTakesTheDirectoryOfTheEmptyKey) {
  OldList("MaxTerm=2\r\nTerm1=PC1\r\nTerm2=PC2\r\nPC2=BBBBBBBBBBBB\r\n=TERM\\9\\\r\nBBBBBBBBBBBB=TERM\\2\\\r\n");

  MigrateLegacyTerminals();

  EXPECT_EQ(Registered("Terminals", "Term1"), "PC1");
  EXPECT_EQ(Registered("PC1", "Mac"), "");
  EXPECT_EQ(Registered("PC1", "Path"), "TERM\\9\\");
  EXPECT_EQ(Registered("PC2", "Path"), "TERM\\2\\");
}

TEST_F(MigrationTest, NameWithoutAddressOrDirectoryIsListedWithoutSection) {
  OldList("MaxTerm=1\r\nTerm1=PC1\r\n");

  MigrateLegacyTerminals();

  EXPECT_EQ(Registered("Terminals", "Term1"), "PC1");
  EXPECT_EQ(root_.Read("KelTerm.ini").find("[PC1]"), std::string::npos);
}

}  // namespace
}  // namespace kel
