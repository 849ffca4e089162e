// kelstart in a real terminal. A registered PC's session start draws nothing, so the shell's
// screen must come through untouched; an unregistered PC is registered through the dialog,
// and the shell's screen comes back after it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "config/ini.h"
#include "support/temp_dir.h"
#include "support/tmux_pane.h"

namespace kel {
namespace {

using testing::Quote;
using testing::TmuxPane;

class KelstartInTerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::TmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
    program_ = KEL_BINARY_DIR "/kelstart";
    ASSERT_TRUE(std::filesystem::exists(program_)) << "build the kelstart target first";
    pane_ = std::make_unique<TmuxPane>(root_ / "tmux.sock");
    root_.Write("KelTerm.ini", "[Terminals]\r\nTerm1=PC1\r\n[PC1]\r\nMac=001122334455\r\nPath=TERM\\1\\\r\n");
    root_.Write("TERM/1/NuroTerm.ini", "[Pantalla]\r\nCol=15000700000700070007\r\n"
                                       "[Sistema]\r\nIdioma=CAT\r\n");
  }

  // Runs kelstart as the named PC from a shell that frames it between two marker lines.
  void Run(const std::string& computer, const std::string& arguments = "") {
    const std::string env = "KELROOT=" + Quote(root_.dir()) + " KELTMP=" + Quote(root_ / "tmp") +
                            " KEL_NO_CLOCK_SYNC=1 KEL_COMPUTER_NAME=" + computer +
                            " KEL_ADAPTER_ADDRESS=none TERM=xterm LANG=C.UTF-8";
    const std::string script = "echo first-line; env " + env + " " + Quote(program_) + " " +
                               arguments + "; echo \"ended rc=$?\"; sleep 60";
    ASSERT_TRUE(pane_->Start("sh -c " + Quote(script)));
  }

  testing::TempDir root_;
  std::string program_;
  std::unique_ptr<TmuxPane> pane_;
};

TEST_F(KelstartInTerminalTest, RegisteredStartLeavesTheShellScreenAlone) {
  std::filesystem::create_directories(root_ / "tmp");
  Run("PC1");
  const std::string pane = pane_->WaitForText("ended rc=");
  EXPECT_NE(pane.find("first-line\nended rc=0\n"), std::string::npos) << pane;
  EXPECT_TRUE(root_.Exists("tmp/NUROTERM.INI"));
}

// An unregistered PC answers the dialog: Catalan, a new terminal, no copy. It becomes terminal
// 2 with the root's default configuration, and the shell's screen comes back.
TEST_F(KelstartInTerminalTest, UnregisteredPcRegistersThroughTheDialog) {
  std::filesystem::create_directories(root_ / "tmp");
  root_.Write("SCRN.CFG", "screen");
  root_.Write("PRINTER.CFG", "printer");
  Run("NEWPC");
  pane_->WaitForText("CATAL");
  pane_->Keys("Enter");
  const std::string question = pane_->WaitForText("TERMINAL NOU");
  EXPECT_NE(question.find("SELECCIONEU TERMINAL"), std::string::npos) << question;
  EXPECT_NE(question.find("PC1"), std::string::npos) << question;
  pane_->Keys("Enter");
  pane_->WaitForText("NO COPIAR-LA");
  pane_->Keys("Enter");
  const std::string pane = pane_->WaitForText("ended rc=");
  EXPECT_NE(pane.find("first-line\nended rc=0\n"), std::string::npos) << pane;
  EXPECT_EQ(ReadIniKey(root_ / "KelTerm.ini", "Terminals", "Term2"), "NEWPC");
  EXPECT_EQ(ReadIniKey(root_ / "KelTerm.ini", "NEWPC", "Path"), "TERM\\2\\");
  EXPECT_EQ(root_.Read("TERM/2/SCRN.CFG"), "screen");
  EXPECT_EQ(root_.Read("TERM/2/PRINTER.CFG"), "printer");
}

// Occitan on the form: the question's row and the list title follow it; Esc then cancels with
// exit code 1, the registry untouched and the shell's screen back.
TEST_F(KelstartInTerminalTest, OccitanDialogCancelledLeavesTheRegistryAlone) {
  std::filesystem::create_directories(root_ / "tmp");
  const std::string registry = root_.Read("KelTerm.ini");
  Run("NEWPC");
  pane_->WaitForText("CATAL");
  pane_->Keys("Right Right Enter");
  const std::string question = pane_->WaitForText("TERMINAU NAU");
  EXPECT_NE(question.find("SELECCIONATZ TERMINAU"), std::string::npos) << question;
  pane_->Keys("Escape");
  const std::string pane = pane_->WaitForText("ended rc=");
  EXPECT_NE(pane.find("first-line\nended rc=1\n"), std::string::npos) << pane;
  EXPECT_EQ(root_.Read("KelTerm.ini"), registry);
}

}  // namespace
}  // namespace kel
