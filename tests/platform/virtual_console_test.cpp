#include "platform/virtual_console.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace kel::platform {
namespace {

TEST(VirtualConsoleScreen, WriteTextWrapsAndStopsAtLastCell) {
  VirtualConsole console(3, 4);
  console.SetCursorPosition(1, 3);
  console.SetTextAttribute(0x1E);
  console.WriteText("abcdef");
  EXPECT_EQ(console.Snapshot(), "  ab\ncdef\n");
  EXPECT_EQ(console.CursorPosition(), (CursorPlace{3, 1}));
  EXPECT_EQ(console.AttributeAt(1, 3), 0x1E);
  EXPECT_EQ(console.AttributeAt(1, 2), 7);

  console.WriteText("wxyz!");
  EXPECT_EQ(console.RowText(3), "wxyz");
  EXPECT_EQ(console.CursorPosition(), (CursorPlace{3, 4}));
}

TEST(VirtualConsoleScreen, SnapshotShowsGlyphsAndKeepsTrailingBlanksOnRequest) {
  VirtualConsole console(2, 5);
  console.WriteText(Cp850("┌─") + "\x10" + Cp850("À"));
  EXPECT_EQ(console.RowText(1), "┌─►À");
  EXPECT_EQ(console.RowText(1, true), "┌─►À ");
  EXPECT_EQ(console.Snapshot(), "┌─►À\n");
  EXPECT_EQ(console.Snapshot(true), "┌─►À \n     \n");
  EXPECT_EQ(console.RowBytes(1).size(), 5u);
}

TEST(VirtualConsoleScreen, CursorOutsideScreenIsRefused) {
  VirtualConsole console(25, 80);
  console.SetCursorPosition(5, 6);
  console.SetCursorPosition(26, 1);
  console.SetCursorPosition(1, 0);
  EXPECT_EQ(console.CursorPosition(), (CursorPlace{5, 6}));
}

TEST(VirtualConsoleScreen, ReadOutsideScreenIsBlankInAttributeSeven) {
  VirtualConsole console(2, 2);
  console.FillScreen('x', 0x4F);
  EXPECT_EQ(console.ReadCell(3, 1), (Cell{' ', 7}));
  EXPECT_EQ(console.ReadCell(0, 0), (Cell{' ', 7}));
  EXPECT_EQ(console.ReadCell(2, 2), (Cell{'x', 0x4F}));
}

TEST(VirtualConsoleScreen, WriteCellsAndFillAttributeStopAtScreenEnd) {
  VirtualConsole console(2, 3);
  const Cell cells[] = {{'a', 1}, {'b', 2}, {'c', 3}, {'d', 4}, {'e', 5}};
  console.WriteCells(2, 2, cells, 5);
  EXPECT_EQ(console.Snapshot(), "\n ab\n");
  console.FillAttribute(1, 3, 0x70, 100);
  EXPECT_EQ(console.AttributeAt(1, 2), 7);
  EXPECT_EQ(console.AttributeAt(1, 3), 0x70);
  EXPECT_EQ(console.AttributeAt(2, 3), 0x70);
  EXPECT_EQ(console.ReadCell(2, 3).character, 'b');
}

TEST(VirtualConsoleScreen, ScrollRectangleUpDownAndClear) {
  VirtualConsole console(4, 3);
  for (int r = 1; r <= 4; ++r) {
    console.SetCursorPosition(r, 1);
    console.WriteText(std::string(3, static_cast<char>('0' + r)));
  }
  console.ScrollRectangle(1, 2, 3, 3, 1, 0x17);
  EXPECT_EQ(console.Snapshot(), "122\n233\n3\n444\n");
  EXPECT_EQ(console.AttributeAt(3, 2), 0x17);
  EXPECT_EQ(console.AttributeAt(3, 1), 7);
  console.ScrollRectangle(1, 1, 4, 1, -2, 7);
  EXPECT_EQ(console.Snapshot(), " 22\n 33\n1\n244\n");
  console.ScrollRectangle(0, 0, 99, 99, 10, 7);
  EXPECT_EQ(console.Snapshot(), "");
}

TEST(VirtualConsoleScreen, ResizeKeepsCellsAndQueuesEvent) {
  VirtualConsole console(3, 3);
  console.WriteText("abcdefghi");
  console.SetSize(2, 5);
  EXPECT_EQ(console.Snapshot(), "abc\ndef\n");
  EXPECT_EQ(console.Rows(), 2);
  EXPECT_EQ(console.Columns(), 5);
  EXPECT_EQ(console.PollInput().kind, InputEvent::Kind::Resize);
}

TEST(VirtualConsoleScreen, ShrinkingKeepsTheHiddenCellsForWhenItGrows) {
  VirtualConsole console(3, 3);
  console.WriteText("abcdefghi");
  console.SetSize(2, 2, false);
  EXPECT_EQ(console.Snapshot(), "ab\nde\n");
  // The hidden part is still there to write, read and scroll.
  EXPECT_EQ(console.ReadCell(3, 3).character, 'i');
  console.SetCursorPosition(3, 1);
  EXPECT_EQ(console.CursorPosition(), (CursorPlace{3, 1}));
  console.WriteText("X");
  console.SetSize(3, 3, false);
  EXPECT_EQ(console.Snapshot(), "abc\ndef\nXhi\n");
  // Growing past the largest size so far adds blank cells.
  console.SetSize(4, 4, false);
  EXPECT_EQ(console.Snapshot(true), "abc \ndef \nXhi \n    \n");
}

TEST(VirtualConsoleInput, ScriptIsTakenInOrder) {
  VirtualConsole console;
  console.PushKey('a', kShift);
  console.PushExtendedKey(0x48);
  console.PushKeyUp(0);
  console.PushMouse(kMouseReleased, 1, 3, 7);
  InputEvent key = console.PollInput();
  EXPECT_EQ(key.kind, InputEvent::Kind::Key);
  EXPECT_EQ(key.character, 'a');
  EXPECT_EQ(key.control_state, kShift);
  InputEvent up = console.PollInput();
  EXPECT_EQ(up.scan_code, 0x48);
  EXPECT_EQ(up.character, 0);
  EXPECT_EQ(console.PollInput().kind, InputEvent::Kind::KeyUp);
  InputEvent mouse = console.PollInput();
  EXPECT_EQ(mouse.kind, InputEvent::Kind::Mouse);
  EXPECT_EQ(mouse.mouse_kind, kMouseReleased);
  EXPECT_EQ(mouse.mouse_row, 3);
  EXPECT_EQ(mouse.mouse_column, 7);
  EXPECT_EQ(console.PollInput().kind, InputEvent::Kind::None);
  EXPECT_FALSE(console.WaitForInput(-1));
}

TEST(VirtualConsoleInput, PeekShowsTheNextEventWithoutTakingIt) {
  VirtualConsole console;
  EXPECT_EQ(console.PeekInput().kind, InputEvent::Kind::None);
  console.PushPause(100);
  console.PushKey(27);
  EXPECT_EQ(console.PeekInput().kind, InputEvent::Kind::None);  // not arrived yet
  EXPECT_TRUE(console.WaitForInput(-1));
  EXPECT_EQ(console.PeekInput().character, 27);
  EXPECT_EQ(console.PeekInput().character, 27);
  EXPECT_EQ(console.PendingInput(), 1u);
  EXPECT_EQ(console.PollInput().character, 27);
  EXPECT_EQ(console.PeekInput().kind, InputEvent::Kind::None);
}

TEST(VirtualConsoleInput, EmptyPollIsWaitingButGivesNothing) {
  VirtualConsole console;
  console.PushEmptyPoll();
  console.PushKey('x');
  EXPECT_TRUE(console.WaitForInput(0));
  EXPECT_EQ(console.PollInput().kind, InputEvent::Kind::None);
  EXPECT_EQ(console.PollInput().character, 'x');
}

TEST(VirtualConsoleInput, PauseHoldsInputUntilWaitsUseItUp) {
  VirtualConsole console;
  console.PushPause(500);
  console.PushKey('k');
  EXPECT_EQ(console.PollInput().kind, InputEvent::Kind::None);
  EXPECT_FALSE(console.WaitForInput(200));
  EXPECT_EQ(console.ElapsedMilliseconds(), 200);
  EXPECT_EQ(console.PollInput().kind, InputEvent::Kind::None);
  EXPECT_TRUE(console.WaitForInput(300));
  EXPECT_EQ(console.ElapsedMilliseconds(), 500);
  EXPECT_EQ(console.PollInput().character, 'k');
  EXPECT_FALSE(console.WaitForInput(1000));
  EXPECT_EQ(console.WaitCount(), 3);
}

TEST(VirtualConsoleInput, InfiniteWaitPassesEveryPause) {
  VirtualConsole console;
  console.PushPause(100);
  console.PushPause(50);
  console.PushKey('z');
  EXPECT_TRUE(console.WaitForInput(-1));
  EXPECT_EQ(console.ElapsedMilliseconds(), 150);
}

TEST(VirtualConsoleRecords, BeepsClipboardInsertAndMouse) {
  VirtualConsole console;
  console.PushText("ab");
  console.PollInput();
  console.SoundBell();
  console.SoundBell();
  EXPECT_EQ(console.BeepCount(), 2);
  EXPECT_EQ(console.BeepLog(), (std::vector<int>{1, 1}));
  console.SetClipboardText(Cp850("Ç"));
  EXPECT_EQ(console.ClipboardText(), Cp850("Ç"));
  EXPECT_FALSE(console.InsertMode());
  console.SetInsertMode(true);
  EXPECT_TRUE(console.InsertMode());
  console.SetMouseReporting(true);
  EXPECT_TRUE(console.MouseReportingOn());
  console.SetMouseButtonCount(0);
  EXPECT_EQ(console.MouseButtons(), 0);
}

TEST(ConsoleInstall, InstalledConsoleIsTheOneInUse) {
  auto owned = std::make_unique<VirtualConsole>(10, 20);
  VirtualConsole* console = owned.get();
  InstallConsole(std::move(owned));
  EXPECT_EQ(&Console(), console);
  Console().WriteText("hi");
  EXPECT_EQ(console->Snapshot(), "hi\n");
  InstallConsole(nullptr);
}

}  // namespace
}  // namespace kel::platform
