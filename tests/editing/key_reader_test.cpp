#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/console_fixture.h"
#include "console/keys.h"
#include "editing/key_reader.h"

namespace kel {
namespace {

using platform::kLeftAlt;
using platform::kLeftCtrl;
using platform::kMouseMoved;
using platform::kMousePressed;
using platform::kMouseReleased;
using platform::kRightAlt;
using platform::kRightCtrl;
using platform::kShift;
using testing::ConsoleTest;

class KeyReaderTest : public ConsoleTest {
 protected:
  struct Poll {
    KeyCode key = 0;
    std::int16_t button = 0, row = 0, column = 0;
  };
  Poll ReadOnce() {
    Poll poll;
    ReadKeyEvent(poll.key, poll.button, poll.row, poll.column);
    return poll;
  }
  // Every key WaitKey returns up to a final marker key added to the script.
  std::vector<KeyCode> WaitAll() {
    constexpr KeyCode kMarker = 0xFF;
    console().PushKey(kMarker);
    std::vector<KeyCode> keys;
    for (KeyCode key = WaitKey(); key != kMarker; key = WaitKey()) keys.push_back(key);
    return keys;
  }
};

TEST_F(KeyReaderTest, CharactersAndExtendedKeys) {
  console().PushText("a\x82");
  console().PushExtendedKey(0x3B);
  console().PushKeyWithScanCode(13, 0x1C);
  EXPECT_EQ(WaitAll(), (std::vector<KeyCode>{'a', 0x82, kKeyF1, kKeyEnter}));
}

TEST_F(KeyReaderTest, LeftAltWithKeypadDigitsTypesACharacterByItsCode) {
  console().PushExtendedKey(0x4F, kLeftAlt);  // 1
  console().PushExtendedKey(0x4D, kLeftAlt);  // 6
  console().PushEmptyPoll();
  console().PushExtendedKey(0x4C, kLeftAlt);  // 5
  console().PushKeyUp(0);
  console().PushExtendedKey(0x51, kLeftAlt);  // 3
  console().PushExtendedKey(0x52, kLeftAlt);  // 0
  console().PushExtendedKey(0x52, kLeftAlt);  // 0
  console().PushKeyUp(0);
  console().PushText("z");
  EXPECT_EQ(WaitAll(), (std::vector<KeyCode>{165, ',', 'z'}));
}

TEST_F(KeyReaderTest, DecimalEntryWaitsInTheConsoleWhileAltIsHeld) {
  console().PushExtendedKey(0x4C, kLeftAlt);  // 5
  console().PushPause(300);
  console().PushExtendedKey(0x4B, kLeftAlt);  // 4
  console().PushKeyUp(0);
  EXPECT_EQ(ReadOnce().key, 54);
  EXPECT_GE(console().WaitCount(), 1);
  EXPECT_EQ(console().ElapsedMilliseconds(), 300);
}

TEST_F(KeyReaderTest, KeyThatEndsDecimalEntryIsDropped) {
  console().PushExtendedKey(0x50, kLeftAlt);  // 2
  console().PushKey('q', kLeftAlt);
  console().PushKeyUp(0);
  console().PushText("r");
  EXPECT_EQ(WaitAll(), (std::vector<KeyCode>{2, 'r'}));
}

TEST_F(KeyReaderTest, RightAltDoesNotEnterDigits) {
  console().PushExtendedKey(0x4F, kRightAlt);
  console().PushKeyUp(0);
  EXPECT_EQ(WaitAll(), (std::vector<KeyCode>{kKeyEnd}));
}

TEST_F(KeyReaderTest, LeftAltWithAnotherKeyIsThatKey) {
  console().PushExtendedKey(0x3B, kLeftAlt);  // Alt+F1
  console().PushKeyUp(0);
  EXPECT_EQ(WaitAll(), (std::vector<KeyCode>{kKeyAltF1}));
}

TEST_F(KeyReaderTest, AltEIsTheEuroSign) {
  console().PushExtendedKey(0x12, kLeftAlt);
  console().PushKeyUp(0);
  EXPECT_EQ(WaitAll(), (std::vector<KeyCode>{kKeyEuro}));
}

TEST_F(KeyReaderTest, ModifiedFunctionAndCursorKeysGetFixedCodes) {
  console().PushExtendedKey(0x3B, kShift);                // Shift+F1
  console().PushExtendedKey(0x86, kLeftCtrl);             // Ctrl+F12
  console().PushExtendedKey(0x44, kRightAlt);             // Alt+F10
  console().PushExtendedKey(0x47, kRightCtrl);            // Ctrl+Home
  console().PushExtendedKey(0x4D, kLeftCtrl);             // Ctrl+Right
  console().PushExtendedKey(0x4B, kLeftCtrl);             // Ctrl+Left
  console().PushExtendedKey(0x85, kShift);                // Shift+F11
  console().PushExtendedKey(0x85, kRightAlt);             // Alt+F11
  console().PushExtendedKey(0x3C, kRightCtrl | kShift);   // Ctrl wins over Shift
  console().PushExtendedKey(0x47, kShift);                // Shift+Home stays Home
  console().PushExtendedKey(0x48, kLeftCtrl);             // Ctrl+Up stays Up
  EXPECT_EQ(WaitAll(), (std::vector<KeyCode>{
                           MakeKeyCode(0x5400), MakeKeyCode(0x8A00), MakeKeyCode(0x7100),
                           MakeKeyCode(0x7700), MakeKeyCode(0x7400), MakeKeyCode(0x7300),
                           MakeKeyCode(0x8700), MakeKeyCode(0x8B00), MakeKeyCode(0x5F00),
                           kKeyHome, kKeyUp}));
}

TEST_F(KeyReaderTest, ReleasedButtonBecomesAPackedClick) {
  console().PushMouse(kMousePressed, 1, 5, 10);
  console().PushMouse(kMouseReleased, 1, 5, 10);
  console().PushMouse(kMouseReleased, 2, 3, 70);
  EXPECT_EQ(WaitAll(), (std::vector<KeyCode>{2629, MakeKeyCode(256 * 70 + 128 + 3)}));
}

TEST_F(KeyReaderTest, PollReportsButtonAndPositionOfTheRelease) {
  console().PushMouse(kMouseReleased, 1, 7, 12);
  Poll poll = ReadOnce();
  EXPECT_EQ(poll.key, 0);
  EXPECT_EQ(poll.button, 1);
  EXPECT_EQ(poll.row, 7);
  EXPECT_EQ(poll.column, 12);
  // A key after it still reports where the mouse was last.
  console().PushText("k");
  poll = ReadOnce();
  EXPECT_EQ(poll.key, 'k');
  EXPECT_EQ(poll.button, 0);
  EXPECT_EQ(poll.row, 7);
  EXPECT_EQ(poll.column, 12);
}

TEST_F(KeyReaderTest, MovesPressesAndDoubleClicksGiveNothing) {
  console().PushMouse(kMouseMoved, 0, 5, 5);
  console().PushMouse(kMousePressed, 1, 5, 5);
  console().PushMouse(platform::kMouseDoubleClickOrWheel, 1, 5, 5);
  for (int i = 0; i < 3; ++i) {
    Poll poll = ReadOnce();
    EXPECT_EQ(poll.key, 0);
    EXPECT_EQ(poll.button, 0);
  }
  EXPECT_EQ(WaitKey(), kKeyEsc);  // nothing more will come
}

TEST_F(KeyReaderTest, MouseReportingIsOnOnlyWhileWaiting) {
  EXPECT_EQ(MouseMode(), kMouseUnprobed);
  console().PushText("a");
  EXPECT_EQ(WaitKey(), 'a');
  EXPECT_EQ(MouseMode(), kMouseOff);
  EXPECT_FALSE(console().MouseReportingOn());

  // An empty poll leaves reporting on; so does a negative key code.
  ReadOnce();
  EXPECT_EQ(MouseMode(), kMouseOn);
  EXPECT_TRUE(console().MouseReportingOn());
  console().PushExtendedKey(0x85);
  EXPECT_EQ(ReadOnce().key, kKeyF11);
  EXPECT_TRUE(console().MouseReportingOn());

  console().PushMouse(kMouseReleased, 1, 2, 2);
  ReadOnce();
  EXPECT_EQ(MouseMode(), kMouseOff);
  EXPECT_FALSE(console().MouseReportingOn());
}

TEST_F(KeyReaderTest, ConsoleWithoutMouseNeverReportsClicks) {
  console().SetMouseButtonCount(0);
  console().PushMouse(kMouseReleased, 1, 2, 2);
  console().PushText("x");
  Poll poll = ReadOnce();
  EXPECT_EQ(MouseMode(), kMouseAbsent);
  EXPECT_EQ(poll.button, 0);
  EXPECT_FALSE(console().MouseReportingOn());
  EXPECT_EQ(ReadOnce().key, 'x');
  EXPECT_EQ(MouseMode(), kMouseAbsent);
}

TEST_F(KeyReaderTest, EscWaitingLooksWithoutTaking) {
  EXPECT_FALSE(EscWaiting());
  console().PushKey('a');
  console().PushKey(27);
  EXPECT_FALSE(EscWaiting());  // Esc is not the next key
  EXPECT_EQ(WaitKey(), 'a');
  EXPECT_TRUE(EscWaiting());
  EXPECT_TRUE(EscWaiting());
  EXPECT_EQ(WaitKey(), kKeyEsc);
  EXPECT_FALSE(EscWaiting());
}

TEST_F(KeyReaderTest, EscWaitingSeesPastReleasesButNotPastOtherInput) {
  console().PushKey('q', kLeftAlt);
  console().PushKeyUp(0);
  console().PushKeyUp(0);
  console().PushKey(27);
  EXPECT_EQ(WaitKey(), 'q');
  EXPECT_TRUE(EscWaiting());
  EXPECT_EQ(console().PendingInput(), 1u);  // only the releases were read
  EXPECT_EQ(WaitKey(), kKeyEsc);

  console().PushMouse(kMouseMoved, 0, 3, 3);
  console().PushKey(27);
  EXPECT_FALSE(EscWaiting());
  console().PushExtendedKey(0x01);  // a key without a character is not Esc
  EXPECT_EQ(WaitKey(), kKeyEsc);
  EXPECT_FALSE(EscWaiting());
}

TEST_F(KeyReaderTest, WaitKeyBlocksInTheConsoleBetweenPolls) {
  console().PushPause(5000);
  console().PushText("p");
  EXPECT_EQ(WaitKey(), 'p');
  EXPECT_EQ(console().ElapsedMilliseconds(), 5000);
  EXPECT_EQ(console().WaitCount(), 1);
}

// Pop-ups for the hotkey tests: they record what they see and may read keys themselves.
std::vector<std::string>* g_trace = nullptr;

std::string Calculator() {
  g_trace->push_back("calculator");
  KeyCode key = WaitKey();  // a second Alt+X inside is only a key
  g_trace->push_back("calculator read " + KeyName(key));
  key = WaitKey();  // Alt+C inside the calculator opens the calendar
  g_trace->push_back("calculator read " + KeyName(key));
  return "123";
}

std::string Calendar() {
  g_trace->push_back("calendar");
  return "9";
}

class HotkeyTest : public KeyReaderTest {
 protected:
  void SetUp() override {
    KeyReaderTest::SetUp();
    g_trace = &trace_;
    SetCalculatorPopup(&Calculator);
    SetCalendarPopup(&Calendar);
  }
  void TearDown() override {
    g_trace = nullptr;
    KeyReaderTest::TearDown();
  }
  void AltKey(std::uint8_t scan_code) {
    console().PushExtendedKey(scan_code, kLeftAlt);
    console().PushKeyUp(0);
  }
  std::vector<std::string> trace_;
};

TEST_F(HotkeyTest, ResultArrivesAsTypedKeysBeforeConsoleInput) {
  AltKey(0x2D);  // Alt+X
  AltKey(0x2D);  // read by the calculator: it is already open
  AltKey(0x2E);  // Alt+C from inside the calculator
  console().PushText("z");
  EXPECT_EQ(WaitAll(), (std::vector<KeyCode>{kKeyAltX, '1', '2', '3', 'z'}));
  EXPECT_EQ(trace_, (std::vector<std::string>{"calculator", "calculator read 2d00", "calendar",
                                              "calculator read 2e00"}));
}

TEST_F(HotkeyTest, TypedAheadKeysComeBeforeTheConsoleForEscWaiting) {
  SetCalculatorPopup(+[]() -> std::string { return "\x1b" "5"; });
  AltKey(0x2D);
  console().PushText("z");
  EXPECT_EQ(WaitKey(), kKeyAltX);
  EXPECT_TRUE(EscWaiting());
  EXPECT_EQ(WaitKey(), kKeyEsc);
  EXPECT_FALSE(EscWaiting());  // "5" is next, then z
  EXPECT_EQ(WaitAll(), (std::vector<KeyCode>{'5', 'z'}));
}

TEST_F(HotkeyTest, TypedAheadKeysLeaveTheOtherOutputsAlone) {
  console().PushMouse(kMouseReleased, 1, 4, 9);
  ReadOnce();
  SetCalculatorPopup(+[]() -> std::string { return "7"; });
  AltKey(0x2D);
  EXPECT_EQ(ReadOnce().key, kKeyAltX);
  EXPECT_EQ(TypeAhead(), "7");
  Poll poll;
  poll.button = 11;
  poll.row = 12;
  poll.column = 13;
  ReadKeyEvent(poll.key, poll.button, poll.row, poll.column);
  EXPECT_EQ(poll.key, '7');
  EXPECT_EQ(poll.button, 11);
  EXPECT_EQ(poll.row, 12);
  EXPECT_EQ(poll.column, 13);
}

TEST_F(HotkeyTest, WaitKeyReadsPastATypedAheadNulWithoutWaiting) {
  SetCalculatorPopup(+[]() -> std::string { return std::string("\0" "5", 2); });
  console().PushExtendedKey(0x2D, kLeftAlt);  // and nothing more from the console
  EXPECT_EQ(WaitKey(), kKeyAltX);
  const int waits = console().WaitCount();
  EXPECT_EQ(WaitKey(), '5');
  EXPECT_EQ(console().WaitCount(), waits);
}

TEST_F(HotkeyTest, WithoutPopupsTheHotkeysTypeNothing) {
  SetCalculatorPopup(nullptr);
  SetCalendarPopup(nullptr);
  AltKey(0x2D);
  AltKey(0x2E);
  console().PushText("y");
  EXPECT_EQ(WaitAll(), (std::vector<KeyCode>{kKeyAltX, kKeyAltC, 'y'}));
}

}  // namespace
}  // namespace kel
