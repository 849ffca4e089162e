// The start-up program's screens with its own operations: the terminal chooser over the
// memory list, and the language form's end.
#include "startup/screen_hooks.h"

#include <gtest/gtest.h>

#include "console/browse.h"
#include "console/form.h"
#include "console/browse_fixture.h"
#include "platform/codepage.h"
#include "startup/builtin_definitions.h"

namespace kel {
namespace {

class StartupScreensTest : public testing::ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    LoadBuiltinDefinitions();
    InstallStartupScreenHooks();
  }
};

TEST_F(StartupScreensTest, TheTerminalChooserListsTheMemoryList) {
  BrowseList(0) = "TERMINAL NOU";
  BrowseList(1) = "PC1";
  BrowseList(3) = "PC3";
  Down(2);
  Snap();
  Enter();
  std::int16_t result = 99;
  Browse(kTerminalList, result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(BrowseSelectedIndex(), 3);
  EXPECT_EQ(BrowseSelectedText(), "PC3");
  ASSERT_EQ(Shots().size(), 1u);
  std::string expected = "\n\n\n\n    ╔SELECCIONEU TERMINAL";
  for (int i = 0; i < 48; ++i) expected += "═";
  expected += "╗\n";
  // 14 rows inside the frame.
  for (std::string line : {"TERMINAL NOU", "PC1", "PC3", "", "", "", "", "", "", "", "", "", "",
                           ""}) {
    line.resize(68, ' ');
    expected += "    ║" + line + "║\n";
  }
  expected += "    ╚";
  for (int i = 0; i < 68; ++i) expected += "═";
  expected += "╝\n";
  EXPECT_EQ(Shots()[0].screen, expected);
  EXPECT_EQ(Shots()[0].highlighted_row, 8);
  EXPECT_EQ(Shots()[0].highlighted_columns, std::make_pair(6, 73));
}

TEST_F(StartupScreensTest, OtherListsStayEmpty) {
  std::string low, high;
  BrowseList(0) = "PC";
  EXPECT_EQ(StartupPrepareBrowse(2, low, high), 0);
  EXPECT_EQ(low, "");
  EXPECT_EQ(high, "");
}

TEST_F(StartupScreensTest, TheLanguageFormSetsTheLanguageAndTranslatesTheTitles) {
  std::string text = "OCI";
  EXPECT_EQ(StartupFieldDone(kLanguageForm, text, 1, kKeyEnter), 0);
  EXPECT_EQ(Form(kLanguageForm)->fields[0].value, "OCI");
  EXPECT_EQ(StartupFormDone(kLanguageForm, kKeyEsc), 0);
  EXPECT_EQ(Session().LanguageCode, "   ");
  EXPECT_EQ(BrowseDefinition(kTerminalList)->title, "SELECCIONEU_TERMINAL");
  EXPECT_EQ(StartupFormDone(kLanguageForm, kKeyEnter), 0);
  EXPECT_EQ(Session().LanguageCode, "OCI");
  EXPECT_EQ(BrowseDefinition(kTerminalList)->title, "SELECCIONATZ_TERMINAU");
}

TEST_F(StartupScreensTest, TheFieldKeepsItsWidthAndShowsItsChoice) {
  std::string text = "SPAIN";
  StartupFieldDone(kLanguageForm, text, 1, kKeyEnter);
  EXPECT_EQ(Form(kLanguageForm)->fields[0].value, "SPA");
  // No window is open: the field's position is on the screen itself.
  EXPECT_EQ(console().RowText(1), " CASTELLANO");
  text = "X";
  StartupFieldDone(kLanguageForm, text, 1, kKeyEnter);
  EXPECT_EQ(Form(kLanguageForm)->fields[0].value, "X  ");
}

}  // namespace
}  // namespace kel

namespace kel {
namespace {

TEST_F(StartupScreensTest, TheLanguageFormChoosesTheSessionLanguage) {
  SetFieldValue(kLanguageForm, 1, "CAT");
  Snap();
  console().PushExtendedKey(0x4D);  // Right: the next language
  Snap();
  Enter();
  Snap();  // the window is gone by the next wait: nothing is waiting for keys here
  KeyCode key = 0;
  RunForm(kLanguageForm, 0, 0, key);
  EXPECT_EQ(key, kKeyEnter);
  EXPECT_EQ(Session().LanguageCode, "GLG");
  EXPECT_EQ(Form(kLanguageForm)->fields[0].value, "GLG");
  EXPECT_EQ(BrowseDefinition(kTerminalList)->title, "SELECCIONE_TERMINAL");
  ASSERT_GE(Shots().size(), 2u);
  // A 3-row window at rows 11-13, columns 33-46; the value at row 12, column 35.
  EXPECT_EQ(Rows(Shots()[0].screen, 11, 13), std::string(32, ' ') + "╔════════════╗\n" +
                                                 std::string(32, ' ') + "║◄CATALÀ    ►║\n" +
                                                 std::string(32, ' ') + "╚════════════╝\n");
  EXPECT_EQ(Shots()[0].highlighted_row, 12);
  EXPECT_EQ(Shots()[0].highlighted_columns, std::make_pair(35, 44));
  EXPECT_EQ(Rows(Shots()[1].screen, 12, 12), std::string(32, ' ') + "║◄GALEGO    ►║\n");
  EXPECT_EQ(console().Snapshot(), "");
}

TEST_F(StartupScreensTest, EscOnTheLanguageFormLeavesTheLanguageAlone) {
  Esc();
  KeyCode key = 0;
  RunForm(kLanguageForm, 0, 0, key);
  EXPECT_EQ(key, kKeyEsc);
  EXPECT_EQ(Session().LanguageCode, "   ");
  EXPECT_EQ(BrowseDefinition(kTerminalList)->title, "SELECCIONEU_TERMINAL");
}

TEST_F(StartupScreensTest, ALanguageValueWithoutAChoiceShowsNothing) {
  SetColour("+n");
  OpenWindow(11, 33, 13, 46);
  DrawFrame(2);
  DrawForm(kLanguageForm);
  EXPECT_EQ(Rows(console().Snapshot(), 12, 12), std::string(32, ' ') + "║            ║\n");
  SetFieldValue(kLanguageForm, 1, "CAT");
  ShowField(kLanguageForm, 1);
  EXPECT_EQ(Rows(console().Snapshot(), 12, 12), std::string(32, ' ') + "║ CATALÀ     ║\n");
  EXPECT_EQ(console().AttributeAt(12, 44), testing::kAttributeH);
  CloseWindow();
  SetColour("-");
}

}  // namespace
}  // namespace kel
