// The field editor on a small virtual console, driven by scripted keys and clicks.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "console/console_fixture.h"
#include "console/keys.h"
#include "console/window.h"
#include "editing/edit_settings.h"
#include "editing/field_editor.h"
#include "editing/key_reader.h"
#include "platform/codepage.h"
#include "platform/virtual_console.h"
#include "textfmt/fold.h"

namespace kel {
namespace {

using platform::kLeftAlt;
using platform::kLeftCtrl;
using platform::kMouseReleased;
using platform::kShift;
using platform::VirtualConsole;
using testing::kAttributeH;
using testing::kAttributeU;

// What the screen looked like while a field waited for keys (taken by a pop-up hotkey).
struct Look {
  std::string screen;
  int row = 0;
  int column = 0;
  int cursor_size = 0;
  bool cursor_visible = false;
};

std::vector<Look>* g_looks = nullptr;
std::function<void()> g_popup_action;

std::string LookPopup() {
  const platform::ConsoleDevice& console = platform::Console();
  auto& virtual_console = static_cast<const VirtualConsole&>(console);
  const platform::CursorPlace place = console.CursorPosition();
  g_looks->push_back({virtual_console.Snapshot(), place.row, place.column,
                      virtual_console.CursorSize(), console.CursorVisible()});
  if (g_popup_action) g_popup_action();
  return "";
}

class FieldEditorTest : public testing::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    auto small = std::make_unique<VirtualConsole>(8, 30);
    console_ = small.get();
    platform::InstallConsole(std::move(small));
    ResetEditSettings();
    ResetFieldEditor();
    ResetFoldState();
    SetColour("h");
    g_looks = &looks_;
    SetCalculatorPopup(&LookPopup);
  }
  void TearDown() override {
    g_looks = nullptr;
    g_popup_action = nullptr;
    ResetEditSettings();
    ResetFieldEditor();
    ResetFoldState();
    ConsoleTest::TearDown();
  }

  struct Edited {
    std::string text;
    int cursor = 0;
    KeyCode key = 0;
    int row = 0, column = 0, width = 0;
  };
  Edited Edit(std::string text, int row, int column, int width, int cursor) {
    std::int16_t r = static_cast<std::int16_t>(row);
    std::int16_t c = static_cast<std::int16_t>(column);
    std::int16_t w = static_cast<std::int16_t>(width);
    std::int16_t at = static_cast<std::int16_t>(cursor);
    KeyCode key = 0;
    EditField(r, c, w, text, at, key);
    return {text, at, key, r, c, w};
  }

  void Type(std::string_view text) { console().PushText(text); }
  void Key(unsigned char character) { console().PushKey(character); }
  void Extended(std::uint8_t scan_code, std::uint32_t state = 0) {
    console().PushExtendedKey(scan_code, state);
  }
  void Enter() { console().PushKeyWithScanCode(13, 0x1C); }
  // Alt+X: the look pop-up records the screen and the cursor.
  void LookNow() {
    console().PushExtendedKey(0x2D, kLeftAlt);
    console().PushKeyUp(0);
  }
  void Click(int row, int column, std::uint8_t button = 1) {
    console().PushMouse(kMouseReleased, button, row, column);
  }

  std::vector<Look> looks_;
};

constexpr std::uint8_t kScanLeft = 0x4B, kScanRight = 0x4D, kScanUp = 0x48, kScanDown = 0x50;
constexpr std::uint8_t kScanHome = 0x47, kScanEnd = 0x4F, kScanInsert = 0x52, kScanDelete = 0x53;

// ---- Plain fields -----------------------------------------------------------------------------

TEST_F(FieldEditorTest, OverwriteInAWindowEchoesAndDropsWhatDoesNotFit) {
  OpenWindow(2, 3, 6, 28);
  DrawFrame(1);
  EditSettings("ea", "d,1b");  // the look pop-up's Alt+X is then ignored
  LookNow();
  Type("XY");
  LookNow();
  Enter();
  const Edited edited = Edit("ABC  ", 2, 5, 0, 5);
  EXPECT_EQ(edited.text, "ABC X");
  EXPECT_EQ(edited.cursor, 6);
  EXPECT_EQ(edited.key, kKeyEnter);
  EXPECT_EQ(edited.width, 6);

  ASSERT_EQ(looks_.size(), 2u);
  EXPECT_EQ(looks_[0].screen,
            "\n"
            "  ┌────────────────────────┐\n"
            "  │                        │\n"
            "  │    ABC                 │\n"
            "  │                        │\n"
            "  └────────────────────────┘\n");
  // Window row 2, column 5 is screen row 4, column 8; cursor 5 is column 12.
  EXPECT_EQ(std::pair(looks_[0].row, looks_[0].column), std::pair(4, 12));
  EXPECT_EQ(looks_[0].cursor_size, 100);
  EXPECT_TRUE(looks_[0].cursor_visible);
  EXPECT_EQ(std::pair(looks_[1].row, looks_[1].column), std::pair(4, 13));

  EXPECT_EQ(console().Snapshot(),
            "\n"
            "  ┌────────────────────────┐\n"
            "  │                        │\n"
            "  │    ABC X               │\n"
            "  │                        │\n"
            "  └────────────────────────┘\n");
  for (int column = 8; column <= 12; ++column) {
    EXPECT_EQ(console().AttributeAt(4, column), kAttributeU) << column;
  }
  EXPECT_EQ(console().AttributeAt(4, 13), kAttributeH);
  EXPECT_EQ(CurrentColourRole(), kRoleH);
  EXPECT_EQ(Cursor(), std::pair(4, 8));  // back on the first character
  EXPECT_FALSE(console().CursorVisible());
}

TEST_F(FieldEditorTest, InsertModeIsTheConsoleToggleAndCarriesOverBetweenFields) {
  EditSettings("ea", "d,1b");
  Extended(kScanInsert);
  Type("X");  // refused: the last character is not a blank
  LookNow();
  Enter();
  Edited edited = Edit("ABCDE", 1, 1, 0, 1);
  EXPECT_EQ(edited.text, "ABCDE");
  EXPECT_EQ(edited.cursor, 1);
  ASSERT_EQ(looks_.size(), 1u);
  EXPECT_EQ(looks_[0].cursor_size, 50);
  EXPECT_TRUE(console().InsertMode());

  Type("X");  // still insert mode in the next field
  LookNow();
  Extended(kScanInsert);
  Type("Z");
  Enter();
  edited = Edit("AB   ", 1, 1, 0, 1);
  EXPECT_EQ(edited.text, "XZB  ");
  EXPECT_EQ(edited.cursor, 3);
  ASSERT_EQ(looks_.size(), 2u);
  EXPECT_EQ(looks_[1].screen, "XAB\n");
  EXPECT_EQ(looks_[1].cursor_size, 50);
  EXPECT_FALSE(console().InsertMode());
  EXPECT_EQ(console().CursorSize(), 100);
  EXPECT_EQ(console().Snapshot(), "XZB\n");
}

TEST_F(FieldEditorTest, InsertAtTheEndOrIntoAFullFieldDoesNothing) {
  console().SetInsertMode(true);
  Type("Q");
  Enter();
  EXPECT_EQ(Edit("AB ", 1, 1, 0, 4).text, "AB ");
  Type("Q");
  Enter();
  EXPECT_EQ(Edit("AB ", 1, 1, 0, 3).text, "ABQ");
}

struct KeyCase {
  const char* name;
  std::string text;
  int cursor;
  std::function<void(VirtualConsole&)> keys;
  std::string expected_text;
  int expected_cursor;
};

TEST_F(FieldEditorTest, EditingAndMovingKeys) {
  const auto backspace = [](VirtualConsole& c) { c.PushKey(8); };
  const auto del = [](VirtualConsole& c) { c.PushExtendedKey(kScanDelete); };
  const auto end = [](VirtualConsole& c) { c.PushExtendedKey(kScanEnd); };
  const auto home = [](VirtualConsole& c) { c.PushExtendedKey(kScanHome); };
  const auto ctrl_y = [](VirtualConsole& c) { c.PushKey(25); };
  const auto ctrl_home = [](VirtualConsole& c) { c.PushExtendedKey(kScanHome, kLeftCtrl); };
  const auto left = [](VirtualConsole& c) { c.PushExtendedKey(kScanLeft); };
  const auto right3 = [](VirtualConsole& c) {
    for (int i = 0; i < 3; ++i) c.PushExtendedKey(kScanRight);
  };
  const std::vector<KeyCase> cases = {
      {"backspace at the start", "ABC", 1, backspace, "ABC", 1},
      {"backspace", "ABCD", 3, backspace, "ACD ", 2},
      {"delete at the end", "ABC", 4, del, "ABC", 4},
      {"delete", "ABCD", 2, del, "ACD ", 2},
      {"end", "AB   ", 1, end, "AB   ", 3},
      {"end of blanks", "   ", 3, end, "   ", 1},
      {"end of a full field", "ABC", 1, end, "ABC", 4},
      {"home", "ABCD", 4, home, "ABCD", 1},
      {"ctrl+y", "ABCD", 3, ctrl_y, "    ", 1},
      {"ctrl+home", "ABCD", 3, ctrl_home, "    ", 1},
      {"left at the start", "AB", 1, left, "AB", 1},
      {"right stops after the last", "AB", 1, right3, "AB", 3},
      {"insert and nul keys", "AB", 2,
       [](VirtualConsole& c) {
         c.PushExtendedKey(kScanInsert);
         c.PushExtendedKey(kScanInsert);
         c.PushKey(0);
       },
       "AB", 2},
  };
  for (const KeyCase& test : cases) {
    SCOPED_TRACE(test.name);
    test.keys(console());
    Enter();
    const Edited edited = Edit(test.text, 1, 1, 0, test.cursor);
    EXPECT_EQ(edited.text, test.expected_text);
    EXPECT_EQ(edited.cursor, test.expected_cursor);
    EXPECT_EQ(edited.key, kKeyEnter);
    EXPECT_EQ(console().RowText(1, true).substr(0, test.text.size()), test.expected_text);
  }
}

TEST_F(FieldEditorTest, WordMoves) {
  const auto ctrl_left = [](VirtualConsole& c) { c.PushExtendedKey(kScanLeft, kLeftCtrl); };
  const auto ctrl_right = [](VirtualConsole& c) { c.PushExtendedKey(kScanRight, kLeftCtrl); };
  const std::vector<KeyCase> cases = {
      {"left from inside a word", "abc def   ", 7, ctrl_left, "abc def   ", 5},
      {"left across separators", "abc def   ", 5, ctrl_left, "abc def   ", 1},
      {"left to a word after a blank", " abc", 5, ctrl_left, " abc", 2},
      {"left from the start", "abc", 1, ctrl_left, "abc", 1},
      {"left over blanks to the start", "  ab", 3, ctrl_left, "  ab", 1},
      {"left over punctuation", "ab,.;: cd", 8, ctrl_left, "ab,.;: cd", 1},
      {"right to the next word", "abc def   ", 1, ctrl_right, "abc def   ", 5},
      {"right past the last word", "abc def   ", 5, ctrl_right, "abc def   ", 11},
      {"right from separators", "ab,, cd", 3, ctrl_right, "ab,, cd", 6},
      {"right at the end", "abc", 4, ctrl_right, "abc", 4},
  };
  for (const KeyCase& test : cases) {
    SCOPED_TRACE(test.name);
    test.keys(console());
    Enter();
    const Edited edited = Edit(test.text, 1, 1, 0, test.cursor);
    EXPECT_EQ(edited.cursor, test.expected_cursor);
    EXPECT_EQ(edited.text, test.expected_text);
  }
}

TEST_F(FieldEditorTest, ClipboardCopiesTrimmedTextAndPastesFilteredText) {
  console().SetClipboardText("  12\t34  ");
  Key(22);
  Enter();
  Edited edited = Edit("    ", 1, 1, 0, 1);
  EXPECT_EQ(edited.text, "1234");
  EXPECT_EQ(edited.cursor, 1);
  EXPECT_EQ(console().RowText(1), "1234");

  // Cut at the end of the field; controls, DEL and 255 are dropped.
  console().SetClipboardText("x\x01y\x7f\xffz");
  Key(22);
  Enter();
  edited = Edit("ABCDEF", 1, 1, 0, 5);
  EXPECT_EQ(edited.text, "ABCDxy");
  EXPECT_EQ(edited.cursor, 5);

  console().SetClipboardText("   ");
  Key(22);
  Enter();
  EXPECT_EQ(Edit("ABC", 1, 1, 0, 1).text, "ABC");

  Key(3);
  Enter();
  Edit("  hello  ", 1, 1, 0, 1);
  EXPECT_EQ(console().ClipboardText(), "hello");
}

// ---- Multi-row fields -------------------------------------------------------------------------

TEST_F(FieldEditorTest, MultiRowFieldWrapsAndMovesByRows) {
  const std::string text = "abcdefghijklmnopqrstuvwxyz0123";
  EditSettings("ea", "d,1b,4800,5000");
  Extended(kScanDown);
  LookNow();
  Extended(kScanEnd);
  LookNow();
  Enter();
  Edited edited = Edit(text, 2, 3, 10, 5);
  EXPECT_EQ(edited.key, kKeyEnter);
  EXPECT_EQ(edited.cursor, 31);
  ASSERT_EQ(looks_.size(), 2u);
  EXPECT_EQ(looks_[0].screen,
            "\n"
            "  abcdefghij\n"
            "  klmnopqrst\n"
            "  uvwxyz0123\n");
  EXPECT_EQ(std::pair(looks_[0].row, looks_[0].column), std::pair(3, 7));  // cursor 15
  // After the last character of a full last row: shown at that row's end, not below.
  EXPECT_EQ(std::pair(looks_[1].row, looks_[1].column), std::pair(4, 13));

  Extended(kScanDown);
  edited = Edit(text, 2, 3, 10, 25);
  EXPECT_EQ(edited.key, kKeyDown);
  EXPECT_EQ(edited.cursor, 25);

  Extended(kScanUp);
  edited = Edit(text, 2, 3, 10, 8);
  EXPECT_EQ(edited.key, kKeyUp);
  EXPECT_EQ(edited.cursor, 8);

  Extended(kScanUp);
  Extended(0x0F);  // Shift+Tab moves up a row like Up
  Enter();
  edited = Edit(text, 2, 3, 10, 28);
  EXPECT_EQ(edited.key, kKeyEnter);
  EXPECT_EQ(edited.cursor, 8);
}

TEST_F(FieldEditorTest, ShortLastRowDrawsOnlyTheFieldsCells) {
  console().FillScreen('.', 7);
  Enter();
  Edit("abcdefghijklmnopqrstuvwxy", 2, 3, 10, 1);
  EXPECT_EQ(console().RowText(2).substr(0, 14), "..abcdefghij..");
  EXPECT_EQ(console().RowText(4).substr(0, 14), "..uvwxy.......");
  EXPECT_EQ(console().RowText(5).substr(0, 14), "..............");
}

// ---- Masked fields ----------------------------------------------------------------------------

TEST_F(FieldEditorTest, MaskedFieldShowsOnlyTheMask) {
  console().FillScreen('.', 7);
  EditSettings("h", "");
  Type("98");
  Key(3);  // Ctrl+C: what is hidden stays off the clipboard
  console().SetClipboardText("keep");
  Enter();
  Edited edited = Edit("1234  ", 1, 1, 0, 1);
  EXPECT_EQ(edited.text, "9834  ");
  EXPECT_EQ(edited.cursor, 3);
  EXPECT_EQ(console().RowText(1).substr(0, 8), "XXXXXX..");
  EXPECT_EQ(console().ClipboardText(), "keep");

  console().SetInsertMode(true);
  Type("7");
  Enter();
  edited = Edit("1234 ", 3, 2, 3, 1);
  EXPECT_EQ(edited.text, "71234");
  EXPECT_EQ(console().RowText(3).substr(0, 6), ".XXX..");
  EXPECT_EQ(console().RowText(4).substr(0, 6), ".XX...");

  EditSettings("v", "");
  Enter();
  Edit("12345", 6, 1, 0, 1);
  EXPECT_EQ(console().RowText(6).substr(0, 6), "12345.");
}

// ---- Ending -----------------------------------------------------------------------------------

TEST_F(FieldEditorTest, FixedTranslationsOfTheEndingKey) {
  struct Ending {
    const char* name;
    std::function<void(VirtualConsole&)> key;
    KeyCode expected;
  };
  const std::vector<Ending> endings = {
      {"tab", [](VirtualConsole& c) { c.PushKey(9); }, kKeyEnter},
      {"shift+tab", [](VirtualConsole& c) { c.PushExtendedKey(0x0F, kShift); }, kKeyUp},
      {"alt+f4", [](VirtualConsole& c) { c.PushExtendedKey(0x3E, kLeftAlt); }, kKeyEsc},
      {"ctrl+f4", [](VirtualConsole& c) { c.PushExtendedKey(0x3E, kLeftCtrl); }, kKeyEsc},
      {"enter", [](VirtualConsole& c) { c.PushKey(13); }, kKeyEnter},
      {"f2", [](VirtualConsole& c) { c.PushExtendedKey(0x3C); }, kKeyF2},
      {"f11", [](VirtualConsole& c) { c.PushExtendedKey(0x85); }, kKeyF11},
      {"alt+x with nothing listed", [](VirtualConsole& c) { c.PushExtendedKey(0x2D, kLeftAlt); },
       kKeyAltX},
  };
  SetCalculatorPopup(nullptr);
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.name);
    ending.key(console());
    EXPECT_EQ(Edit("AB", 1, 1, 0, 1).key, ending.expected);
  }
}

TEST_F(FieldEditorTest, EndListedAsExitKeyTurnsEnterIntoEndButNotTab) {
  EditSettings("ea", "4f00,1b");
  Key(13);
  EXPECT_EQ(Edit("AB", 1, 1, 0, 1).key, kKeyEnd);
  Key(9);  // 13, not listed: ignored
  Key(27);
  EXPECT_EQ(Edit("AB", 1, 1, 0, 1).key, kKeyEsc);
  EditSettings("a", "d");
  Key(9);
  EXPECT_EQ(Edit("AB", 1, 1, 0, 1).key, kKeyEnter);
}

TEST_F(FieldEditorTest, ExitKeyMapIgnoresUnlistedKeysAndRedraws) {
  EditSettings("+ea", "d,1b");
  // The pop-up scribbles over the field; its Alt+X is ignored and the field is redrawn.
  g_popup_action = [] { WriteInWindow(1, 1, "#####"); };
  LookNow();
  Extended(0x3C);  // F2: ignored
  Type("Q");
  Enter();
  Edited edited = Edit("ABCD", 1, 1, 0, 1);
  EXPECT_EQ(edited.key, kKeyEnter);
  EXPECT_EQ(edited.text, "QBCD");
  EXPECT_EQ(console().Snapshot(), "QBCD#\n");

  // Clicks outside the field and F11 and up end it though they are not listed.
  Click(7, 20);
  EXPECT_EQ(Edit("ABCD", 1, 1, 0, 1).key, -2007);
  Extended(0x86, kShift);  // Shift+F12
  EXPECT_EQ(Edit("ABCD", 1, 1, 0, 1).key, MakeKeyCode(0x8800));

  EditSettings("a", "1b=4f00");  // Esc is now listed a second time, but the first counts
  Key(27);
  EXPECT_EQ(Edit("ABCD", 1, 1, 0, 1).key, kKeyEsc);
  EditSettings("ea", "1b=4f00");
  Key(27);
  EXPECT_EQ(Edit("ABCD", 1, 1, 0, 1).key, kKeyEnd);
}

// ---- Mouse ------------------------------------------------------------------------------------

TEST_F(FieldEditorTest, ClicksInsideMoveTheCursorAndOutsideEndEditing) {
  OpenWindow(2, 3, 7, 28);
  // Window row 2, column 5 is screen row 4, column 8; three rows of 10 for 25 characters.
  const std::string text = "abcdefghijklmnopqrstuvwxy";
  Click(5, 10);
  Enter();
  EXPECT_EQ(Edit(text, 2, 5, 10, 1).cursor, 13);

  Click(6, 13, 2);  // right button, just after the last character
  Enter();
  EXPECT_EQ(Edit(text, 2, 5, 10, 1).cursor, 26);

  Click(6, 14);  // past the end of the short last row
  Edited edited = Edit(text, 2, 5, 10, 1);
  EXPECT_EQ(edited.key, -1406);
  EXPECT_EQ(edited.cursor, 1);

  Click(4, 7);  // left of the field
  EXPECT_EQ(Edit(text, 2, 5, 10, 1).key, -704);

  // A one-row field takes a click just after its last character.
  Click(4, 11);
  Enter();
  EXPECT_EQ(Edit("abc", 2, 5, 0, 1).cursor, 4);
  Click(4, 12);
  EXPECT_EQ(Edit("abc", 2, 5, 0, 1).key, -1204);
}

// ---- Selection fields -------------------------------------------------------------------------

TEST_F(FieldEditorTest, SelectionFieldStepsThroughItsChoices) {
  SetSelectionList(Cp850("|S,Sí|N,No"));
  LookNow();
  Extended(kScanRight);  // wraps to the first
  LookNow();
  Extended(kScanRight);
  Extended(kScanLeft);
  Key(' ');
  Type("s");  // from No, the choice whose description starts with S
  LookNow();
  Enter();
  EditSettings("ea", "d,1b");
  const Edited edited = Edit("N", 2, 5, 0, 1);
  EXPECT_EQ(edited.text, "S");
  EXPECT_EQ(edited.key, kKeyEnter);
  ASSERT_EQ(looks_.size(), 3u);
  EXPECT_EQ(looks_[0].screen, "\n   ◄No►\n");
  EXPECT_EQ(looks_[1].screen, "\n   ◄Sí►\n");
  EXPECT_EQ(looks_[2].screen, "\n   ◄Sí►\n");
  EXPECT_FALSE(looks_[0].cursor_visible);
  // The marks keep the colour in force at the start; the choice is in the input colour.
  EXPECT_EQ(console().Snapshot(), "\n    Sí\n");
  EXPECT_EQ(console().AttributeAt(2, 4), kAttributeH);
  EXPECT_EQ(console().AttributeAt(2, 5), kAttributeU);
}

TEST_F(FieldEditorTest, SelectionSearchFoldsAccentsAndWraps) {
  SetSelectionList(Cp850("|1,Àvila|2,Barcelona|3,avinyó"));
  Type("a");
  LookNow();
  Type("A");
  LookNow();
  Type("z");  // no choice: nothing changes
  LookNow();
  Enter();
  EditSettings("ea", "d");
  const Edited edited = Edit("1", 1, 2, 0, 1);
  EXPECT_EQ(edited.text, "1");
  ASSERT_EQ(looks_.size(), 3u);
  EXPECT_EQ(looks_[0].screen, "◄avinyó   ►\n");
  EXPECT_EQ(looks_[1].screen, "◄Àvila    ►\n");
  EXPECT_EQ(looks_[2].screen, "◄Àvila    ►\n");
  EXPECT_FALSE(FoldAccents());
}

TEST_F(FieldEditorTest, SelectionFieldKeysClicksAndClipboard) {
  SetSelectionList(Cp850("|AA,first|BB,second|CC,third"));
  // A text that is no choice's key starts on the first.
  Click(3, 11);  // on ►: next
  Click(3, 5);   // on the description: nothing
  Click(3, 4);   // on ◄: previous
  Click(3, 4);   // previous, from the first: the last
  Key(3);
  Extended(kScanEnd);
  Extended(kScanHome);
  Key(8);
  Extended(kScanDelete);
  Key(25);
  Click(4, 5);  // another row: ends
  Edited edited = Edit("ZZ", 3, 5, 0, 2);
  EXPECT_EQ(edited.key, -504);
  EXPECT_EQ(edited.text, "CC");
  EXPECT_EQ(edited.cursor, 1);
  EXPECT_EQ(console().ClipboardText(), "third");
  EXPECT_EQ(console().Snapshot(), "\n\n    third\n");

  Extended(kScanUp);
  EXPECT_EQ(Edit("BB", 3, 5, 0, 1).key, kKeyUp);
  Extended(kScanDown);
  edited = Edit("BB", 3, 5, 0, 1);
  EXPECT_EQ(edited.key, kKeyDown);
  EXPECT_EQ(edited.text, "BB");

  SetSelectionList("");
  Type("x");
  Enter();
  EXPECT_EQ(Edit("BB", 3, 5, 0, 1).text, "xB");
}

// ---- Start of editing -------------------------------------------------------------------------

TEST_F(FieldEditorTest, ZeroRowAndColumnTakeTheCursorInsideTheWindow) {
  OpenWindow(2, 3, 7, 28);
  LocateInWindow(3, 6);
  Enter();
  Edited edited = Edit("abc", 0, 0, 0, 0);
  EXPECT_EQ(std::tuple(edited.row, edited.column, edited.width), std::tuple(3, 6, 4));
  EXPECT_EQ(edited.cursor, 1);
  EXPECT_EQ(console().RowText(5), "        abc");

  Enter();
  EXPECT_EQ(Edit("abc", 1, 1, 0, 99).cursor, 4);
}

TEST_F(FieldEditorTest, PopUpResultsAndAltDigitsArriveAsTypedCharacters) {
  SetCalculatorPopup(+[]() -> std::string { return "42"; });
  EditSettings("ea", "d");
  console().PushExtendedKey(0x2D, kLeftAlt);
  console().PushKeyUp(0);
  console().PushExtendedKey(0x4F, kLeftAlt);  // 1
  console().PushExtendedKey(0x4D, kLeftAlt);  // 6
  console().PushExtendedKey(0x4C, kLeftAlt);  // 5
  console().PushKeyUp(0);
  Enter();
  const Edited edited = Edit("     ", 1, 1, 0, 1);
  EXPECT_EQ(edited.text, "42\xA5  ");
  EXPECT_EQ(edited.cursor, 4);
}

TEST_F(FieldEditorTest, ConsoleWithNoMoreInputEndsTheFieldAsEsc) {
  Type("ab");
  const Edited edited = Edit("    ", 1, 1, 0, 1);
  EXPECT_EQ(edited.key, kKeyEsc);
  EXPECT_EQ(edited.text, "ab  ");
}

}  // namespace
}  // namespace kel
