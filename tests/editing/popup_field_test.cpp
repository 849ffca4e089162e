// The pop-ups opened from a field being edited, with the exit keys a form gives its fields:
// the figure or the date arrives in the field, and the field goes on with its own exit keys.
#include <gtest/gtest.h>

#include <string>

#include "console/window.h"
#include "editing/field_editor.h"
#include "editing/popup_fixture.h"

namespace kel {
namespace {

using testing::PopupTest;

class PopupFieldTest : public PopupTest {
 protected:
  void SetUp() override {
    PopupTest::SetUp();
    ResetFieldEditor();
  }
  void TearDown() override {
    ResetFieldEditor();
    PopupTest::TearDown();
  }

  struct Edited {
    std::string text;
    KeyCode key = 0;
  };

  // Edits a field of 12 characters at row 5, column 10 of the current window as a form does:
  // the form's map is saved and replaced before the field ("+ea": Enter, Esc, F1) and put
  // back after it ("-").
  Edited EditFormField(std::string text = std::string(12, ' ')) {
    EditSettings("+ea", "d,1b,3b00");
    std::int16_t row = 5, column = 10, width = 0, cursor = 1;
    KeyCode key = 0;
    EditField(row, column, width, text, cursor, key);
    map_after_field_ = SaveEditSettings();
    EditSettings("-", "");
    return {text, key};
  }

  EditSettingsState map_after_field_;
};

TEST_F(PopupFieldTest, TheCalculatorsFigureLandsInTheField) {
  Type("ab");
  AltX();
  Type("12.5");
  Snap();
  Type("F");
  Snap();
  Key(kKeyEnter);
  const Edited edited = EditFormField();
  EXPECT_EQ(edited.text, "ab1250      ");
  EXPECT_EQ(edited.key, kKeyEnter);
  // The field shows above the calculator's tape while it is open, and its figure afterwards.
  EXPECT_NE(Shot(0).find("\n\n\n\n         ab\n"), std::string::npos);
  EXPECT_NE(Shot(0).find("│                  12'5  │"), std::string::npos);
  EXPECT_EQ(Shot(1), "\n\n\n\n         ab1250\n");
  // The field kept the form's map all along (Enter, Esc, F1), and the form finds the map it
  // saved before the field.
  EXPECT_EQ(map_after_field_.exit_keys, std::string("\x0D\x00\x1B\x00\x00\x3B", 6));
  EXPECT_EQ(map_after_field_.saved_count, 1);
  EXPECT_TRUE(ExitKeyMapEmpty());
}

TEST_F(PopupFieldTest, TheCalendarsDateLandsInTheField) {
  AltC();
  Key(kKeyDown);
  Type("F");
  Key(kKeyEnter);
  const Edited edited = EditFormField();
  EXPECT_EQ(edited.text, "22/3/2024   ");
  EXPECT_EQ(edited.key, kKeyEnter);
  EXPECT_EQ(console().Snapshot(), "\n\n\n\n         22/3/2024\n");
}

TEST_F(PopupFieldTest, EscInAPopupLeavesTheFieldAsItWas) {
  AltX();
  Type("99");
  Key(kKeyEsc);
  AltC();
  Key(kKeyEsc);
  Key(kKeyEsc);  // the field's own Esc
  const Edited edited = EditFormField("abc         ");
  EXPECT_EQ(edited.text, "abc         ");
  EXPECT_EQ(edited.key, kKeyEsc);
}

TEST_F(PopupFieldTest, TheFieldsEndKeysAreTheFormsAfterAPopup) {
  // Without its own save, the pop-up would leave the map the form saved before the field
  // (empty), and the field would end on the hotkey's code.
  AltX();
  Type("8F");
  Key(kKeyF2);  // not a key of the form: ignored
  Key(kKeyF1);
  const Edited edited = EditFormField();
  EXPECT_EQ(edited.key, kKeyF1);
  EXPECT_EQ(edited.text, "800         ");
}

TEST_F(PopupFieldTest, AMaskedFieldTakesTheFigureHidden) {
  EditSettings("h", "");
  AltX();
  Type("7F");
  Key(kKeyEnter);
  const Edited edited = EditFormField();
  EXPECT_EQ(edited.text, "700         ");
  EXPECT_EQ(MaskCharacter(), 'X');
  EXPECT_EQ(console().RowText(5).find("700"), std::string::npos);
}

TEST_F(PopupFieldTest, InAFormsWindowThePopupsComeAndGoOverIt) {
  SetColour("+n");
  OpenWindow(3, 5, 12, 60);
  DrawFrame(2);
  AltC();
  Snap();
  Key(kKeyRight);
  Type("F");
  AltX();
  Snap();
  Key(kKeyEsc);
  Snap();
  Key(kKeyEnter);
  const Edited edited = EditFormField();
  EXPECT_EQ(edited.text, "16/3/2024   ");
  EXPECT_NE(Shot(0).find("MARÇ"), std::string::npos);
  EXPECT_NE(Shot(1).find("└────────────────────────┘"), std::string::npos);
  // Back in the field after both pop-ups: the form's window with the date in the field.
  EXPECT_EQ(Shot(2).find("└────────────────────────┘"), std::string::npos);
  EXPECT_NE(Shot(2).find("║         16/3/2024"), std::string::npos);
  CloseWindow();
  SetColour("-");
  EXPECT_FALSE(StackFileExists());
}

}  // namespace
}  // namespace kel
