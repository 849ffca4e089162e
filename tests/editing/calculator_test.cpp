#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editing/calculator.h"
#include "editing/calculator_state.h"
#include "editing/calculator_steps.h"
#include "editing/popup_fixture.h"

namespace kel {
namespace {

using testing::PopupTest;

const std::string kTop = "┌────────────────────────┐";
const std::string kMiddle = "├────────────────────────┤";
const std::string kBottom = "└────────────────────────┘";

// A row of the calculator with its text right-aligned between the bars.
std::string Row(std::string_view text) {
  return "│" + std::string(24 - text.size(), ' ') + std::string(text) + "│";
}

// The whole screen with the calculator at a column, its rows from a screen row on.
std::string CalculatorScreen(int column, int first_row, const std::vector<std::string>& rows) {
  std::string screen;
  for (int row = 1; row < first_row; ++row) screen += "\n";
  for (const std::string& row : rows) screen += std::string(column - 1, ' ') + row + "\n";
  return screen;
}

class CalculatorTest : public PopupTest {
 protected:
  void SetUp() override {
    PopupTest::SetUp();
    SetCalculatorPopup(nullptr);  // Alt+X inside is then only a key
  }
};

// ---- Worked examples on the screen ------------------------------------------------------------

TEST_F(CalculatorTest, AddingFivePlusThreeShowsTheTapeAndHandsBackHundredths) {
  Type("5+3");
  Key(kKeyEnter);
  Snap();
  Type("F");
  EXPECT_EQ(Calculator(), "800");
  EXPECT_EQ(LastSnapshot(), CalculatorScreen(1, 19, {kTop, Row("5 +"), Row("3 ="), Row("8  "),
                                                     kMiddle, Row("8  "), kBottom}));
  EXPECT_EQ(console().Snapshot(), "");  // the screen behind is back
}

TEST_F(CalculatorTest, PercentagesAgainstAPendingAddAndMultiply) {
  Type("200+10%=");
  Snap();
  Type("C200*10%=");
  Snap();
  Type("F");
  EXPECT_EQ(Calculator(), "2000");
  EXPECT_EQ(Shot(0),
            CalculatorScreen(1, 18, {kTop, Row("200 +"), Row("10 %"), Row("20 ="), Row("220  "),
                                     kMiddle, Row("220  "), kBottom}));
  EXPECT_EQ(Shot(1),
            CalculatorScreen(1, 14, {kTop, Row("200 +"), Row("10 %"), Row("20 ="), Row("220  "),
                                     Row("200 *"), Row("10 %"), Row("0'1 ="), Row("20  "),
                                     kMiddle, Row("20  "), kBottom}));
}

TEST_F(CalculatorTest, RoundingTenThirdsToHundredths) {
  Type("10/3=R");
  Snap();
  Type("F");
  EXPECT_EQ(Calculator(), "333");
  EXPECT_EQ(LastSnapshot(),
            CalculatorScreen(1, 18, {kTop, Row("10 /"), Row("3 ="), Row("3'33333333333333  "),
                                     Row("3'33 R"), kMiddle, Row("3'33  "), kBottom}));
}

TEST_F(CalculatorTest, CThreeTimesCancelsTheFigureClearsTheMachineThenTheTape) {
  Type("5+3");
  Type("C");
  Snap();  // the figure is cancelled: the accumulator shows
  Type("C");
  Snap();  // the machine is cleared
  Type("C");
  Snap();  // the tape is gone
  Type("F");
  EXPECT_EQ(Calculator(), "0");
  EXPECT_EQ(Shot(0),
            CalculatorScreen(1, 21, {kTop, Row("5 +"), kMiddle, Row("5  "), kBottom}));
  EXPECT_EQ(Shot(1),
            CalculatorScreen(1, 21, {kTop, Row("5 +"), kMiddle, Row("0  "), kBottom}));
  EXPECT_EQ(Shot(2), CalculatorScreen(1, 23, {kTop, Row("0  "), kBottom}));
}

TEST_F(CalculatorTest, MoreThanTwentyTwoLinesScrollUpWithoutATopBorder) {
  for (int i = 1; i <= 24; ++i) Type(std::to_string(i) + "+");
  Type("25=");
  Snap();
  Type("F");
  EXPECT_EQ(Calculator(), "32500");
  std::vector<std::string> rows;
  for (int i = 5; i <= 24; ++i) rows.push_back(Row(std::to_string(i) + " +"));
  rows.insert(rows.end(), {Row("25 ="), Row("325  "), kMiddle, Row("325  "), kBottom});
  EXPECT_EQ(LastSnapshot(), CalculatorScreen(1, 1, rows));

  // The file holds the 22 lines shown, the oldest first.
  const std::string file = StateFile();
  EXPECT_EQ(file.substr(0, file.find("\r\n")), "1,1,325,325");
  EXPECT_NE(file.find("\"F\",\"\"\r\n5,0,0,\"+\"\r\n6,0,0,\"+\""), std::string::npos);
  EXPECT_TRUE(file.ends_with("24,0,0,\"+\"\r\n25,0,0,\"=\"\r\n325,0,0,\" \"\r\n"));
}

TEST_F(CalculatorTest, LeftFromColumnOneWrapsToFiftyFiveAndRightComesBack) {
  Type("5+");
  Key(kKeyLeft);
  Snap();
  Key(kKeyRight);
  Snap();
  Key(kKeyRight);
  Snap();
  Key(kKeyEsc);
  EXPECT_EQ(Calculator(), "");
  const std::vector<std::string> rows = {kTop, Row("5 +"), kMiddle, Row("5  "), kBottom};
  EXPECT_EQ(Shot(0), CalculatorScreen(55, 21, rows));
  EXPECT_EQ(Shot(1), CalculatorScreen(1, 21, rows));
  EXPECT_EQ(Shot(2), CalculatorScreen(2, 21, rows));
  EXPECT_EQ(console().Snapshot(), "");
}

TEST_F(CalculatorTest, ReopeningShowsTheSameTapeDisplayAndColumn) {
  Type("12.5*2=");
  Key(kKeyLeft);
  Type("F");
  EXPECT_EQ(Calculator(), "2500");
  Snap();
  Key(kKeyEsc);
  EXPECT_EQ(Calculator(), "");
  EXPECT_EQ(LastSnapshot(), CalculatorScreen(55, 19, {kTop, Row("12'5 *"), Row("2 ="),
                                                      Row("25  "), kMiddle, Row("25  "),
                                                      kBottom}));
}

TEST_F(CalculatorTest, TheScreenBehindShowsAboveTheTapeAndComesBackWhole) {
  PaintMixedScreen();
  console().SetCursorPosition(7, 9);
  const auto before = Cells();
  const std::string row_one = console().RowText(1);
  Type("5+");
  Snap();
  Key(kKeyEsc);
  Calculator();
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(Cursor(), std::make_pair(7, 9));
  EXPECT_TRUE(console().CursorVisible());
  EXPECT_EQ(LastSnapshot().substr(0, LastSnapshot().find('\n')), row_one);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(CalculatorTest, ItGivesBackColourRoleCursorAndDrawsInRoleN) {
  SetColour("r");
  console().SetCursorVisible(false);
  Type("7");
  Snap();
  Key(kKeyEsc);
  Calculator();
  EXPECT_EQ(CurrentColourRole(), kRoleR);
  EXPECT_EQ(ColourStackDepth(), 0u);
  EXPECT_FALSE(console().CursorVisible());
}

TEST_F(CalculatorTest, EverythingIsDrawnInRoleNAlsoAfterAMove) {
  PaintMixedScreen();
  Type("7+");
  Key(kKeyLeft);  // drawn again after a close, which leaves the last restored cell's colour
  Key(kKeyRight);
  Snap();
  Key(kKeyEsc);
  Calculator();
  for (int row = 21; row <= 25; ++row) {
    for (int column = 1; column <= 26; ++column) {
      EXPECT_EQ(SnapshotAttribute(row, column), testing::kAttributeN) << row << "," << column;
    }
  }
}

TEST_F(CalculatorTest, DivisionByZeroShowsTheOverflowFormUntilTheNextKey) {
  Type("5/0=");
  Snap();
  Key(kKeyBackspace);
  Snap();
  Type("2=F");
  EXPECT_EQ(Calculator(), "250");
  EXPECT_EQ(console().BeepCount(), 1);
  EXPECT_EQ(Shot(0), CalculatorScreen(1, 21, {kTop, Row("5 /"), kMiddle,
                                                     Row(std::string(22, '!') + "  "), kBottom}));
  EXPECT_EQ(Shot(1), CalculatorScreen(1, 21, {kTop, Row("5 /"), kMiddle, Row("0  "),
                                                     kBottom}));
  EXPECT_EQ(StateFile().find("inf"), std::string::npos);
}

TEST_F(CalculatorTest, TheFieldsEditingSettingsAreGivenBackExactly) {
  EditSettings("+ea", "d,1b");
  EditSettings("h", "");
  const EditSettingsState field = SaveEditSettings();
  Type("5");
  AltX();  // the calculator's own Alt+X: only a key
  Type("F");
  EXPECT_EQ(Calculator(), "500");
  const EditSettingsState after = SaveEditSettings();
  EXPECT_EQ(after.exit_keys, field.exit_keys);
  EXPECT_EQ(after.replacements, field.replacements);
  EXPECT_EQ(after.mask, field.mask);
  EXPECT_EQ(after.saved_exit_keys, field.saved_exit_keys);
  EXPECT_EQ(after.saved_count, field.saved_count);
}

TEST_F(CalculatorTest, ATooSmallScreenOpensNothingAndAWiderOneKeepsToEightyColumns) {
  UseConsole(24, 80);
  Type("5F");
  EXPECT_EQ(Calculator(), "");
  EXPECT_EQ(console().Snapshot(), "");
  EXPECT_EQ(console().BeepCount(), 1);
  EXPECT_EQ(console().PendingInput(), 2u);  // no key was read
  EXPECT_FALSE(temp_.Exists("KELCALC.TMP"));
  UseConsole(25, 79);
  EXPECT_EQ(Calculator(), "");

  UseConsole(30, 100);
  Key(kKeyLeft);
  Snap();
  Key(kKeyRight);
  Snap();
  Key(kKeyEsc);
  EXPECT_EQ(Calculator(), "");
  EXPECT_EQ(Shot(0), CalculatorScreen(55, 23, {kTop, Row("0  "), kBottom}));
  EXPECT_EQ(Shot(1), CalculatorScreen(1, 23, {kTop, Row("0  "), kBottom}));
}

TEST_F(CalculatorTest, ADamagedStateFileOpensWithStartValues) {
  temp_.Write("KELCALC.TMP", "garbage\r\n\x01\x02,,,\r\nNaN,NaN\r\n");
  Snap();
  Key(kKeyEsc);
  EXPECT_EQ(Calculator(), "");
  EXPECT_EQ(LastSnapshot(), CalculatorScreen(1, 23, {kTop, Row("0  "), kBottom}));
}

}  // namespace
}  // namespace kel
