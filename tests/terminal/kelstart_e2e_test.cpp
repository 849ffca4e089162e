// The real kelstart program run against a temporary installation root, with the computer
// name and adapter given through the environment and the clock left alone.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "config/ini.h"
#include "support/temp_dir.h"

namespace kel {
namespace {

constexpr const char* kAddress = "001A2B3C4D5E";

struct Outcome {
  int exit_code = -1;
  std::string errors;
};

class KelstartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(KEL_BINARY_DIR "/kelstart")) << "build the kelstart target first";
    root_.Write("tmp/.keep", "");
    root_.Write("listings/.keep", "");
    root_.Write("Nuro.ini", "[Usuari]\r\nIdioma=SPA\r\n");
    root_.Write("SCRN.CFG", "14010701010301071404");
    root_.Write("TERM/1/SCRN.CFG", "14010701010301071404");
  }

  // Runs kelstart with these arguments as the PC of this name, from the root's parent.
  Outcome Kelstart(const std::string& computer_name, std::vector<std::string> arguments = {}) const {
    std::vector<std::string> environment = {
        "KELROOT=" + root_.dir(),
        "KELTMP=" + (root_ / "tmp"),
        "TERM=xterm-256color",
        "TEMP=" + (root_ / "listings"),
        "KEL_NO_CLOCK_SYNC=1",
        "KEL_COMPUTER_NAME=" + computer_name,
        std::string("KEL_ADAPTER_ADDRESS=") + kAddress,
    };
    for (const char* passed : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
      if (const char* value = std::getenv(passed)) environment.push_back(std::string(passed) + "=" + value);
    }
    const std::string program = KEL_BINARY_DIR "/kelstart";
    arguments.insert(arguments.begin(), program);
    const std::string errors_file = root_ / "stderr.txt";

    const pid_t child = fork();
    if (child == 0) {
      const int null_in = open("/dev/null", O_RDONLY);
      const int out = open((root_ / "stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = open(errors_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(null_in, 0);
      dup2(out, 1);
      dup2(err, 2);
      if (chdir(std::filesystem::path(root_.path()).parent_path().c_str()) != 0) _exit(126);
      std::vector<char*> argv, envp;
      for (auto& argument : arguments) argv.push_back(argument.data());
      argv.push_back(nullptr);
      for (auto& variable : environment) envp.push_back(variable.data());
      envp.push_back(nullptr);
      execve(program.c_str(), argv.data(), envp.data());
      _exit(127);
    }
    Outcome run;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
    run.errors = root_.Read("stderr.txt");
    return run;
  }

  void RegisterPc(const std::string& name) const {
    root_.Write("KelTerm.ini", "[Terminals]\r\nTerm1=" + name + "\r\n\r\n[" + name + "]\r\nMac=" + kAddress +
                                   "\r\nPath=TERM\\1\\\r\n");
  }

  std::string Registered(const std::string& section, const std::string& key) const {
    return ReadIniKey(root_ / "KelTerm.ini", section, key);
  }
  std::string Sessio(const std::string& key) const { return ReadIniKey(root_ / "tmp/Sessio.ini", "Terminal", key); }
  std::string Terminal(const std::string& section, const std::string& key) const {
    return ReadIniKey(root_ / "TERM/1/NuroTerm.ini", section, key);
  }

  bool ProbeLeftBehind() const {
    for (const auto& entry : std::filesystem::directory_iterator(root_.path())) {
      const std::string name = entry.path().filename().string();
      if (name.size() > 3 && (name.substr(0, 3) == "tim" || name.substr(0, 3) == "TIM")) return true;
    }
    return false;
  }

  testing::TempDir root_;
};

TEST_F(KelstartTest, RegisteredPcStartsItsSession) {
  RegisterPc("PC9");
  const std::string registry = root_.Read("KelTerm.ini");

  const Outcome run = Kelstart("PC9");

  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(Sessio("Nom"), "PC9");
  EXPECT_EQ(Sessio("Mac"), kAddress);
  EXPECT_EQ(Sessio("Dir"), "TERM\\1\\");
  EXPECT_EQ(root_.Read("KelTerm.ini"), registry);
  EXPECT_EQ(Terminal("Pantalla", "MaxColors"), "10");
  EXPECT_EQ(Terminal("Pantalla", "Nom4"), "CONTRASTE NEGRO");
  EXPECT_EQ(Terminal("Pantalla", "Col"), "14010701010301071404");
  EXPECT_EQ(Terminal("Pantalla", "Seleccio"), "3");
  EXPECT_EQ(Terminal("Sistema", "Sortida"), "P");
  EXPECT_EQ(Terminal("Sistema", "Idioma"), "SPA");
  EXPECT_EQ(Terminal("Sistema", "Data").size(), 8u);
  // The session's working copy is the terminal's settings file.
  EXPECT_EQ(ReadIniKey(root_ / "tmp/NuroTerm.ini", "Pantalla", "Nom4"), "CONTRASTE NEGRO");
  EXPECT_EQ(ReadIniKey(root_ / "tmp/NuroTerm.ini", "Sistema", "Idioma"), "SPA");
  EXPECT_FALSE(ProbeLeftBehind());
}

TEST_F(KelstartTest, RenamedPcTakesOverItsRegistryEntry) {
  RegisterPc("PC1");

  const Outcome run = Kelstart("PC9");

  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(Registered("Terminals", "Term1"), "PC9");
  EXPECT_EQ(Registered("PC9", "Path"), "TERM\\1\\");
  EXPECT_EQ(Registered("PC9", "Mac"), kAddress);
  EXPECT_EQ(Registered("PC1", "Path"), "");
  EXPECT_EQ(Sessio("Nom"), "PC9");
  EXPECT_EQ(Sessio("Dir"), "TERM\\1\\");
}

TEST_F(KelstartTest, SessionEndCopiesTheWorkingSettingsBack) {
  RegisterPc("PC9");
  ASSERT_EQ(Kelstart("PC9").exit_code, 0);
  WriteIniKey(root_ / "tmp/NuroTerm.ini", "Sistema", "Data", "20301231");
  const std::string registry = root_.Read("KelTerm.ini");
  const std::string session = root_.Read("tmp/Sessio.ini");

  const Outcome run = Kelstart("OTHER", {"/off"});

  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(Terminal("Sistema", "Data"), "20301231");
  EXPECT_EQ(root_.Read("KelTerm.ini"), registry);
  EXPECT_EQ(root_.Read("tmp/Sessio.ini"), session);
}

TEST_F(KelstartTest, OldTerminalListIsMigratedOnFirstStart) {
  root_.Write("Nuro.ini",
              "[Usuari]\r\nIdioma=CAT\r\n[Terminals]\r\nMaxTerm=3\r\nTerm1=PC1\r\nTerm2=PC9\r\n"
              "PC1=AAAAAAAAAAAA\r\nPC9=001A2B3C4D5E\r\nAAAAAAAAAAAA=TERM\\2\\\r\n001A2B3C4D5E=TERM\\1\\\r\n");

  const Outcome run = Kelstart("PC9");

  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(Registered("Terminals", "Term1"), "PC1");
  EXPECT_EQ(Registered("Terminals", "Term2"), "PC9");
  EXPECT_EQ(Registered("Terminals", "Term3"), "");
  EXPECT_EQ(Sessio("Dir"), "TERM\\1\\");
  EXPECT_EQ(Terminal("Sistema", "Idioma"), "CAT");
}

// Without a terminal nobody could answer the dialog: the program ends instead of waiting.
TEST_F(KelstartTest, UnregisteredPcWithoutTerminalEndsWithCodeOne) {
  root_.Write("KelTerm.ini", "[Terminals]\r\nTerm1=PC1\r\n[PC1]\r\nMac=AAAAAAAAAAAA\r\nPath=TERM\\1\\\r\n");
  const std::string registry = root_.Read("KelTerm.ini");

  const Outcome run = Kelstart("PC9");

  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.errors.find("PC9"), std::string::npos) << run.errors;
  EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1);
  EXPECT_EQ(root_.Read("KelTerm.ini"), registry);
  EXPECT_FALSE(root_.Exists("tmp/Sessio.ini"));
}

}  // namespace
}  // namespace kel
