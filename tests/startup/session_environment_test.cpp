#include "startup/session_environment.h"

#include <gtest/gtest.h>
#include <filesystem>

#include "platform/codepage.h"
#include "support/posix_only.h"
#include "support/temp_dir.h"

namespace kel {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

// Every variable the session reads, cleared so the machine's own values do not leak in.
class SessionEnvironmentTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ResetSessionEnvironment();
    ResetCodePageState();
  }
  ScopedEnv root_{"KELROOT", nullptr}, exe_{"KELEXE", nullptr}, tmp_{"KELTMP", nullptr},
      term_{"TERM", nullptr}, agent_{"HTTP_USER_AGENT", nullptr}, accept_{"HTTP_ACCEPT", nullptr},
      windir_{"WINDIR", nullptr}, sysroot_{"SYSTEMROOT", nullptr};
  TempDir dir_;
};

TEST(ColourText, PairsReadRoleByRoleForegroundFirst) {
  RoleColours table = ParseColourTable(kDefaultColours);
  EXPECT_EQ(table[0][0], 15);
  EXPECT_EQ(table[0][1], 0);
  EXPECT_EQ(table[1][0], 7);
  EXPECT_EQ(table[2][0], 0);
  EXPECT_EQ(table[4][1], 7);
}

TEST(ColourText, ShortOrDamagedTextGivesZeroes) {
  RoleColours table = ParseColourTable("1401x2");
  EXPECT_EQ(table[0][0], 14);
  EXPECT_EQ(table[0][1], 1);
  EXPECT_EQ(table[1][0], 0);  // "x2" holds no number
  EXPECT_EQ(table[1][1], 0);  // beyond the end
  EXPECT_EQ(table[4][1], 0);
}

TEST_F(SessionEnvironmentTest, ReadsSessionTerminalAndLanguage) {
  dir_.Write("tmp/Sessio.ini",
             "[Menu]\r\nTitol=GESTIO\r\nNomMenu=PRINCIPAL\r\nOperador=ANNA\r\nKelTipOper=3\r\n"
             "[Terminal]\r\nDir=TERM\\2\r\n");
  dir_.Write("tmp/NuroTerm.ini",
             "[Pantalla]\r\nSeleccio=3\r\nCol3=01020304050607080910\r\n"
             "[Sistema]\r\nData=20261208\r\nSortida=LPT1\r\nIdioma=SPA\r\n");
  ScopedEnv root("KELROOT", dir_.dir().c_str()), tmp("KELTMP", (dir_ / "tmp").c_str());
  InitSessionEnvironment();
  const SessionEnvironment& s = Session();
  EXPECT_EQ(s.TempDir, dir_ / "tmp\\");
  EXPECT_EQ(s.MenuTitle, " GESTIO ");
  EXPECT_EQ(s.MenuName, "PRINCIPAL");
  EXPECT_EQ(s.Operator, "ANNA");
  EXPECT_EQ(s.OperatorType, 3);
  EXPECT_EQ(s.TerminalDir, "TERM\\2\\");
  EXPECT_EQ(s.ColourTable[0][0], 1);
  EXPECT_EQ(s.ColourTable[4][1], 10);
  EXPECT_EQ(s.WorkDate, std::string("\x94\x9a\x8c\x88", 4));
  EXPECT_EQ(s.OutputDevice, "LPT1");
  EXPECT_EQ(s.LanguageCode, "SPA");
  EXPECT_EQ(s.SystemKind, "DOS");
  EXPECT_EQ(CurrentBoundaryCodePage(), BoundaryCodePage::Oem);
}

TEST_F(SessionEnvironmentTest, WithoutTempDirEverythingComesFromTheTerminal) {
  dir_.Write("term/NuroTerm.ini", "[Sistema]\r\nIdioma=CASTELLANO\r\n");
  ScopedEnv term("TERM", (dir_ / "term").c_str());
  InitSessionEnvironment();
  EXPECT_EQ(Session().TerminalDir, dir_ / "term\\");
  EXPECT_EQ(Session().TempDir, Session().TerminalDir);
  EXPECT_EQ(Session().MenuTitle, "  ");
  EXPECT_EQ(Session().LanguageCode, "CAS");
  EXPECT_EQ(SessionLanguage(), Language::Catalan);  // not one of the three
  EXPECT_EQ(Session().WorkDate, "");
}

TEST_F(SessionEnvironmentTest, MissingSelectionReadsCol0ThenDefaults) {
  dir_.Write("NuroTerm.ini", "[Pantalla]\r\nCol1=01010101010101010101\r\n");
  ScopedEnv tmp("KELTMP", dir_.path().c_str());
  InitSessionEnvironment();
  EXPECT_EQ(Session().ColourTable, ParseColourTable(kDefaultColours));
}

TEST_F(SessionEnvironmentTest, BlankLanguageFallsBackToTheInstallation) {
  dir_.Write("NuroTerm.ini", "[Sistema]\r\nIdioma=   \r\n");
  dir_.Write("Nuro.ini", "[Usuari]\r\nIdioma=GLG\r\n");
  ScopedEnv tmp("KELTMP", dir_.path().c_str()), root("KELROOT", dir_.dir().c_str());
  InitSessionEnvironment();
  EXPECT_EQ(Session().LanguageCode, "GLG");
  EXPECT_EQ(SessionLanguage(), Language::Galician);
}

TEST_F(SessionEnvironmentTest, NoDirectoriesAtAllLeavesThemEmpty) {
  InitSessionEnvironment();
  EXPECT_EQ(Session().RootDir, "");
  EXPECT_EQ(Session().TempDir, "");
  EXPECT_EQ(Session().TerminalDir, "");
  EXPECT_EQ(Session().LanguageCode, "   ");
}

TEST_F(SessionEnvironmentTest, SystemKindTestsWebBeforeWindows) {
  {
    ScopedEnv accept("HTTP_ACCEPT", "text/html"), windir("WINDIR", "C:\\WINDOWS");
    InitSessionEnvironment();
    EXPECT_EQ(Session().SystemKind, "CGI");
  }
  {
    ScopedEnv sysroot("SYSTEMROOT", "C:\\WINDOWS");
    InitSessionEnvironment();
    EXPECT_EQ(Session().SystemKind, "WIN");
  }
}

}  // namespace
}  // namespace kel

namespace kel {
namespace {

TEST_F(SessionEnvironmentTest, TerminalTypeInTermIsNotADirectory) {
  KEL_POSIX_ONLY("TERM as the terminal type");
  ScopedEnv term("TERM", "xterm-256color");
  InitSessionEnvironment();
  EXPECT_EQ(Session().TerminalDir, "");
}

TEST_F(SessionEnvironmentTest, TermNamingAnExistingDirectoryCounts) {
  dir_.Write("T/NuroTerm.ini", "[Sistema]\r\nIdioma=OCI\r\n");
  const std::filesystem::path started = std::filesystem::current_path();
  std::error_code changed;
  std::filesystem::current_path(dir_.path(), changed);
  ASSERT_FALSE(changed);
  ScopedEnv term("TERM", "T");
  InitSessionEnvironment();
  EXPECT_EQ(Session().TerminalDir, "T\\");
  EXPECT_EQ(Session().LanguageCode, "OCI");
  std::filesystem::current_path(started);
}

}  // namespace
}  // namespace kel
