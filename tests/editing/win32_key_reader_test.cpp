// The key reader over the Windows console: records put into the console's input queue, as
// the keyboard and mouse would put them there, give the suite's key codes.
#include <gtest/gtest.h>

#include <string>

#include "console/keys.h"
#include "editing/key_reader.h"
#include "platform/console.h"
#include "platform/system_console.h"
#include "platform/win32/console_injection.h"

namespace kel {
namespace {

using platform::win32::InjectKey;
using platform::win32::RawKey;

constexpr std::uint32_t kLeftAltHeld = 0x02;
constexpr std::uint16_t kVirtualMenu = 0x12;

class Win32KeyReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto console = platform::OpenSystemConsole();
    if (!console) GTEST_SKIP() << "no console";
    platform::InstallConsole(std::move(console));
    platform::win32::DiscardConsoleInput();
    ResetKeyReader();
  }
  void TearDown() override {
    platform::InstallConsole(nullptr);
    ResetKeyReader();
  }
};

TEST_F(Win32KeyReaderTest, LeftAltWithKeypadDigitsTypesTheCharacterOfThatCode) {
  // Alt held, keypad 1, 3, 0 (Num Lock off: End, PgDn, Insert), Alt released: 130 is "é".
  ASSERT_TRUE(InjectKey(RawKey{true, kVirtualMenu, 0x38, 0, kLeftAltHeld, 1}));
  ASSERT_TRUE(InjectKey(RawKey{true, 0x23, 0x4F, 0, kLeftAltHeld, 1}));
  ASSERT_TRUE(InjectKey(RawKey{true, 0x22, 0x51, 0, kLeftAltHeld, 1}));
  ASSERT_TRUE(InjectKey(RawKey{true, 0x2D, 0x52, 0, kLeftAltHeld, 1}));
  // Windows composes the character itself and hands it over with the release of Alt.
  ASSERT_TRUE(InjectKey(RawKey{false, kVirtualMenu, 0x38, u'é', 0, 1}));
  ASSERT_TRUE(InjectKey(RawKey{true, 'Z', 0x2C, u'z', 0, 1}));
  EXPECT_EQ(WaitKey(), 130);
  EXPECT_EQ(WaitKey(), 'z');
}

TEST_F(Win32KeyReaderTest, ModifiersMakeTheFunctionAndCursorKeysOfTheirOwn) {
  ASSERT_TRUE(InjectKey(RawKey{true, 0x70, 0x3B, 0, 0x10, 1}));          // Shift+F1
  ASSERT_TRUE(InjectKey(RawKey{true, 0x71, 0x3C, 0, 0x08, 1}));          // Ctrl+F2
  ASSERT_TRUE(InjectKey(RawKey{true, 0x27, 0x4D, 0, 0x08 | 0x100, 1}));  // Ctrl+Right
  ASSERT_TRUE(InjectKey(RawKey{true, 0x7B, 0x58, 0, 0x02, 1}));          // Alt+F12
  // Alt+X, with a calculator that types nothing in place of the real one.
  SetCalculatorPopup(+[]() -> std::string { return ""; });
  ASSERT_TRUE(InjectKey(RawKey{true, 'X', 0x2D, u'x', 0x02, 1}));
  EXPECT_EQ(WaitKey(), MakeKeyCode(0x5400));
  EXPECT_EQ(WaitKey(), MakeKeyCode(0x5F00));
  EXPECT_EQ(WaitKey(), kKeyCtrlRight);
  EXPECT_EQ(WaitKey(), MakeKeyCode(0x8C00));
  EXPECT_EQ(WaitKey(), kKeyAltX);
}

TEST_F(Win32KeyReaderTest, AMouseReleaseIsAClickAtItsCell) {
  if (platform::Console().MouseButtons() == 0) GTEST_SKIP() << "the console reports no mouse";
  using platform::win32::InjectMouse;
  using platform::win32::RawMouse;
  ASSERT_TRUE(InjectMouse(RawMouse{9, 4, 1, 0, 0}));
  ASSERT_TRUE(InjectMouse(RawMouse{9, 4, 0, 0, 0}));
  // A click travels as 256 x column + 64 x button + row.
  EXPECT_EQ(WaitKey(), MakeKeyCode(256 * 10 + 64 * 1 + 5));
}

}  // namespace
}  // namespace kel
