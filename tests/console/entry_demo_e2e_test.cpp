// The data-entry demo in a real terminal: tmux types through both pages of its card (word
// moves and Insert in a field, a refused PIN, the town lookup, the language choice, paging
// across the chain, a mouse click, Ctrl+Y, Esc twice) and reads the values it prints once it
// has given the terminal back.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "support/temp_dir.h"
#include "support/tmux_pane.h"

namespace kel {
namespace {

using testing::Quote;
using testing::TmuxPane;

class EntryDemoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::TmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
    demo_ = KEL_BINARY_DIR "/entry_demo";
    ASSERT_TRUE(std::filesystem::exists(demo_)) << "build the entry_demo target first";
    pane_ = std::make_unique<TmuxPane>(temp_ / "tmux.sock");
    std::string help;
    for (int line = 1; line <= 30; ++line) {
      std::string text = "Customer card help, line " + std::to_string(line);
      text.resize(80, ' ');
      help += text;
    }
    temp_.Write("AJUDA/DEMO.HLP", help);
    const std::string script = "echo first-line; env LANG=C.UTF-8 TMPDIR=" + Quote(temp_.path()) +
                               " " + Quote(demo_) + " " + Quote(temp_.path()) +
                               "; echo \"ended rc=$?\"; sleep 60";
    ASSERT_TRUE(pane_->Start("sh -c " + Quote(script)));
  }

  void Keys(const std::string& keys) { ASSERT_TRUE(pane_->Keys(keys)); }
  // Text typed as it is, without tmux reading key names in it.
  void Type(const std::string& text) { ASSERT_TRUE(pane_->Keys("-l " + Quote(text))); }
  // A left click at a screen position, as an xterm reports it.
  void Click(int row, int column) {
    const std::string at = std::to_string(column) + ";" + std::to_string(row);
    Keys("-l \"$(printf '\\033[<0;" + at + "M\\033[<0;" + at + "m')\"");
  }
  std::string WaitForText(const std::string& text) { return pane_->WaitForText(text); }

  testing::TempDir temp_;
  std::string demo_;
  std::unique_ptr<TmuxPane> pane_;
};

TEST_F(EntryDemoTest, TypesThroughTheCardAndPrintsItsValues) {
  WaitForText("Name:");
  Keys("F1");  // the help, then back to the same field
  WaitForText("Customer card help, line 1");
  Keys("Escape");
  bool closed = false;
  pane_->WaitFor([](const std::string& pane) { return pane.find("card help") == std::string::npos; },
                 &closed);
  ASSERT_TRUE(closed) << "the help stayed open";
  Type("Joan Puig");
  Keys("C-Left C-Left IC");  // to the start, insert mode on
  Type("Sr ");
  Keys("C-Right");           // to "Puig"
  Type("M. ");
  Keys("IC");                // overwrite mode again
  WaitForText("Name:      Sr Joan M. Puig");

  Keys("Tab");
  Type("Pays on the first working day of each month");
  WaitForText("Pays on the first working day ");
  WaitForText("of each month");  // the notes wrap to their second row
  Keys("Tab");
  Type("12a4");
  Keys("Tab");                // refused: not digits; the PIN is edited again
  Type("1234");
  Keys("Tab");                // on to the second page
  std::string page = WaitForText("Customer:  --------");
  EXPECT_EQ(page.find("1234"), std::string::npos) << page;

  Keys("F4");
  page = WaitForText("TOWNS (F4)");
  EXPECT_NE(page.find("Town 001  district 1, postcode 08001, 1"), std::string::npos) << page;
  Keys("Right");              // wider than the window: the lines scroll
  page = WaitForText("◄");
  EXPECT_NE(page.find("◄4)═══"), std::string::npos) << page;
  EXPECT_NE(page.find("║  district 1, postcode 08001, 137 m abo║"), std::string::npos) << page;
  Keys("Left NPage Down Down Enter");
  WaitForText("City:      Town 016");
  Keys("Right");              // the language after Catalan
  WaitForText("GALEGO");
  Keys("PPage PPage");        // to the first field, then back to the first page
  WaitForText("Notes:");
  Keys("NPage NPage");        // to the last field, then on to the second page again
  WaitForText("City:      Town 016");
  Keys("PPage PPage");
  WaitForText("Name:      Sr Joan M. Puig");

  Click(6, 16);               // on the notes
  Keys("C-y");
  Type("Paid");
  Keys("Tab");                // the PIN, which keeps its value when left alone
  Keys("Escape Escape");      // back to the first field, then out

  const std::string after = WaitForText("ended rc=");
  const std::string expected =
      "first-line\n"
      "key=1b\n"
      "name=[Sr Joan M. Puig]\n"
      "notes=[Paid]\n"
      "pin=[1234]\n"
      "customer=[C-000123]\n"
      "city=[Town 016]\n"
      "language=[GLG]\n"
      "ended rc=0\n";
  EXPECT_EQ(after.substr(0, expected.size()), expected) << after;
  // Nothing of the card is left on the shell's screen.
  EXPECT_EQ(after.find("Entry demo"), std::string::npos) << after;
  EXPECT_FALSE(std::filesystem::exists(temp_ / "Browse.tmp"));
}

}  // namespace
}  // namespace kel
