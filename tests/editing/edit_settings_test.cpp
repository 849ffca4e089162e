#include "editing/edit_settings.h"

#include <gtest/gtest.h>

#include "console/keys.h"

namespace kel {
namespace {

class EditSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetEditSettings(); }
  void TearDown() override { ResetEditSettings(); }

  // The code a key ends a field with, or 0 when the map does not list it.
  static KeyCode Returned(KeyCode key) {
    KeyCode replacement = 0;
    return FindExitKey(key, replacement) ? replacement : KeyCode{0};
  }
};

TEST_F(EditSettingsTest, SaveEmptyAddThenRestoreTheEmptyStart) {
  EditSettings("+ea", "d,1b");
  EXPECT_EQ(Returned(kKeyEnter), kKeyEnter);
  EXPECT_EQ(Returned(kKeyEsc), kKeyEsc);
  EXPECT_EQ(Returned(kKeyF2), 0);
  EditSettings("-", "");
  EXPECT_TRUE(ExitKeyMapEmpty());
}

TEST_F(EditSettingsTest, AReplacementChangesTheCodeAndDRemovesKeyAndReplacement) {
  EditSettings("A", "d, 1b=4f00");
  EXPECT_EQ(Returned(kKeyEsc), kKeyEnd);
  EXPECT_EQ(Returned(kKeyEnter), kKeyEnter);
  EditSettings("d", "1b");
  EXPECT_FALSE(ExitKeysContain(kKeyEsc));
  EXPECT_EQ(Returned(kKeyEnter), kKeyEnter);
  EditSettings("d", "3b00");  // not listed: nothing changes
  EXPECT_TRUE(ExitKeysContain(kKeyEnter));
}

TEST_F(EditSettingsTest, AMatchStraddlingTwoKeysIsNotAKey) {
  EditSettings("a", "d00,1b");  // bytes 00 0D 1B 00
  EXPECT_FALSE(ExitKeysContain(MakeKeyCode(0x1B0D)));
  EditSettings("a", "1b0d");    // now listed on its own, after the straddling match
  EXPECT_EQ(Returned(MakeKeyCode(0x1B0D)), MakeKeyCode(0x1B0D));
  EditSettings("d", "1b0d");
  EXPECT_TRUE(ExitKeysContain(MakeKeyCode(0x0D00)));
  EXPECT_TRUE(ExitKeysContain(kKeyEsc));
  EXPECT_FALSE(ExitKeysContain(MakeKeyCode(0x1B0D)));
}

TEST_F(EditSettingsTest, KeysFrom8000hUpCanBeListed) {
  EditSettings("a", "8500,8a00=1b");
  EXPECT_EQ(Returned(kKeyF11), kKeyF11);
  EXPECT_EQ(Returned(MakeKeyCode(0x8A00)), kKeyEsc);
  EXPECT_FALSE(ExitKeysContain(kKeyF12));
}

TEST_F(EditSettingsTest, EmptyItemsReadAsZeroAndUnknownLettersAreSkipped) {
  EditSettings("xa?", "d,,1B");
  EXPECT_TRUE(ExitKeysContain(0));
  EXPECT_TRUE(ExitKeysContain(kKeyEsc));
  EditSettings("E", "");
  EXPECT_TRUE(ExitKeyMapEmpty());
}

TEST_F(EditSettingsTest, TheSaveAreaHoldsOneLevel) {
  EditSettings("+ea", "d,1b");        // a form saves the empty map before its field
  EditSettings("+ea", "4d00,4b00");   // a pop-up's save is ignored: a copy is held
  EXPECT_TRUE(ExitKeysContain(kKeyRight));
  EditSettings("-", "");              // restores the form's saved (empty) map
  EXPECT_TRUE(ExitKeyMapEmpty());
  EditSettings("-", "");              // nothing saved any more: nothing changes
  EXPECT_TRUE(ExitKeyMapEmpty());
}

TEST_F(EditSettingsTest, MaskOnAndOffInOneString) {
  EditSettings("h", "");
  EXPECT_EQ(MaskCharacter(), 'X');
  EditSettings("HV", "");
  EXPECT_EQ(MaskCharacter(), 0);
}

TEST_F(EditSettingsTest, APopUpGivesBackExactlyWhatItFound) {
  EditSettings("+ea", "d,1b,3b00");  // a form's field
  EditSettings("h", "");
  const EditSettingsState found = SaveEditSettings();
  EditSettings("+ea", "4d00,1b");    // the pop-up's own map
  EditSettings("v-", "");
  RestoreEditSettings(found);
  EXPECT_EQ(Returned(kKeyF1), kKeyF1);
  EXPECT_FALSE(ExitKeysContain(kKeyRight));
  EXPECT_EQ(MaskCharacter(), 'X');
  EditSettings("-", "");             // the field's own restore still has its copy
  EXPECT_TRUE(ExitKeyMapEmpty());
}

}  // namespace
}  // namespace kel
