// The registration dialog on a virtual console, with the start-up program's own screens,
// against a temporary installation root: every way through it in each language.
#include "terminal/registration.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "config/ini.h"
#include "console/browse_fixture.h"
#include "console/definitions.h"
#include "console/form.h"
#include "platform/codepage.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "startup/builtin_definitions.h"
#include "startup/screen_hooks.h"
#include "startup/session_environment.h"
#include "support/temp_dir.h"
#include "terminal/terminal_registry.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kName = "PC9";
constexpr const char* kAddress = "001A2B3C4D5E";

// The languages of the form in the order Right reaches them from Catalan.
struct LanguageCase {
  const char* code;
  int rights;
};
constexpr LanguageCase kLanguages[] = {{"CAT", 0}, {"GLG", 1}, {"OCI", 2}, {"SPA", 3}};

class RegistrationTest : public testing::ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    SetBoundaryCodePage(BoundaryCodePage::Oem);
    saved_directory_ = platform::CurrentDirectory();
    ASSERT_TRUE(platform::ChangeDirectory(root_.path()));
    SessionToFill().RootDir = root_.dir();
    SessionToFill().LanguageCode = "CAT";
    root_.Write("SCRN.CFG", "screen");
    root_.Write("PRINTER.CFG", "printer");
    root_.Write("NUROTERM.INI", "root settings");
    LoadBuiltinDefinitions();
    InstallStartupScreenHooks();
    SetFieldValue(kLanguageForm, 1, "CAT");
  }
  void TearDown() override {
    platform::ChangeDirectory(saved_directory_);
    ResetRegistration();
    ScreenTest::TearDown();
  }

  // A registry of computers PC1, PC2 ..., terminal n in TERM\n\ holding "n.CFG".
  void Register(int count) {
    std::string text = "[Terminals]\r\n";
    for (int n = 1; n <= count; ++n) text += "Term" + std::to_string(n) + "=PC" + std::to_string(n) + "\r\n";
    for (int n = 1; n <= count; ++n) {
      text += "[PC" + std::to_string(n) + "]\r\nMac=AAAAAAAAAA" + (n < 10 ? "0" : "") +
              std::to_string(n % 100) + "\r\nPath=TERM\\" + std::to_string(n) + "\\\r\n";
      root_.Write("TERM/" + std::to_string(n) + "/" + std::to_string(n) + ".CFG", "config " + std::to_string(n));
    }
    root_.Write("KelTerm.ini", text);
  }

  void ChooseLanguage(const LanguageCase& language) {
    for (int i = 0; i < language.rights; ++i) Right();
    Enter();
  }

  RegistrationOutcome Run() { return RunRegistration(kName, kAddress, result_); }
  std::string Registry() const { return root_.Read("KelTerm.ini"); }
  std::string Registered(const std::string& section, const std::string& key) const {
    return ReadIniKey(root_ / "KelTerm.ini", section, key);
  }
  std::vector<std::string> Files(const std::string& directory) const {
    std::vector<std::string> names;
    if (!fs::is_directory(root_ / directory)) return names;
    for (const auto& entry : fs::directory_iterator(root_ / directory)) {
      const std::string name = entry.path().filename().string();
      if (name[0] != '.') names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  testing::TempDir root_;
  RegistrationResult result_;

 private:
  std::string saved_directory_;
};

class RegistrationInEachLanguage : public RegistrationTest,
                                   public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(RegistrationInEachLanguage, EmptyRegistryNewTerminalWithoutCopy) {
  ChooseLanguage(GetParam());
  Enter();  // the new terminal
  Enter();  // copy nothing
  ASSERT_EQ(Run(), RegistrationOutcome::Done);
  EXPECT_EQ(result_.directory, "TERM\\1\\");
  EXPECT_EQ(result_.replaced_name, "");
  EXPECT_EQ(Session().LanguageCode, GetParam().code);
  EXPECT_EQ(Files("TERM/1"), (std::vector<std::string>{"PRINTER.CFG", "SCRN.CFG"}));
  EXPECT_EQ(Registry(), "[Terminals]\r\nTerm1=PC9\r\n[PC9]\r\nMac=001A2B3C4D5E\r\nPath=TERM\\1\\\r\n");
}

TEST_P(RegistrationInEachLanguage, ThreeTerminalsNewOneCopiesTheSecond) {
  Register(3);
  ChooseLanguage(GetParam());
  Enter();     // the new terminal
  Down(2);     // PC2
  Enter();
  ASSERT_EQ(Run(), RegistrationOutcome::Done);
  EXPECT_EQ(result_.directory, "TERM\\4\\");
  EXPECT_EQ(Files("TERM/4"), std::vector<std::string>{"2.CFG"});
  EXPECT_EQ(Registered("Terminals", "Term4"), "PC9");
  EXPECT_EQ(Registered("PC9", "Path"), "TERM\\4\\");
  EXPECT_EQ(Registered("PC9", "Mac"), kAddress);
}

TEST_P(RegistrationInEachLanguage, ReplacingARegisteredComputerWritesNothing) {
  Register(3);
  const std::string before = Registry();
  ChooseLanguage(GetParam());
  Down(2);  // PC2
  Enter();
  ASSERT_EQ(Run(), RegistrationOutcome::Done);
  EXPECT_EQ(result_.replaced_name, "PC2");
  EXPECT_EQ(result_.replaced_number, 2);
  EXPECT_EQ(result_.replaced_address, "AAAAAAAAAA02");
  EXPECT_EQ(result_.directory, "TERM\\2\\");
  EXPECT_EQ(Registry(), before);
  EXPECT_FALSE(fs::exists(root_ / "TERM/4"));
}

TEST_P(RegistrationInEachLanguage, EscOnTheLanguageFormCancels) {
  Register(2);
  const std::string before = Registry();
  Esc();
  EXPECT_EQ(Run(), RegistrationOutcome::Cancelled);
  EXPECT_EQ(Registry(), before);
  EXPECT_EQ(Session().LanguageCode, "CAT");
}

TEST_P(RegistrationInEachLanguage, CancelOnTheFirstQuestionCancels) {
  Register(2);
  const std::string before = Registry();
  ChooseLanguage(GetParam());
  Esc();
  EXPECT_EQ(Run(), RegistrationOutcome::Cancelled);
  EXPECT_EQ(Registry(), before);
  EXPECT_FALSE(fs::exists(root_ / "TERM/3"));
}

TEST_P(RegistrationInEachLanguage, CancelOnTheSecondQuestionAsksTheFirstAgain) {
  Register(1);
  ChooseLanguage(GetParam());
  Enter();  // the new terminal
  Esc();    // back to the first question
  Enter();  // the new terminal again
  Esc();    // back again
  Esc();    // and cancel
  EXPECT_EQ(Run(), RegistrationOutcome::Cancelled);
  EXPECT_FALSE(fs::exists(root_ / "TERM/2"));
  EXPECT_EQ(Registered("Terminals", "Term2"), "");
}

INSTANTIATE_TEST_SUITE_P(Languages, RegistrationInEachLanguage, ::testing::ValuesIn(kLanguages),
                         [](const auto& test) { return std::string(test.param.code); });

// A terminal to copy from whose "Path" is empty or leads out of the root gives nothing: not
// the root's own files, not another place's.
TEST_F(RegistrationTest, CopySourceOutsideTheRootCopiesNothing) {
  for (const char* path : {"", "..\\other\\", "TERM\\..\\..\\other\\", "/etc/"}) {
    Register(2);
    WriteIniKey(root_ / "KelTerm.ini", "PC2", "Path", path);
    root_.Write("../other/secret.CFG", "secret");
    SetFieldValue(kLanguageForm, 1, "CAT");
    Enter();
    Enter();
    Down(2);
    Enter();
    ASSERT_EQ(Run(), RegistrationOutcome::Done) << path;
    EXPECT_EQ(result_.directory, "TERM\\3\\");
    EXPECT_EQ(Files("TERM/3"), std::vector<std::string>{}) << path;
    EXPECT_EQ(Registered("Terminals", "Term3"), "PC9");
    fs::remove_all(root_ / "TERM");
  }
  EXPECT_TRUE(PathInsideRoot("TERM\\2\\"));
  EXPECT_TRUE(PathInsideRoot(root_.dir() + "TERM/2/"));
  EXPECT_FALSE(PathInsideRoot(".."));
}

// Past 255 terminals the list shows the first 255, and the new terminal still gets the number
// after the last registered one.
TEST_F(RegistrationTest, MoreThan255TerminalsAreCountedPastTheList) {
  std::string text = "[Terminals]\r\n";
  for (int n = 1; n <= 300; ++n) text += "Term" + std::to_string(n) + "=PC" + std::to_string(n) + "\r\n";
  root_.Write("KelTerm.ini", text);
  Enter();
  Enter();
  Enter();
  ASSERT_EQ(Run(), RegistrationOutcome::Done);
  EXPECT_EQ(result_.directory, "TERM\\301\\");
  EXPECT_EQ(Registered("Terminals", "Term301"), "PC9");
  EXPECT_EQ(Registered("Terminals", "Term300"), "PC300");
  EXPECT_EQ(BrowseList(255), "PC255");
}

// The directory of the new number cannot be made (a file holds its name): nothing registered.
TEST_F(RegistrationTest, NoDirectoryNoEntry) {
  Register(1);
  root_.Write("TERM/2", "a file");
  const std::string before = Registry();
  Enter();
  Enter();
  Enter();
  EXPECT_EQ(Run(), RegistrationOutcome::NoDirectory);
  EXPECT_EQ(Registry(), before);
}

// Without a session directory the toolkit's working files go to a private directory of the
// process, not the shared root, and it is gone when the dialog ends.
TEST_F(RegistrationTest, WorkingFilesStayOutOfTheRootWhileTempDirIsEmpty) {
  testing::TempDir system_temp;
  testing::ScopedEnv temp{"TEMP", system_temp.dir().c_str()};
  SessionToFill().TempDir.clear();
  std::vector<std::string> seen;
  AtEachSnap([&] {
    for (const auto& entry : fs::recursive_directory_iterator(system_temp.path())) {
      seen.push_back(entry.path().filename().string());
#ifndef _WIN32  // Windows keeps a directory's access in the list it inherits
      if (entry.is_directory()) {
        EXPECT_EQ(fs::status(entry.path()).permissions() & fs::perms::all, fs::perms::owner_all);
      }
#endif
    }
  });
  Enter();
  Snap();
  Esc();
  EXPECT_EQ(Run(), RegistrationOutcome::Cancelled);
  EXPECT_EQ(Session().TempDir, "");
  EXPECT_FALSE(fs::exists(root_ / "WinPush.tmp"));
  EXPECT_FALSE(fs::exists(root_ / "Browse.tmp"));
  EXPECT_NE(std::find(seen.begin(), seen.end(), "WinPush.tmp"), seen.end());
  EXPECT_TRUE(fs::is_empty(system_temp.path()));
}

// The first question's screen in each language: the message box on row 1 over the list,
// whose title and first row follow the language chosen on the form. The expected screens are
// kept beside this test, one file a language.
TEST_F(RegistrationTest, FirstQuestionScreens) {
  Register(2);
  for (const LanguageCase& language : kLanguages) {
    SessionToFill().LanguageCode = "CAT";
    LoadBuiltinDefinitions();
    SetFieldValue(kLanguageForm, 1, "CAT");
    ChooseLanguage(language);
    Snap();
    Esc();
    EXPECT_EQ(Run(), RegistrationOutcome::Cancelled);
  }
  ASSERT_EQ(Shots().size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    const std::string golden = std::string(KEL_SOURCE_DIR "/tests/terminal/screens/first_question_") +
                               kLanguages[i].code + ".txt";
    std::ifstream in(golden, std::ios::binary);
    const std::string expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (std::getenv("KEL_WRITE_SCREENS") != nullptr) std::ofstream(golden, std::ios::binary) << Shots()[i].screen;
    EXPECT_EQ(Shots()[i].screen, expected) << golden;
    EXPECT_EQ(Shots()[i].highlighted_row, 6);
  }
}

}  // namespace
}  // namespace kel
