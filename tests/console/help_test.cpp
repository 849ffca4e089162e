#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "console/console_fixture.h"
#include "console/help_pager.h"
#include "console/window.h"
#include "editing/key_reader.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "support/posix_only.h"

namespace kel {
namespace {

using testing::ConsoleTest;

// Screens seen by the pop-up that Alt+X opens, which the scripts use to look at the pager
// between keys.
std::vector<std::string>* g_snapshots = nullptr;
platform::VirtualConsole* g_console = nullptr;

std::string TakeSnapshot() {
  g_snapshots->push_back(g_console->Snapshot());
  return {};
}

// The text on a row of the pager's window (1 is screen row 5), from screen column 3.
std::string ShownOn(platform::VirtualConsole& console, int window_row) {
  std::string bytes = console.RowBytes(4 + window_row).substr(2, 76);
  return bytes.substr(0, bytes.find_last_not_of(' ') + 1);
}

std::string HelpLine(std::string text) {
  text.resize(80, ' ');
  return text;
}

class HelpTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    old_directory_ = platform::CurrentDirectory();
    ASSERT_TRUE(platform::ChangeDirectory(temp_.path()));
    g_snapshots = &snapshots_;
    g_console = &console();
    SetCalculatorPopup(&TakeSnapshot);
  }
  void TearDown() override {
    platform::ChangeDirectory(old_directory_);
    g_snapshots = nullptr;
    g_console = nullptr;
    ConsoleTest::TearDown();
  }

  void WriteHelp(const std::string& topic, int lines, const std::string& word = "LINE") {
    std::string file;
    for (int i = 1; i <= lines; ++i) file += HelpLine(word + " " + std::to_string(i));
    temp_.Write("AJUDA/" + topic + ".HLP", file);
  }

  void Key(std::uint8_t scan_code) { console().PushExtendedKey(scan_code); }
  void Snapshot() {
    console().PushExtendedKey(0x2D, platform::kLeftAlt);
    console().PushKeyUp(0);
  }
  void Esc() { console().PushKey(27); }

  // The line numbers shown on the first and the last window row in a snapshot.
  static std::pair<std::string, std::string> Page(const std::string& snapshot) {
    std::vector<std::string> rows;
    std::size_t start = 0;
    while (start < snapshot.size()) {
      std::size_t end = snapshot.find('\n', start);
      rows.push_back(snapshot.substr(start, end - start));
      start = end + 1;
    }
    auto number = [](const std::string& row) {
      std::size_t at = row.find("LINE ");
      if (at == std::string::npos) return std::string();
      return row.substr(at + 5, row.find(' ', at + 5) - at - 5);
    };
    return {number(rows.at(4)), number(rows.at(20))};
  }

  std::string old_directory_;
  std::vector<std::string> snapshots_;
};

using PageRange = std::pair<std::string, std::string>;

TEST_F(HelpTest, PagesAFortyLineFile) {
  WriteHelp("TOPIC", 40);
  Snapshot();
  Key(0x4F);  // End
  Snapshot();
  Key(0x49);  // PgUp
  Snapshot();
  Key(0x47);  // Home
  Snapshot();
  Key(0x48);  // Up on the first page
  Snapshot();
  Key(0x50);  // Down
  Snapshot();
  Key(0x48);  // Up
  Snapshot();
  Esc();
  ShowHelp("TOPIC");

  ASSERT_EQ(snapshots_.size(), 7u);
  EXPECT_EQ(Page(snapshots_[0]), PageRange("1", "17"));
  EXPECT_EQ(Page(snapshots_[1]), PageRange("24", "40"));
  EXPECT_EQ(Page(snapshots_[2]), PageRange("7", "23"));
  EXPECT_EQ(Page(snapshots_[3]), PageRange("1", "17"));
  EXPECT_EQ(snapshots_[4], snapshots_[3]);
  EXPECT_EQ(Page(snapshots_[5]), PageRange("2", "18"));
  EXPECT_EQ(snapshots_[6], snapshots_[3]);
}

TEST_F(HelpTest, WindowIsDoubleFramedFromRowFourToThreeRowsAboveTheBottom) {
  WriteHelp("TOPIC", 40);
  Snapshot();
  Esc();
  ShowHelp("TOPIC");
  ASSERT_EQ(snapshots_.size(), 1u);
  const std::string& screen = snapshots_[0];
  EXPECT_NE(screen.find("╔" + std::string() + "═"), std::string::npos);
  std::size_t first = screen.find("╔");
  std::size_t rows_before = static_cast<std::size_t>(std::count(screen.begin(),
                                                                screen.begin() + first, '\n'));
  EXPECT_EQ(rows_before, 3u);
  EXPECT_NE(screen.find("║ LINE 1 "), std::string::npos);
  std::size_t last = screen.find("╚");
  EXPECT_EQ(std::count(screen.begin(), screen.begin() + last, '\n'), 21);
}

TEST_F(HelpTest, PageDownNearTheEndShowsAFullLastPage) {
  WriteHelp("TOPIC", 40);
  Key(0x51);  // PgDn: 18-34
  Snapshot();
  Key(0x51);  // PgDn with 6 lines left: 24-40
  Snapshot();
  Key(0x51);  // nothing left
  Snapshot();
  Key(0x50);  // Down on the last page
  Snapshot();
  Esc();
  ShowHelp("TOPIC");
  ASSERT_EQ(snapshots_.size(), 4u);
  EXPECT_EQ(Page(snapshots_[0]), PageRange("18", "34"));
  EXPECT_EQ(Page(snapshots_[1]), PageRange("24", "40"));
  EXPECT_EQ(snapshots_[2], snapshots_[1]);
  EXPECT_EQ(snapshots_[3], snapshots_[1]);
}

TEST_F(HelpTest, ClosingPutsBackTheScreenAndTheColourRole) {
  WriteHelp("TOPIC", 40);
  PaintMixedScreen();
  MoveCursor(2, 70);
  SetColour("u");
  auto before = Cells();
  Key(0x51);
  Key(0x50);
  Esc();
  ShowHelp("TOPIC");
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(Cursor(), std::make_pair(2, 70));
  EXPECT_EQ(CurrentColourRole(), kRoleU);
  EXPECT_EQ(ColourStackDepth(), 0u);
  EXPECT_EQ(CurrentWindow().open_count, 0);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(HelpTest, ColourSwitchesSelectRoles) {
  std::string file = HelpLine("ab\x1E" "cd\x1E" "ef") + HelpLine("\x1Fuu\x1E" "uu\x1F" "hh") +
                     HelpLine("\x10rr\x10nn");
  temp_.Write("AJUDA/TOPIC.HLP", file);
  struct Seen {
    std::string row1, row2, row3;
    std::vector<std::uint8_t> attributes1, attributes2, attributes3;
  };
  static Seen seen;
  seen = Seen{};
  SetCalculatorPopup(+[]() -> std::string {
    seen.row1 = ShownOn(*g_console, 1);
    seen.row2 = ShownOn(*g_console, 2);
    seen.row3 = ShownOn(*g_console, 3);
    for (int column = 3; column <= 9; ++column) {
      seen.attributes1.push_back(g_console->AttributeAt(5, column));
      seen.attributes2.push_back(g_console->AttributeAt(6, column));
      seen.attributes3.push_back(g_console->AttributeAt(7, column));
    }
    return {};
  });
  Snapshot();
  Esc();
  ShowHelp("TOPIC");

  const std::uint8_t h = testing::kAttributeH, n = testing::kAttributeN,
                     u = testing::kAttributeU, r = testing::kAttributeR;
  EXPECT_EQ(seen.row1, "abcdef");
  EXPECT_EQ(seen.attributes1, (std::vector<std::uint8_t>{n, n, h, h, n, n, n}));
  // H switched on while U is on changes nothing; U off returns to N although H is on.
  EXPECT_EQ(seen.row2, "uuuuhh");
  EXPECT_EQ(seen.attributes2, (std::vector<std::uint8_t>{u, u, u, u, n, n, n}));
  EXPECT_EQ(seen.row3, "rrnn");
  EXPECT_EQ(seen.attributes3, (std::vector<std::uint8_t>{r, r, n, n, n, n, n}));
}

TEST_F(HelpTest, AtMostSeventySixCharactersOfALineAreShown) {
  std::string line(80, 'x');
  line[0] = '\x1E';
  line[1] = '\x1E';
  temp_.Write("AJUDA/TOPIC.HLP", line + HelpLine(std::string(80, 'y')));
  Snapshot();
  Esc();
  ShowHelp("TOPIC");
  ASSERT_EQ(snapshots_.size(), 1u);
  EXPECT_NE(snapshots_[0].find("║ " + std::string(76, 'x') + " ║"), std::string::npos);
  EXPECT_NE(snapshots_[0].find("║ " + std::string(76, 'y') + " ║"), std::string::npos);
}

TEST_F(HelpTest, F1OpensTheGeneralHelpOnTopAndComesBack) {
  WriteHelp("TOPIC", 40);
  WriteHelp("ZZOPMENU", 5, "GENERAL");
  Snapshot();
  Key(0x3B);  // F1
  Snapshot();
  Key(0x3B);  // F1 inside the general help does nothing
  Snapshot();
  Esc();
  Snapshot();
  Esc();
  ShowHelp("TOPIC");
  ASSERT_EQ(snapshots_.size(), 4u);
  EXPECT_NE(snapshots_[1].find("GENERAL 5"), std::string::npos);
  EXPECT_EQ(snapshots_[1].find("LINE 1 "), std::string::npos);
  EXPECT_EQ(snapshots_[2], snapshots_[1]);
  EXPECT_EQ(snapshots_[3], snapshots_[0]);
}

TEST_F(HelpTest, MissingFileShowsAnEmptyPageThatEscCloses) {
  PaintMixedScreen();
  auto before = Cells();
  Snapshot();
  Key(0x51);
  Key(0x4F);
  Esc();
  ShowHelp("NOSUCH");
  ASSERT_EQ(snapshots_.size(), 1u);
  EXPECT_NE(snapshots_[0].find("║" + std::string(78, ' ') + "║"), std::string::npos);
  EXPECT_EQ(Cells(), before);
}

// A topic is a plain name: a path in it reaches no help file outside the help directory.
TEST_F(HelpTest, TopicWithAPathShowsNothingFromOutsideTheHelpDirectory) {
  std::string file;
  for (int i = 1; i <= 5; ++i) file += HelpLine("OUTSIDE " + std::to_string(i));
  temp_.Write("SECRET.HLP", file);
  temp_.Write("AJUDA/SUB/INNER.HLP", file);
  for (const char* topic : {"..\\SECRET", "../SECRET", "SUB\\INNER", "/SECRET"}) {
    snapshots_.clear();
    Snapshot();
    Esc();
    ShowTextHelp(topic);
    ASSERT_EQ(snapshots_.size(), 1u) << topic;
    EXPECT_EQ(snapshots_[0].find("OUTSIDE"), std::string::npos) << topic;
  }
}

TEST_F(HelpTest, LinesStayInsideTheFrameOfANarrowScreen) {
  console().SetSize(25, 60, false);
  std::string file;
  // Help files keep their 80-column lines whatever the terminal's width.
  for (int i = 1; i <= 20; ++i) file += std::string(80, static_cast<char>('a' + i % 26));
  temp_.Write("AJUDA/TOPIC.HLP", file);
  Snapshot();
  Esc();
  ShowHelp("TOPIC");
  ASSERT_EQ(snapshots_.size(), 1u);
  // Each row shows the first 57 characters of its line, on columns 3 to 59 between the sides.
  EXPECT_NE(snapshots_[0].find("║ " + std::string(57, 'b') + "║\n"), std::string::npos)
      << snapshots_[0];
  EXPECT_NE(snapshots_[0].find("║ " + std::string(57, 'c') + "║\n"), std::string::npos);
  EXPECT_NE(snapshots_[0].find("╚" + std::string() + "═"), std::string::npos);
}

TEST_F(HelpTest, ScreenWithNoRoomForALineLeavesTheCallersWindowAlone) {
  WriteHelp("TOPIC", 40);
  for (int rows : {3, 7}) {
    console().SetSize(rows, 80, false);
    PaintMixedScreen();
    OpenWindow(1, 1, rows, 40);
    SetColour("u");
    DrawFrame(1);
    auto framed = Cells();
    ShowHelp("TOPIC");
    EXPECT_EQ(Cells(), framed) << rows << " rows";
    EXPECT_EQ(CurrentWindow().open_count, 1) << rows << " rows";
    EXPECT_EQ(CurrentColourRole(), kRoleU);
    EXPECT_EQ(ColourStackDepth(), 0u);
    CloseWindow();
  }
}

TEST(HelpLineCount, RoundsHalvesToEven) {
  EXPECT_EQ(HelpLineCount(3200, 80), 40);
  EXPECT_EQ(HelpLineCount(3239, 80), 40);
  EXPECT_EQ(HelpLineCount(3241, 80), 41);
  EXPECT_EQ(HelpLineCount(3240, 80), 40);  // 40.5
  EXPECT_EQ(HelpLineCount(3320, 80), 42);  // 41.5
  EXPECT_EQ(HelpLineCount(0, 80), 0);
}

TEST(HelpTopic, OnlyPlainNamesReachTheCommandLine) {
  EXPECT_TRUE(IsPlainHelpTopic("ZZOPMENU"));
  EXPECT_TRUE(IsPlainHelpTopic("fac_01-b"));
  EXPECT_FALSE(IsPlainHelpTopic(""));
  EXPECT_FALSE(IsPlainHelpTopic("A&DEL C:"));
  EXPECT_FALSE(IsPlainHelpTopic("..\\X"));
  EXPECT_FALSE(IsPlainHelpTopic("A B"));
  EXPECT_FALSE(IsPlainHelpTopic("A|B"));
  EXPECT_FALSE(IsPlainHelpTopic("A\"B"));
  EXPECT_FALSE(IsPlainHelpTopic("%PATH%"));
  EXPECT_FALSE(IsPlainHelpTopic(std::string(65, 'A')));
}

class HelpPageTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    SessionToFill().SystemKind = "WIN";
    temp_.Write("opener.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                                 temp_ / "args.txt" + "\"\n");
    std::filesystem::permissions(temp_ / "opener.sh", std::filesystem::perms::owner_all);
  }
};

TEST_F(HelpPageTest, RunsTheDocumentOpenerWithThePageAsOneArgument) {
  KEL_POSIX_ONLY("a shell script stands in for the command interpreter");
  testing::ScopedEnv comspec("COMSPEC", (temp_ / "opener.sh").c_str());
  PaintMixedScreen();
  auto before = Cells();
  ShowHelp("VENDES");
  EXPECT_EQ(temp_.Read("args.txt"), "/C\nOPNDOC\nAJUDA\\VENDES.HTM\n");
  EXPECT_EQ(Cells(), before);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(HelpPageTest, TopicThatIsNotAPlainNameRunsNothing) {
  testing::ScopedEnv comspec("COMSPEC", (temp_ / "opener.sh").c_str());
  ShowHelp("X & del *.*");
  ShowHelp("X\" /C calc");
  EXPECT_FALSE(temp_.Exists("args.txt"));
}

}  // namespace
}  // namespace kel
