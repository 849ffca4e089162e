// Browse lists over the memory list: drawing, paging and scrolling, the choice, the alternate
// browse on F4, the row cache and the definitions a browse refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "console/browse_fixture.h"
#include "console/browse_rows.h"
#include "platform/working_files.h"
#include "support/posix_only.h"

namespace kel {
namespace {

using testing::ScreenTest;

// One browse descriptor of a definition list.
struct Descriptor {
  int file = 0, key = 0;
  int top = 2, left = 3, bottom = 13, right = 30;  // 10 rows of 26 columns inside
  int pre_form = 0;
  std::string title = "LIST";
  int alternate = 0;
};

// A definition list without forms and with these browses.
std::vector<std::string> Definitions(const std::vector<Descriptor>& browses) {
  std::vector<std::string> list = {"0", "0", std::to_string(browses.size())};
  for (const Descriptor& d : browses) {
    for (int item : {d.file, d.key, d.top, d.left, d.bottom, d.right, d.pre_form}) {
      list.push_back(std::to_string(item));
    }
    list.push_back(d.title);
    list.push_back(std::to_string(d.alternate));
  }
  return list;
}

class BrowseTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    console().SetSize(16, 40, false);
    ScreenHooks hooks;
    hooks.prepare_browse = [this](std::int16_t browse, std::string&, std::string&) {
      prepared_.push_back(browse);
      AppendBrowseListRows();
      return std::int16_t{0};
    };
    InstallScreenHooks(hooks);
  }

  void Entries(int count) {
    for (int i = 1; i <= count; ++i) {
      BrowseList(i - 1) = "Entry " + std::to_string(100 + i).substr(1);
    }
  }
  std::int16_t Run(std::int16_t number) {
    std::int16_t result = 99;
    Browse(number, result);
    return result;
  }
  // The entry on each page row of a shot (the first word after "Entry"), "." for a blank row.
  static std::string Page(const testing::Shot& shot) {
    std::string page;
    std::string rows = Rows(shot.screen, 3, 12);
    std::size_t at = 0;
    for (int r = 0; r < 10; ++r) {
      std::size_t end = rows.find('\n', at);
      std::string row = rows.substr(at, end - at);
      std::size_t entry = row.find("Entry ");
      page += entry == std::string::npos ? "." : row.substr(entry + 6, 2);
      page += r < 9 ? " " : "";
      at = end + 1;
    }
    return page;
  }
  // Page row (1-10) of the highlighted row.
  static int CursorRow(const testing::Shot& shot) { return shot.highlighted_row - 2; }

  std::vector<int> prepared_;
};

TEST_F(BrowseTest, APopUpOpenedInTheListLeavesTheListOpen) {
  SessionToFill().TerminalDir = temp_.dir();  // where the calculator keeps its tape
  console().SetSize(25, 80, false);            // the calculator needs a full screen
  Load(Definitions({{}}));
  Entries(3);
  console().PushExtendedKey(0x2D, platform::kLeftAlt);  // Alt+X
  console().PushKeyUp(0);
  console().PushKey(27);  // Esc closes the calculator with nothing to type
  Down();
  Enter();
  EXPECT_EQ(Run(1), 0);
  EXPECT_EQ(BrowseSelectedIndex(), 1);
  EXPECT_EQ(BrowseSelectedText(), "Entry 02");
  EXPECT_FALSE(StackFileExists());
}

TEST_F(BrowseTest, MemoryEntriesShowInNumberOrderAndEnterChoosesOne) {
  Load(Definitions({{}}));
  BrowseList(3) = "three";
  BrowseList(7) = "seven";
  BrowseList(12) = "twelve";
  Snap();
  Down();
  Snap();
  Enter();
  EXPECT_EQ(Run(1), 0);
  EXPECT_EQ(BrowseSelectedIndex(), 7);
  EXPECT_EQ(BrowseSelectedText(), "seven");
  EXPECT_EQ(prepared_, std::vector<int>{1});
  ASSERT_EQ(Shots().size(), 2u);
  EXPECT_EQ(Shots()[0].screen,
            "\n"
            "  ╔LIST══════════════════════╗\n"
            "  ║three                     ║\n"
            "  ║seven                     ║\n"
            "  ║twelve                    ║\n"
            "  ║                          ║\n"
            "  ║                          ║\n"
            "  ║                          ║\n"
            "  ║                          ║\n"
            "  ║                          ║\n"
            "  ║                          ║\n"
            "  ║                          ║\n"
            "  ╚══════════════════════════╝\n");
  EXPECT_EQ(Shots()[0].highlighted_row, 3);
  EXPECT_EQ(Shots()[1].highlighted_row, 4);
  // The window is gone with everything it opened.
  EXPECT_EQ(console().Snapshot(), "");
  EXPECT_FALSE(StackFileExists());
  EXPECT_FALSE(temp_.Exists(kBrowseCacheFile));
  EXPECT_EQ(ColourStackDepth(), 0u);
  EXPECT_TRUE(ValueStack().empty());
}

TEST_F(BrowseTest, TheCurrentRowIsHighlightedAcrossTheWindowOnly) {
  Load(Definitions({{}}));
  Entries(3);
  console().SetSize(16, 40, false);
  Down();
  Snap();
  Esc();
  EXPECT_EQ(Run(1), -1);
  ASSERT_EQ(Shots().size(), 1u);
  EXPECT_EQ(Shots()[0].highlighted_row, 4);
  EXPECT_EQ(Shots()[0].highlighted_columns, std::make_pair(4, 29));
}

TEST_F(BrowseTest, AMemoryListWithoutEntriesShowsOneBlankRowAndEnterChoosesIt) {
  Load(Definitions({{}}));
  Snap();
  Down();
  Up();
  PgDn();
  PgUp();
  Snap();
  Enter();
  EXPECT_EQ(Run(1), 0);
  EXPECT_EQ(BrowseSelectedIndex(), 0);
  EXPECT_EQ(BrowseSelectedText(), "");
  ASSERT_EQ(Shots().size(), 2u);
  EXPECT_EQ(Shots()[0].highlighted_row, 3);
  EXPECT_EQ(Shots()[1].screen, Shots()[0].screen);
  EXPECT_EQ(Rows(Shots()[0].screen, 3, 4), "  ║                          ║\n"
                                          "  ║                          ║\n");
}


TEST_F(BrowseTest, PageDownKeepsTheCursorRowUntilTheListEndsAboveIt) {
  Load(Definitions({{}}));
  Entries(25);
  Down(7);
  Snap();
  PgDn();
  Snap();
  PgDn();
  Snap();
  PgDn();  // no row follows the page
  Snap();
  Enter();
  EXPECT_EQ(Run(1), 0);
  EXPECT_EQ(BrowseSelectedIndex(), 24);
  EXPECT_EQ(BrowseSelectedText(), "Entry 25");
  ASSERT_EQ(Shots().size(), 4u);
  EXPECT_EQ(Page(Shots()[0]), "01 02 03 04 05 06 07 08 09 10");
  EXPECT_EQ(CursorRow(Shots()[0]), 8);
  EXPECT_EQ(Page(Shots()[1]), "11 12 13 14 15 16 17 18 19 20");
  EXPECT_EQ(CursorRow(Shots()[1]), 8);
  EXPECT_EQ(Page(Shots()[2]), "21 22 23 24 25 . . . . .");
  EXPECT_EQ(CursorRow(Shots()[2]), 5);
  EXPECT_EQ(Shots()[3].screen, Shots()[2].screen);
  EXPECT_EQ(CursorRow(Shots()[3]), 5);
}

TEST_F(BrowseTest, RowMovesScrollAtThePageEdgesAndStopAtTheListEnds) {
  Load(Definitions({{}}));
  Entries(12);
  Up();  // on the first row: nothing
  Snap();
  Down(9);
  Snap();
  Down();  // on the last page row: the page scrolls by one row
  Snap();
  Down();
  Down();  // on the last row: nothing
  Snap();
  Up(9);
  Snap();
  Up();  // on the first page row: the page scrolls back by one row
  Snap();
  Enter();
  EXPECT_EQ(Run(1), 0);
  EXPECT_EQ(BrowseSelectedIndex(), 1);
  ASSERT_EQ(Shots().size(), 6u);
  EXPECT_EQ(Page(Shots()[0]), "01 02 03 04 05 06 07 08 09 10");
  EXPECT_EQ(CursorRow(Shots()[0]), 1);
  EXPECT_EQ(CursorRow(Shots()[1]), 10);
  EXPECT_EQ(Page(Shots()[2]), "02 03 04 05 06 07 08 09 10 11");
  EXPECT_EQ(CursorRow(Shots()[2]), 10);
  EXPECT_EQ(Page(Shots()[3]), "03 04 05 06 07 08 09 10 11 12");
  EXPECT_EQ(CursorRow(Shots()[3]), 10);
  EXPECT_EQ(Page(Shots()[4]), "03 04 05 06 07 08 09 10 11 12");
  EXPECT_EQ(CursorRow(Shots()[4]), 1);
  EXPECT_EQ(Page(Shots()[5]), "02 03 04 05 06 07 08 09 10 11");
  EXPECT_EQ(CursorRow(Shots()[5]), 1);
}

TEST_F(BrowseTest, PageUpNearTheTopStartsThePageAtTheFirstRow) {
  Load(Definitions({{}}));
  Entries(25);
  Down(12);  // page from row 4, current row 13 on page row 10
  Up(2);     // current row 11 on page row 8
  Snap();
  PgUp();
  Snap();
  PgUp();  // the page starts at the first row: nothing
  Snap();
  Enter();
  EXPECT_EQ(Run(1), 0);
  EXPECT_EQ(BrowseSelectedIndex(), 0);
  ASSERT_EQ(Shots().size(), 3u);
  EXPECT_EQ(Page(Shots()[0]), "04 05 06 07 08 09 10 11 12 13");
  EXPECT_EQ(CursorRow(Shots()[0]), 8);
  EXPECT_EQ(Page(Shots()[1]), "01 02 03 04 05 06 07 08 09 10");
  EXPECT_EQ(CursorRow(Shots()[1]), 1);
  EXPECT_EQ(Shots()[2].screen, Shots()[1].screen);
}

TEST_F(BrowseTest, PageUpFurtherDownMovesPageAndRowBackAPage) {
  Load(Definitions({{}}));
  Entries(25);
  Down(20);  // page from row 12, current row 21 on page row 10
  Up();      // current row 20 on page row 9
  Snap();
  PgUp();
  Snap();
  Enter();
  EXPECT_EQ(Run(1), 0);
  EXPECT_EQ(BrowseSelectedText(), "Entry 10");
  ASSERT_EQ(Shots().size(), 2u);
  EXPECT_EQ(Page(Shots()[0]), "12 13 14 15 16 17 18 19 20 21");
  EXPECT_EQ(CursorRow(Shots()[0]), 9);
  EXPECT_EQ(Page(Shots()[1]), "02 03 04 05 06 07 08 09 10 11");
  EXPECT_EQ(CursorRow(Shots()[1]), 9);
}

TEST_F(BrowseTest, WideLinesScrollByEightColumnsWithTheTitle) {
  Load(Definitions({{.title = "MY_LIST OF_THINGS"}}));
  BrowseList(0) = "short";
  BrowseList(1) = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcd";  // 14 columns too wide
  Left();  // at the first column: nothing
  Snap();
  Right();
  Snap();
  Right();
  Snap();
  Right();  // past the widest overhang: nothing
  Snap();
  Left();
  Left();
  Snap();
  Esc();
  EXPECT_EQ(Run(1), -1);
  ASSERT_EQ(Shots().size(), 5u);
  // The title is drawn before the first page, so the arrow waits for the first scroll.
  EXPECT_EQ(Rows(Shots()[0].screen, 2, 4), "  ╔MY LIST═OF THINGS═════════╗\n"
                                           "  ║short                     ║\n"
                                           "  ║0123456789ABCDEFGHIJKLMNOP║\n");
  EXPECT_EQ(Rows(Shots()[1].screen, 2, 4), "  ◄OF THINGS═════════════════►\n"
                                           "  ║                          ║\n"
                                           "  ║89ABCDEFGHIJKLMNOPQRSTUVWX║\n");
  EXPECT_EQ(Rows(Shots()[2].screen, 2, 4), "  ◄S═════════════════════════╗\n"
                                           "  ║                          ║\n"
                                           "  ║GHIJKLMNOPQRSTUVWXYZabcd  ║\n");
  EXPECT_EQ(Shots()[3].screen, Shots()[2].screen);
  EXPECT_EQ(Rows(Shots()[4].screen, 2, 4), "  ╔MY LIST═OF THINGS═════════►\n"
                                           "  ║short                     ║\n"
                                           "  ║0123456789ABCDEFGHIJKLMNOP║\n");
}

TEST_F(BrowseTest, ATitleLongerThanTheWindowShowsTheRightArrow) {
  Load(Definitions({{.right = 12, .title = "TERMINALS_REGISTERED"}}));
  BrowseList(0) = "PC1";
  Snap();
  Esc();
  Run(1);
  ASSERT_EQ(Shots().size(), 1u);
  EXPECT_EQ(Rows(Shots()[0].screen, 2, 3), "  ╔TERMINAL►\n"
                                           "  ║PC1     ║\n");
}

TEST_F(BrowseTest, OtherKeysLeaveWithoutAChoice) {
  Load(Definitions({{}}));
  Entries(3);
  for (KeyCode key : {KeyCode{'x'}, KeyCode{27}, KeyCode{9}}) {
    console().PushKey(static_cast<unsigned char>(key));
    EXPECT_EQ(Run(1), -1) << KeyName(key);
  }
  F4();  // no alternate browse
  EXPECT_EQ(Run(1), -1);
  Key(0x3C);  // F2
  EXPECT_EQ(Run(1), -1);
  console().PushMouse(platform::kMouseReleased, 1, 5, 10);  // a click on an entry
  EXPECT_EQ(Run(1), -1);
  EXPECT_EQ(BrowseSelectedText(), "");
  EXPECT_EQ(console().PendingInput(), 0u);
  EXPECT_EQ(console().Snapshot(), "");
}

TEST_F(BrowseTest, FourOpensTheAlternateBrowseOverTheFirst) {
  Load(Definitions({{.alternate = 2}, {.top = 5, .left = 20, .bottom = 9, .right = 38,
                                       .title = "OTHER"}}));
  Entries(3);
  std::vector<std::string> chosen;
  ScreenHooks hooks = InstalledScreenHooks();
  auto prepare = hooks.prepare_browse;
  hooks.prepare_browse = [&, prepare](std::int16_t browse, std::string& low, std::string& high) {
    // The list is prepared before its window takes the keys; the alternate's is prepared
    // while the first list's keys, F4 among them, are in force.
    chosen.push_back("prepare " + std::to_string(browse) + " with F4 " +
                     (ExitKeysContain(kKeyF4) ? "listed" : "not listed"));
    return prepare(browse, low, high);
  };
  hooks.alternate_chosen = [&](std::int16_t& browse, std::int16_t& form, std::int16_t& field) {
    chosen.push_back("chosen " + std::to_string(browse) + " " + std::to_string(form) + " " +
                     std::to_string(field) + " cache " +
                     (temp_.Exists(kBrowseCacheFile) ? "present" : "gone"));
  };
  InstallScreenHooks(hooks);
  EditSettings("+ea", "d");
  const EditSettingsState before = SaveEditSettings();

  Down();
  F4();
  Down(2);
  Snap();
  Enter();
  EXPECT_EQ(Run(1), 0);
  EXPECT_EQ(BrowseSelectedText(), "Entry 03");
  EXPECT_EQ(chosen, (std::vector<std::string>{"prepare 1 with F4 not listed",
                                              "prepare 2 with F4 listed",
                                              "chosen 2 0 0 cache gone"}));
  ASSERT_EQ(Shots().size(), 1u);
  EXPECT_EQ(Rows(Shots()[0].screen, 2, 10), "  ╔LIST══════════════════════╗\n"
                                            "  ║Entry 01                  ║\n"
                                            "  ║Entry 02                  ║\n"
                                            "  ║Entry 03        ╔OTHER════════════╗\n"
                                            "  ║                ║Entry 01         ║\n"
                                            "  ║                ║Entry 02         ║\n"
                                            "  ║                ║Entry 03         ║\n"
                                            "  ║                ╚═════════════════╝\n"
                                            "  ║                          ║\n");
  EXPECT_EQ(Shots()[0].highlighted_row, 8);

  // Esc in the alternate: nothing chosen, and the hook is not called.
  chosen.clear();
  F4();
  Esc();
  EXPECT_EQ(Run(1), -1);
  EXPECT_EQ(chosen.size(), 2u);

  const EditSettingsState after = SaveEditSettings();
  EXPECT_EQ(after.exit_keys, before.exit_keys);
  EXPECT_EQ(after.replacements, before.replacements);
  EXPECT_EQ(after.saved_exit_keys, before.saved_exit_keys);
  EXPECT_EQ(after.saved_count, before.saved_count);
  EXPECT_EQ(console().Snapshot(), "");
}

TEST_F(BrowseTest, ThePreparedRowsAreWrittenInTheCacheLayout) {
  Load(Definitions({{}}));
  BrowseList(3) = "three";
  BrowseList(300) = "out of the list";
  BrowseList(7) = "seven";
  std::string cache;
  bool claimed = false;
  AtEachSnap([&] {
    cache = temp_.Read(kBrowseCacheFile);
    claimed = platform::WorkingFileInUse(BrowseCachePath());
  });
  Snap();
  Esc();
  Run(1);
  EXPECT_EQ(cache, std::string("\0\0\0\0\3\0\0\0\5\0three"
                               "\1\0\0\0\7\0\0\0\5\0seven", 30));
  EXPECT_FALSE(temp_.Exists(kBrowseCacheFile));
  // The cache is a working file of the process while the list is open, and only then.
  EXPECT_TRUE(claimed);
  EXPECT_FALSE(platform::WorkingFileInUse(BrowseCachePath()));
  EXPECT_FALSE(AppendBrowseRow(1, "outside PrepareBrowse"));
}

TEST_F(BrowseTest, AFullListOfLongEntriesIsKeptWhole) {
  Load(Definitions({{}}));
  for (int i = 0; i < kBrowseListSize; ++i) {
    BrowseList(i) = std::to_string(i) + std::string(400, static_cast<char>('a' + i % 26));
  }
  for (int i = 0; i < 26; ++i) PgDn();  // the last page starts at row 251
  Down(4);
  Enter();
  EXPECT_EQ(Run(1), 0);
  EXPECT_EQ(BrowseSelectedIndex(), 254);
  EXPECT_EQ(BrowseSelectedText(), BrowseList(254));
}

TEST_F(BrowseTest, RowsLeftByAnEarlierRunNeverReachTheList) {
  Load(Definitions({{}}));
  temp_.Write(kBrowseCacheFile, std::string("\0\0\0\0\3\0\0\0\5\0stale", 15));
  ScreenHooks hooks;
  hooks.prepare_browse = [](std::int16_t, std::string&, std::string&) { return std::int16_t{0}; };
  InstallScreenHooks(hooks);
  Snap();
  Enter();
  EXPECT_EQ(Run(1), 0);
  EXPECT_EQ(BrowseSelectedText(), "");
  ASSERT_EQ(Shots().size(), 1u);
  EXPECT_EQ(Shots()[0].screen.find("stale"), std::string::npos);
  EXPECT_FALSE(temp_.Exists(kBrowseCacheFile));
}

TEST_F(BrowseTest, ALinkPlantedAtTheCacheNameIsNotFollowed) {
  KEL_POSIX_ONLY("symbolic links");
#ifndef _WIN32
  Load(Definitions({{}}));
  Entries(2);
  testing::TempDir elsewhere;
  elsewhere.Write("victim", "keep me");
  std::filesystem::create_symlink(elsewhere / "victim", temp_ / kBrowseCacheFile);
  Down();
  Enter();
  EXPECT_EQ(Run(1), 0);
  EXPECT_EQ(BrowseSelectedText(), "Entry 02");
  EXPECT_EQ(elsewhere.Read("victim"), "keep me");
  EXPECT_FALSE(std::filesystem::is_symlink(temp_ / kBrowseCacheFile));
  EXPECT_FALSE(temp_.Exists(kBrowseCacheFile));
#endif
}

TEST_F(BrowseTest, ACacheThatCannotBeCreatedShowsNothing) {
  Load(Definitions({{}}));
  Entries(2);
  std::filesystem::create_directory(temp_ / kBrowseCacheFile);
  Enter();
  EXPECT_EQ(Run(1), -1);
  EXPECT_EQ(console().Snapshot(), "");
  EXPECT_TRUE(prepared_.empty());
}

TEST_F(BrowseTest, DescriptorsThatCannotBeShownAreRefused) {
  Load(Definitions({{.bottom = 17},                         // below a 16-row screen
                    {.left = 0},                            // left of the screen
                    {.right = 41},                          // right of a 40-column screen
                    {.right = 4},                           // no column inside the frame
                    {.bottom = 3},                          // no row inside the frame
                    {.top = 9, .bottom = 4},                // upside down
                    {}}));
  Entries(2);
  for (std::int16_t number : {0, 1, 2, 3, 4, 5, 6, 8, -1, 300}) {
    Enter();
    EXPECT_EQ(Run(number), -1) << number;
    EXPECT_EQ(console().Snapshot(), "") << number;
  }
  EXPECT_TRUE(prepared_.empty());
  EXPECT_FALSE(StackFileExists());
  Enter();
  Enter();
  EXPECT_EQ(Run(7), 0);
}

TEST_F(BrowseTest, AFailedPreparationEndsTheBrowseWithItsStatus) {
  Load(Definitions({{}}));
  ScreenHooks hooks;
  hooks.prepare_browse = [](std::int16_t, std::string&, std::string&) {
    AppendBrowseRow(1, "never shown");
    return std::int16_t{4};
  };
  InstallScreenHooks(hooks);
  Enter();
  EXPECT_EQ(Run(1), 4);
  EXPECT_EQ(console().Snapshot(), "");
  EXPECT_EQ(console().PendingInput(), 1u);
  EXPECT_FALSE(temp_.Exists(kBrowseCacheFile));
}

TEST(ValueStackTest, TextsComeBackInReverseOrder) {
  ResetValueStack();
  PushValue("12");
  PushValue("");
  PushValue(std::string("a\0b", 3));
  EXPECT_EQ(ValueStack(), std::string("12\2\0\0\0a\0b\3\0", 11));
  EXPECT_EQ(PopValue(), std::string("a\0b", 3));
  EXPECT_EQ(PopValue(), "");
  EXPECT_EQ(PopValue(), "12");
  EXPECT_EQ(PopValue(), "");
  EXPECT_EQ(ValueStack(), "");
  PushValue(std::string(70000, 'x'));
  EXPECT_EQ(PopValue().size(), 65535u);
  ResetValueStack();
}

}  // namespace
}  // namespace kel
