// The Windows console backend on a real console: what is written reads back cell by cell,
// and records put into the console's input queue come out as the program's input events.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/system_console.h"
#include "platform/win32/console_injection.h"

namespace kel::platform {
namespace {

using win32::RawKey;
using win32::RawMouse;

class Win32ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    console_ = OpenSystemConsole();
    if (!console_) GTEST_SKIP() << "no console";
    win32::DiscardConsoleInput();
  }
  void TearDown() override { console_.reset(); }

  std::string RowText(int row, int column, int count) const {
    std::string text;
    for (int c = column; c < column + count; ++c) text += static_cast<char>(console_->ReadCell(row, c).character);
    return text;
  }

  std::unique_ptr<ConsoleDevice> console_;
};

TEST_F(Win32ConsoleTest, TextInCodePage850ReadsBackWithItsAttribute) {
  // Accented letters, box drawing and the control bytes shown as their glyphs.
  const std::string text = Cp850("ÀÉÑçü ╔═╗ ") + "\x10\x11\x1E";
  console_->SetCursorPosition(2, 3);
  console_->SetTextAttribute(0x1E);
  console_->WriteText(text);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const Cell cell = console_->ReadCell(2, 3 + static_cast<int>(i));
    EXPECT_EQ(cell.character, static_cast<unsigned char>(text[i])) << "cell " << i;
    EXPECT_EQ(cell.attribute, 0x1E) << "cell " << i;
  }
  EXPECT_EQ(console_->CursorPosition(), (CursorPlace{2, 3 + static_cast<int>(text.size())}));
  EXPECT_EQ(console_->TextAttribute(), 0x1E);
}

TEST_F(Win32ConsoleTest, TextWrapsAtTheRightEdgeAndStopsAtTheLastCell) {
  const int rows = console_->Rows();
  const int columns = console_->Columns();
  ASSERT_GE(rows, 2);
  ASSERT_GE(columns, 10);
  console_->SetTextAttribute(0x07);
  console_->SetCursorPosition(1, columns - 1);
  console_->WriteText("ABCD");
  EXPECT_EQ(RowText(1, columns - 1, 2), "AB");
  EXPECT_EQ(RowText(2, 1, 2), "CD");
  EXPECT_EQ(console_->CursorPosition(), (CursorPlace{2, 3}));

  console_->SetCursorPosition(rows, columns - 1);
  console_->WriteText("XYZ");
  EXPECT_EQ(RowText(rows, columns - 1, 2), "XY");
  EXPECT_EQ(console_->CursorPosition(), (CursorPlace{rows, columns}));
}

TEST_F(Win32ConsoleTest, CellsAndAttributeFillsKeepWhatTheyMustKeep) {
  const Cell cells[] = {{'k', 0x4F}, {'e', 0x2A}, {'l', 0x07}};
  console_->WriteCells(5, 10, cells, 3);
  console_->FillAttribute(5, 11, 0x70, 2);
  EXPECT_EQ(console_->ReadCell(5, 10), (Cell{'k', 0x4F}));
  EXPECT_EQ(console_->ReadCell(5, 11), (Cell{'e', 0x70}));
  EXPECT_EQ(console_->ReadCell(5, 12), (Cell{'l', 0x70}));
  // Outside the screen a cell reads as a blank in attribute 7.
  EXPECT_EQ(console_->ReadCell(0, 1), Cell{});
  EXPECT_EQ(console_->ReadCell(1, console_->Columns() + 1), Cell{});
}

TEST_F(Win32ConsoleTest, ScrollingMovesTheRectangleOnlyAndFillsTheFreedRows) {
  for (int row = 3; row <= 6; ++row) {
    const Cell line[] = {{static_cast<unsigned char>('0' + row), 0x07}, {'|', 0x07}, {'|', 0x07}};
    console_->WriteCells(row, 1, line, 3);
  }
  // Columns 1-2 of rows 3-5 move up one; column 3 and row 6 stay.
  console_->ScrollRectangle(3, 1, 5, 2, 1, 0x47);
  EXPECT_EQ(RowText(3, 1, 3), "4||");
  EXPECT_EQ(RowText(4, 1, 3), "5||");
  EXPECT_EQ(RowText(5, 1, 3), "  |");
  EXPECT_EQ(console_->ReadCell(5, 1).attribute, 0x47);
  EXPECT_EQ(RowText(6, 1, 3), "6||");
  console_->ScrollRectangle(3, 1, 5, 2, -2, 0x17);
  EXPECT_EQ(RowText(3, 1, 1), " ");
  EXPECT_EQ(RowText(5, 1, 1), "4");
  EXPECT_EQ(console_->ReadCell(3, 1).attribute, 0x17);
}

TEST_F(Win32ConsoleTest, CursorShapeAndVisibility) {
  console_->SetCursorVisible(false);
  EXPECT_FALSE(console_->CursorVisible());
  console_->SetCursorSize(100);
  console_->SetCursorVisible(true);
  EXPECT_TRUE(console_->CursorVisible());
  console_->SetCursorPosition(7, 9);
  EXPECT_EQ(console_->CursorPosition(), (CursorPlace{7, 9}));
}

TEST_F(Win32ConsoleTest, ClosingPutsBackTheScreenTheCursorAndTheAttribute) {
  console_.reset();
  console_ = OpenSystemConsole();
  const Cell before = console_->ReadCell(4, 4);
  const CursorPlace cursor = console_->CursorPosition();
  const std::uint8_t attribute = console_->TextAttribute();
  console_->SetCursorPosition(4, 4);
  console_->SetTextAttribute(0x5D);
  console_->WriteText("Q");
  ASSERT_EQ(console_->ReadCell(4, 4), (Cell{'Q', 0x5D}));
  RestoreSystemConsole();
  EXPECT_EQ(console_->ReadCell(4, 4), before);
  EXPECT_EQ(console_->CursorPosition(), cursor);
  EXPECT_EQ(console_->TextAttribute(), attribute);
}

TEST_F(Win32ConsoleTest, KeysComeWithTheirCharacterOrScanCodeAndControlState) {
  ASSERT_TRUE(win32::InjectKey(RawKey{true, 'A', 0x1E, u'a', 0, 1}));
  ASSERT_TRUE(win32::InjectKey(RawKey{false, 'A', 0x1E, u'a', 0, 1}));            // released: nothing
  ASSERT_TRUE(win32::InjectKey(RawKey{true, 0xDE, 0x28, u'ç', 0, 1}));             // code page 850 0x87
  ASSERT_TRUE(win32::InjectKey(RawKey{true, 0x70, 0x3B, 0, 0x10, 1}));             // Shift+F1
  ASSERT_TRUE(win32::InjectKey(RawKey{true, 0x7A, 0x57, 0, 0, 1}));                // F11
  ASSERT_TRUE(win32::InjectKey(RawKey{true, 'X', 0x2D, u'x', 0x02, 1}));           // Alt+X
  ASSERT_TRUE(win32::InjectKey(RawKey{true, 0x09, 0x0F, u'\t', 0x10, 1}));         // Shift+Tab
  ASSERT_TRUE(win32::InjectKey(RawKey{true, 'B', 0x30, u'b', 0, 2}));              // repeated
  ASSERT_TRUE(win32::InjectKey(RawKey{true, 0x12, 0x38, 0, 0x02, 1}));             // Alt pressed: nothing
  ASSERT_TRUE(win32::InjectKey(RawKey{false, 0x12, 0x38, 0, 0x02 | 0x10, 1}));     // Alt released, Shift held
  ASSERT_TRUE(console_->WaitForInput(1000));

  EXPECT_EQ(console_->PeekInput().character, 'a');  // left in the queue
  InputEvent event = console_->PollInput();
  EXPECT_EQ(event.kind, InputEvent::Kind::Key);
  EXPECT_EQ(event.character, 'a');
  event = console_->PollInput();
  EXPECT_EQ(event.character, 0x87);
  event = console_->PollInput();
  EXPECT_EQ(event.character, 0);
  EXPECT_EQ(event.scan_code, 0x3B);
  EXPECT_EQ(event.control_state, static_cast<std::uint32_t>(kShift));
  event = console_->PollInput();
  EXPECT_EQ(event.scan_code, 0x85);
  event = console_->PollInput();
  EXPECT_EQ(event.character, 0);
  EXPECT_EQ(event.scan_code, 0x2D);
  EXPECT_EQ(event.control_state, static_cast<std::uint32_t>(kLeftAlt));
  event = console_->PollInput();
  EXPECT_EQ(event.character, 0);
  EXPECT_EQ(event.scan_code, 0x0F);
  EXPECT_EQ(console_->PollInput().character, 'b');
  EXPECT_EQ(console_->PollInput().character, 'b');
  event = console_->PollInput();
  EXPECT_EQ(event.kind, InputEvent::Kind::KeyUp);
  EXPECT_EQ(event.control_state, static_cast<std::uint32_t>(kShift));
  EXPECT_EQ(console_->PollInput().kind, InputEvent::Kind::None);
}

TEST_F(Win32ConsoleTest, MouseButtonsAndPositionsAreCountedInTheWindow) {
  console_->SetMouseReporting(true);
  ASSERT_TRUE(win32::InjectMouse(RawMouse{9, 4, 1, 0, 0}));   // left pressed at column 10, row 5
  ASSERT_TRUE(win32::InjectMouse(RawMouse{11, 4, 1, 0, 1}));  // moved holding it
  ASSERT_TRUE(win32::InjectMouse(RawMouse{11, 4, 0, 0, 0}));  // released
  ASSERT_TRUE(win32::InjectMouse(RawMouse{11, 4, 2, 0, 0}));  // right pressed
  ASSERT_TRUE(win32::InjectMouse(RawMouse{11, 4, 0, 0x08, 0}));  // right released with Ctrl
  ASSERT_TRUE(win32::InjectMouse(RawMouse{0, 0, 0, 0, 4}));   // wheel
  ASSERT_TRUE(console_->WaitForInput(1000));

  InputEvent event = console_->PollInput();
  EXPECT_EQ(event.kind, InputEvent::Kind::Mouse);
  EXPECT_EQ(event.mouse_kind, kMousePressed);
  EXPECT_EQ(event.mouse_button, 1);
  EXPECT_EQ(event.mouse_row, 5);
  EXPECT_EQ(event.mouse_column, 10);
  event = console_->PollInput();
  EXPECT_EQ(event.mouse_kind, kMouseMoved);
  EXPECT_EQ(event.mouse_button, 1);
  EXPECT_EQ(event.mouse_column, 12);
  event = console_->PollInput();
  EXPECT_EQ(event.mouse_kind, kMouseReleased);
  EXPECT_EQ(event.mouse_button, 1);
  event = console_->PollInput();
  EXPECT_EQ(event.mouse_kind, kMousePressed);
  EXPECT_EQ(event.mouse_button, 2);
  event = console_->PollInput();
  EXPECT_EQ(event.mouse_kind, kMouseReleased);
  EXPECT_EQ(event.mouse_button, 2);
  EXPECT_EQ(event.control_state, static_cast<std::uint32_t>(kLeftCtrl));
  EXPECT_EQ(console_->PollInput().mouse_kind, kMouseDoubleClickOrWheel);
}

TEST_F(Win32ConsoleTest, ResizeIsAnEventAndAnEmptyQueueWaitsOutItsTimeout) {
  EXPECT_FALSE(console_->WaitForInput(0));
  EXPECT_FALSE(console_->WaitForInput(30));
  ASSERT_TRUE(win32::InjectResize(100, 40));
  ASSERT_TRUE(console_->WaitForInput(1000));
  EXPECT_EQ(console_->PollInput().kind, InputEvent::Kind::Resize);
  EXPECT_EQ(console_->PollInput().kind, InputEvent::Kind::None);
}

}  // namespace
}  // namespace kel::platform
