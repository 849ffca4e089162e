#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editing/calendar_popup.h"
#include "editing/popup_fixture.h"

namespace kel {
namespace {

using testing::PopupTest;

// The whole screen with the calendar at columns 59 to 80: the year in the top border and the
// 22 rows inside, each given as its 20 characters.
std::string CalendarScreen(std::string_view year, const std::vector<std::string>& inside) {
  const std::string indent(58, ' ');
  std::string screen = indent + "┌─────── " + std::string(year) + " ───────┐\n";
  for (const std::string& row : inside) screen += indent + "│" + row + "│\n";
  return screen + indent + "└────────────────────┘\n";
}

const std::vector<std::string> kFirstQuarter2024 = {
    "DL DT DC DJ DV DS DG",
    "       GENER        ",
    " 1  2  3  4  5  6  7",
    " 8  9 10 11 12 13 14",
    "15 16 17 18 19 20 21",
    "22 23 24 25 26 27 28",
    "29 30 31            ",
    "                    ",
    "       FEBRER       ",
    "          1  2  3  4",
    " 5  6  7  8  9 10 11",
    "12 13 14 15 16 17 18",
    "19 20 21 22 23 24 25",
    "26 27 28 29         ",
    "                    ",
    "        MARÇ        ",
    "             1  2  3",
    " 4  5  6  7  8  9 10",
    "11 12 13 14 15 16 17",
    "18 19 20 21 22 23 24",
    "25 26 27 28 29 30 31",
    "                    ",
};

platform::CalendarTime FourthOfJuly2025() {
  platform::CalendarTime time;
  time.year = 2025;
  time.month = 7;
  time.day = 4;
  return time;
}

// Whether the calendar's keys, and not the field's Enter, ended input while it was open.
bool g_calendar_keys_in_force = false;
std::string ProbeExitKeys() {
  g_calendar_keys_in_force =
      ExitKeysContain(kKeyEsc) && ExitKeysContain(kKeyAltF) && !ExitKeysContain(kKeyEnter);
  return "";
}

class CalendarPopupTest : public PopupTest {
 protected:
  void SetUp() override {
    PopupTest::SetUp();
    SetCalendarPopup(nullptr);  // Alt+C inside is then only a key
  }
  void WorkDate(int year, int month, int day) { SessionToFill().WorkDate = PackDate(year, month, day); }
  // The date handed back after the keys scripted so far and F.
  std::string Chosen() {
    Type("F");
    return Calendar();
  }
};

// ---- The quarter on the screen ----------------------------------------------------------------

TEST_F(CalendarPopupTest, TheFirstQuarterOf2024InCatalan) {
  Snap();
  Key(kKeyEsc);
  EXPECT_EQ(Calendar(), "");
  EXPECT_EQ(LastSnapshot(), CalendarScreen("2024", kFirstQuarter2024));
  EXPECT_EQ(console().Snapshot(), "");
}

TEST_F(CalendarPopupTest, TheFifteenthIsHighlightedAndTheDaysAreInRoleH) {
  Snap();
  Key(kKeyEsc);
  Calendar();
  // 15 March 2024, a Friday: row 20, columns 72 and 73.
  EXPECT_EQ(SnapshotAttribute(20, 72), testing::kAttributeU);
  EXPECT_EQ(SnapshotAttribute(20, 73), testing::kAttributeU);
  EXPECT_EQ(SnapshotAttribute(20, 69), testing::kAttributeH);  // the 14th
  EXPECT_EQ(SnapshotAttribute(20, 71), testing::kAttributeN);  // between two cells
  EXPECT_EQ(SnapshotAttribute(17, 65), testing::kAttributeN);  // the month's title
  EXPECT_EQ(SnapshotAttribute(1, 67), testing::kAttributeN);   // the year
  EXPECT_EQ(SnapshotAttribute(1, 59), testing::kAttributeN);   // the frame
}

TEST_F(CalendarPopupTest, OccitanDayLettersAndMonthTitlesKeepTheirAccents) {
  SessionToFill().LanguageCode = "OCI";
  SetFoldAccents(true);  // whatever mode a field left, titles keep their accents
  Snap();
  Key(kKeyEsc);
  Calendar();
  std::vector<std::string> inside = kFirstQuarter2024;
  inside[0] = "DL DT DC DJ DD DS DG";
  inside[1] = "        GÈR         ";
  inside[8] = "      HEREUÈR       ";
  EXPECT_EQ(LastSnapshot(), CalendarScreen("2024", inside));
  EXPECT_TRUE(FoldAccents());
}

TEST_F(CalendarPopupTest, RightFromMarchTheThirtyFirstShowsTheNextQuarter) {
  WorkDate(2024, 3, 31);
  Key(kKeyRight);
  Snap();
  EXPECT_EQ(Chosen(), "1/4/2024  ");
  EXPECT_EQ(LastSnapshot(), CalendarScreen("2024", {
                                                       "DL DT DC DJ DV DS DG",
                                                       "       ABRIL        ",
                                                       " 1  2  3  4  5  6  7",
                                                       " 8  9 10 11 12 13 14",
                                                       "15 16 17 18 19 20 21",
                                                       "22 23 24 25 26 27 28",
                                                       "29 30               ",
                                                       "                    ",
                                                       "        MAIG        ",
                                                       "       1  2  3  4  5",
                                                       " 6  7  8  9 10 11 12",
                                                       "13 14 15 16 17 18 19",
                                                       "20 21 22 23 24 25 26",
                                                       "27 28 29 30 31      ",
                                                       "                    ",
                                                       "        JUNY        ",
                                                       "                1  2",
                                                       " 3  4  5  6  7  8  9",
                                                       "10 11 12 13 14 15 16",
                                                       "17 18 19 20 21 22 23",
                                                       "24 25 26 27 28 29 30",
                                                       "                    ",
                                                   }));
  EXPECT_EQ(SnapshotAttribute(4, 60), testing::kAttributeU);  // the 1st of April
  EXPECT_EQ(SnapshotAttribute(20, 72), testing::kAttributeH);  // no highlight left behind
}

TEST_F(CalendarPopupTest, LeftFromNewYearsDayShowsTheLastQuarterOfTheYearBefore) {
  WorkDate(2024, 1, 1);
  Key(kKeyLeft);
  Snap();
  EXPECT_EQ(Chosen(), "31/12/2023");
  EXPECT_EQ(LastSnapshot(), CalendarScreen("2023", {
                                                       "DL DT DC DJ DV DS DG",
                                                       "      OCTUBRE       ",
                                                       "                   1",
                                                       " 2  3  4  5  6  7  8",
                                                       " 9 10 11 12 13 14 15",
                                                       "16 17 18 19 20 21 22",
                                                       "23 24 25 26 27 28 29",
                                                       "30 31               ",
                                                       "      NOVEMBRE      ",
                                                       "       1  2  3  4  5",
                                                       " 6  7  8  9 10 11 12",
                                                       "13 14 15 16 17 18 19",
                                                       "20 21 22 23 24 25 26",
                                                       "27 28 29 30         ",
                                                       "                    ",
                                                       "      DESEMBRE      ",
                                                       "             1  2  3",
                                                       " 4  5  6  7  8  9 10",
                                                       "11 12 13 14 15 16 17",
                                                       "18 19 20 21 22 23 24",
                                                       "25 26 27 28 29 30 31",
                                                       "                    ",
                                                   }));
}

// ---- Moves ------------------------------------------------------------------------------------

TEST_F(CalendarPopupTest, QuarterMovesKeepTheDayWithinTheNewMonth) {
  WorkDate(2024, 11, 30);
  Key(kKeyPgDn);
  EXPECT_EQ(Chosen(), "28/2/2025 ");
  WorkDate(2024, 3, 31);
  Key(kKeyPgUp);
  EXPECT_EQ(Chosen(), "31/12/2023");
}

TEST_F(CalendarPopupTest, HomeAndEndGoToJanuaryAndDecember) {
  WorkDate(2024, 8, 31);
  Key(kKeyHome);
  EXPECT_EQ(Chosen(), "31/1/2024 ");
  Key(kKeyEnd);
  EXPECT_EQ(Chosen(), "31/12/2024");
}

TEST_F(CalendarPopupTest, DayAndWeekMovesRollOverMonthAndYearEnds) {
  CalendarDay day{2024, 2, 28};
  EXPECT_EQ(ApplyCalendarKey(day, kKeyRight), CalendarEffect::kMoved);
  EXPECT_EQ(day, (CalendarDay{2024, 2, 29}));
  EXPECT_EQ(ApplyCalendarKey(day, kKeyRight), CalendarEffect::kMoved);
  EXPECT_EQ(day, (CalendarDay{2024, 3, 1}));
  EXPECT_EQ(ApplyCalendarKey(day, kKeyDown), CalendarEffect::kMoved);
  EXPECT_EQ(day, (CalendarDay{2024, 3, 8}));
  day = {2024, 3, 28};
  EXPECT_EQ(ApplyCalendarKey(day, kKeyDown), CalendarEffect::kNewQuarter);
  EXPECT_EQ(day, (CalendarDay{2024, 4, 4}));
  EXPECT_EQ(ApplyCalendarKey(day, kKeyUp), CalendarEffect::kNewQuarter);
  EXPECT_EQ(day, (CalendarDay{2024, 3, 28}));
  day = {2024, 1, 3};
  EXPECT_EQ(ApplyCalendarKey(day, kKeyUp), CalendarEffect::kNewQuarter);
  EXPECT_EQ(day, (CalendarDay{2023, 12, 27}));
  day = {2023, 12, 31};
  EXPECT_EQ(ApplyCalendarKey(day, kKeyRight), CalendarEffect::kNewQuarter);
  EXPECT_EQ(day, (CalendarDay{2024, 1, 1}));
  day = {2023, 2, 28};  // not a leap year
  ApplyCalendarKey(day, kKeyRight);
  EXPECT_EQ(day, (CalendarDay{2023, 3, 1}));
}

TEST_F(CalendarPopupTest, HomeAndEndRedrawOnlyWhenTheirMonthIsNotShown) {
  CalendarDay day{2024, 2, 10};
  EXPECT_EQ(ApplyCalendarKey(day, kKeyHome), CalendarEffect::kMoved);
  EXPECT_EQ(ApplyCalendarKey(day, kKeyEnd), CalendarEffect::kNewQuarter);
  EXPECT_EQ(day, (CalendarDay{2024, 12, 10}));
  EXPECT_EQ(ApplyCalendarKey(day, kKeyEnd), CalendarEffect::kMoved);
}

TEST_F(CalendarPopupTest, TheCalendarStaysWithinTheYearsADateCanHold) {
  CalendarDay day{9999, 12, 31};
  EXPECT_EQ(ApplyCalendarKey(day, kKeyRight), CalendarEffect::kNone);
  EXPECT_EQ(ApplyCalendarKey(day, kKeyPgDn), CalendarEffect::kNone);
  EXPECT_EQ(day, (CalendarDay{9999, 12, 31}));
  day = {1, 1, 1};
  EXPECT_EQ(ApplyCalendarKey(day, kKeyLeft), CalendarEffect::kNone);
  EXPECT_EQ(ApplyCalendarKey(day, kKeyPgUp), CalendarEffect::kNone);
  EXPECT_EQ(day, (CalendarDay{1, 1, 1}));
}

// ---- What it hands back -----------------------------------------------------------------------

TEST_F(CalendarPopupTest, FInEitherCaseOrAltFHandTheShortDateBack) {
  EXPECT_EQ(Chosen(), "15/3/2024 ");
  Type("f");
  EXPECT_EQ(Calendar(), "15/3/2024 ");
  AltF();
  EXPECT_EQ(Calendar(), "15/3/2024 ");
  Key(kKeyEsc);
  EXPECT_EQ(Calendar(), "");
}

TEST_F(CalendarPopupTest, TheDateFollowsTheUsersOrderAndSeparator) {
  temp_.Write("Nuro.ini", "[Usuari]\r\nDatOrdre=AMD\r\nDatCaracter=-\r\n");
  EXPECT_EQ(Chosen(), "2024-3-15 ");
}

TEST_F(CalendarPopupTest, WithoutAWorkDateItStartsOnTodaysDate) {
  SetCalendarTodayReader(&FourthOfJuly2025);
  SessionToFill().WorkDate.clear();
  EXPECT_EQ(Chosen(), "4/7/2025  ");
  SessionToFill().WorkDate = PackDate(2024, 13, 40);  // not a date
  EXPECT_EQ(Chosen(), "4/7/2025  ");
  SessionToFill().WorkDate = PackDate(2024, 2, 31);
  EXPECT_EQ(Chosen(), "4/7/2025  ");
}

// ---- What it gives back -----------------------------------------------------------------------

TEST_F(CalendarPopupTest, ItGivesBackScreenCursorColourAndEditingSettings) {
  PaintMixedScreen();
  console().SetCursorPosition(12, 40);
  SetColour("r");
  EditSettings("+ea", "d,1b");
  const EditSettingsState settings = SaveEditSettings();
  const auto before = Cells();
  Key(kKeyDown);
  Key(kKeyEsc);
  Calendar();
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(Cursor(), std::make_pair(12, 40));
  EXPECT_TRUE(console().CursorVisible());
  EXPECT_EQ(CurrentColourRole(), kRoleR);
  EXPECT_EQ(ColourStackDepth(), 0u);
  const EditSettingsState after = SaveEditSettings();
  EXPECT_EQ(after.exit_keys, settings.exit_keys);
  EXPECT_EQ(after.replacements, settings.replacements);
  EXPECT_EQ(after.saved_count, 1);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(CalendarPopupTest, WhileOpenItsOwnKeysAreTheExitKeys) {
  EditSettings("+ea", "d");
  SetCalculatorPopup(&ProbeExitKeys);
  AltX();
  Key(kKeyEsc);
  Calendar();
  EXPECT_TRUE(g_calendar_keys_in_force);
  EXPECT_TRUE(ExitKeysContain(kKeyEnter));
}

TEST_F(CalendarPopupTest, ATooSmallScreenOpensNothing) {
  UseConsole(23, 80);
  Key(kKeyEsc);
  EXPECT_EQ(Calendar(), "");
  EXPECT_EQ(console().Snapshot(), "");
  EXPECT_EQ(console().BeepCount(), 1);
  EXPECT_EQ(console().PendingInput(), 1u);  // no key was read
  UseConsole(25, 79);
  EXPECT_EQ(Calendar(), "");
  UseConsole(24, 80);
  EXPECT_EQ(Chosen(), "15/3/2024 ");
}

}  // namespace
}  // namespace kel
