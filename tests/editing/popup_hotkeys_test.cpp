// The pop-ups as every program has them: Alt+X and Alt+C while any screen waits for a key,
// their results arriving as typed keys, each inside the other, and the screen they opened
// from going on with its own editing settings.
#include <gtest/gtest.h>

#include <string>

#include "editing/popup_fixture.h"

namespace kel {
namespace {

using testing::PopupTest;

class PopupHotkeysTest : public PopupTest {
 protected:
  // The settings a form field works with: the form saved the map before the field ("+ea")
  // and listed Enter, Esc and F1.
  void EnterFormField() { EditSettings("+ea", "d,1b,3b00"); }

  void ExpectFieldSettings() {
    const EditSettingsState settings = SaveEditSettings();
    EXPECT_TRUE(ExitKeysContain(kKeyEnter));
    EXPECT_TRUE(ExitKeysContain(kKeyEsc));
    EXPECT_TRUE(ExitKeysContain(kKeyF1));
    EXPECT_FALSE(ExitKeysContain(kKeyAltX));
    EXPECT_FALSE(ExitKeysContain(kKeyAltC));
    EXPECT_EQ(settings.saved_count, 1);
    // The form's closing "-" finds the map it saved before the field.
    EditSettings("-", "");
    EXPECT_TRUE(ExitKeyMapEmpty());
  }
};

TEST_F(PopupHotkeysTest, TheLibraryInstallsBothPopups) {
  AltX();
  Type("12.5F");
  AltC();
  Key(kKeyDown);
  Type("F");
  Type("z");
  EXPECT_EQ(TypedText(), "<X>1250<C>22/3/2024 z");
}

TEST_F(PopupHotkeysTest, AFieldKeepsItsExitKeysAcrossTheCalculator) {
  EnterFormField();
  AltX();
  Type("8F");
  EXPECT_EQ(TypedText(), "<X>800");
  ExpectFieldSettings();
}

TEST_F(PopupHotkeysTest, AFieldKeepsItsExitKeysAcrossTheCalendar) {
  EnterFormField();
  AltC();
  Type("F");
  EXPECT_EQ(TypedText(), "<C>15/3/2024 ");
  ExpectFieldSettings();
}

TEST_F(PopupHotkeysTest, TheCalendarOpensOverTheCalculatorAndLeavesItAsItWas) {
  AltX();
  Type("5+");
  Key(kKeyLeft);  // the calculator at column 55, under the calendar
  Snap();
  AltC();
  Snap();
  Key(kKeyEsc);
  Snap();
  AltX();  // the calculator is open: only a key, ignored
  Snap();
  Key(kKeyEsc);
  EXPECT_EQ(TypedText(), "<X>");
  ASSERT_EQ(Snapshots().size(), 4u);
  EXPECT_EQ(Shot(2), Shot(0));
  EXPECT_EQ(Shot(3), Shot(0));
  // The calendar covers columns 59 to 80 of the calculator's rows 1 to 24.
  const std::string& both = Shot(1);
  EXPECT_NE(both.find("│DL DT DC DJ DV DS DG│"), std::string::npos);
  EXPECT_NE(both.find(std::string(54, ' ') + "└────────────────────────┘"), std::string::npos);
  EXPECT_EQ(console().Snapshot(), "");
  EXPECT_FALSE(StackFileExists());
}

TEST_F(PopupHotkeysTest, TheCalendarsDateIsTypedIntoTheCalculator) {
  AltX();
  Type("100+");
  AltC();
  Type("F");  // "15/3/2024 " arrives as keys: 100 + 15, divided by 3, divided by 2024
  Type("C");  // cancel 2024: the accumulator, 115 / 3, shows
  Type("R");
  Type("F");
  EXPECT_EQ(TypedText(), "<X>3833");
}

TEST_F(PopupHotkeysTest, TheCalculatorOpensOverTheCalendarAndLeavesItAsItWas) {
  EnterFormField();
  AltC();
  Key(kKeyRight);
  Snap();
  AltX();
  Key(kKeyLeft);  // over the calendar
  Snap();
  Type("7F");  // "700" arrives in the calendar, which takes none of it
  Snap();
  AltC();  // the calendar is open: only a key, ignored
  Type("F");
  EXPECT_EQ(TypedText(), "<C>16/3/2024 ");
  ASSERT_EQ(Snapshots().size(), 3u);
  EXPECT_EQ(Shot(2), Shot(0));
  const std::string display = std::string(54, ' ') + "│                     0  │";
  EXPECT_NE(Shot(1).find(display), std::string::npos);
  ExpectFieldSettings();
  EXPECT_FALSE(StackFileExists());
}

}  // namespace
}  // namespace kel
