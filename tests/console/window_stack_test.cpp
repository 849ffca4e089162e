#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "console/console_fixture.h"
#include "console/window.h"
#include "platform/process.h"
#include "platform/working_files.h"
#include "support/child_program.h"

namespace kel {
namespace {

using testing::ConsoleTest;

class WindowStackTest : public ConsoleTest {};

TEST_F(WindowStackTest, ClosingRestoresEveryCellAndTheCursor) {
  PaintMixedScreen();
  MoveCursor(7, 33);
  auto before = Cells();

  OpenWindow(5, 10, 15, 60);
  SetColour("r");
  DrawFrame(2);
  WriteInWindow(1, 1, "inside");
  EXPECT_NE(Cells(), before);
  CloseWindow();

  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(Cursor(), std::make_pair(7, 33));
  EXPECT_EQ(CurrentWindow().open_count, 0);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(WindowStackTest, ClosingLeavesTheColourOfTheLastRestoredCell) {
  PaintMixedScreen();
  OpenWindow(2, 2, 4, 6);
  SetColour("u");
  CloseWindow();
  EXPECT_EQ(console().TextAttribute(), console().AttributeAt(4, 6));
}

TEST_F(WindowStackTest, RecordHasTheSharedLayout) {
  console().FillScreen('x', 0x1E);
  MoveCursor(7, 33);
  OpenWindow(2, 3, 3, 5);
  std::string file = temp_.Read(kWindowStackFile);

  std::string cells;
  for (int i = 0; i < 6; ++i) cells += "x\x1E";
  std::string expected = std::string("\x2A\0\0\0", 4) + "0733" + "00000000" + "02030305" +
                         cells + "00037";
  EXPECT_EQ(file, expected);

  // The second record follows the first and saves the first window as the previous one.
  OpenWindow(1, 1, 1, 1);
  file = temp_.Read(kWindowStackFile);
  ASSERT_EQ(file.size(), expected.size() + 27);
  EXPECT_EQ(file.substr(0, 4), std::string("\x45\0\0\0", 4));
  EXPECT_EQ(file.substr(41, 20), "0733" "02030305" "01010101");
  EXPECT_EQ(file.substr(63), "00027");
}

TEST_F(WindowStackTest, NestedWindowsCloseStepByStep) {
  PaintMixedScreen();
  auto screen0 = Cells();
  OpenWindow(3, 5, 12, 40);
  SetColour("n");
  DrawFrame(1);
  WriteInWindow(2, 2, "outer");
  auto screen1 = Cells();
  auto cursor1 = Cursor();

  OpenWindow(8, 20, 20, 70);
  SetColour("u");
  DrawFrame(2);
  WriteInWindow(1, 1, "inner");
  EXPECT_EQ(CurrentWindow().open_count, 2);

  CloseWindow();
  EXPECT_EQ(Cells(), screen1);
  EXPECT_EQ(Cursor(), cursor1);
  EXPECT_EQ(CurrentWindow().open_count, 1);
  EXPECT_EQ(CurrentWindow().top, 3);
  EXPECT_EQ(CurrentWindow().right, 40);
  EXPECT_TRUE(StackFileExists());

  CloseWindow();
  EXPECT_EQ(Cells(), screen0);
  EXPECT_EQ(CurrentWindow().open_count, 0);
  EXPECT_EQ(CurrentWindow().top, 0);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(WindowStackTest, CloseWithoutWindowChangesNothing) {
  PaintMixedScreen();
  MoveCursor(3, 4);
  auto before = Cells();
  CloseWindow();
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(Cursor(), std::make_pair(3, 4));
  EXPECT_EQ(CurrentWindow().open_count, 0);
  EXPECT_FALSE(StackFileExists());

  temp_.Write(kWindowStackFile, "abc");
  CloseWindow();
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(CurrentWindow().open_count, 0);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(WindowStackTest, RectangleOutsideTheScreenIsRefused) {
  OpenWindow(0, 1, 5, 5);
  OpenWindow(1, 1, 26, 5);
  OpenWindow(1, 81, 5, 81);
  EXPECT_EQ(CurrentWindow().open_count, 0);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(WindowStackTest, InvertedRectangleSavesNoCells) {
  PaintMixedScreen();
  auto before = Cells();
  OpenWindow(10, 10, 5, 5);
  EXPECT_EQ(temp_.Read(kWindowStackFile).size(), 4u + 25u);
  CloseWindow();
  EXPECT_EQ(Cells(), before);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(WindowStackTest, PositionsAreRelativeToTheInnermostWindow) {
  LocateInWindow(1, 1);
  EXPECT_EQ(Cursor(), std::make_pair(1, 1));
  EXPECT_EQ(WindowFirstRow(), 1);
  EXPECT_EQ(WindowFirstColumn(), 1);
  EXPECT_EQ(WindowLastColumn(), 80);

  OpenWindow(5, 10, 15, 60);
  LocateInWindow(1, 1);
  EXPECT_EQ(Cursor(), std::make_pair(6, 11));
  EXPECT_EQ(WindowFirstRow(), 6);
  EXPECT_EQ(WindowFirstColumn(), 11);
  EXPECT_EQ(WindowLastColumn(), 59);
  CloseWindow();
}

TEST_F(WindowStackTest, FramesInEachStyle) {
  SetColour("r");
  OpenWindow(2, 3, 5, 8);
  DrawFrame(1);
  EXPECT_EQ(console().RowText(2), "  ┌────┐");
  EXPECT_EQ(console().RowText(3), "  │    │");
  EXPECT_EQ(console().RowText(5), "  └────┘");
  EXPECT_EQ(console().AttributeAt(4, 5), testing::kAttributeR);
  DrawFrame(2);
  EXPECT_EQ(console().RowText(2), "  ╔════╗");
  EXPECT_EQ(console().RowText(4), "  ║    ║");
  EXPECT_EQ(console().RowText(5), "  ╚════╝");

  // The blank style blanks the border too.
  SetColour("u");
  DrawFrame(0);
  for (int row = 2; row <= 5; ++row) {
    EXPECT_EQ(console().RowText(row), "");
    for (int column = 3; column <= 8; ++column) {
      EXPECT_EQ(console().AttributeAt(row, column), testing::kAttributeU);
    }
  }
  CloseWindow();
}

TEST_F(WindowStackTest, FrameNeedsAnOpenWindow) {
  PaintMixedScreen();
  auto before = Cells();
  DrawFrame(2);
  EXPECT_EQ(Cells(), before);
}

TEST_F(WindowStackTest, ScrollRegionMovesAndBlanksInTheCurrentColour) {
  for (int row = 1; row <= 5; ++row) {
    MoveCursor(row, 1);
    WriteText(std::to_string(row) + std::string(5, static_cast<char>('a' + row)));
  }
  SetColour("u");
  // Screen rows 2-4, columns 2-4.
  ScrollRegion(1, 1, 3, 3, 1);
  EXPECT_EQ(console().RowText(2), "2dddcc");
  EXPECT_EQ(console().RowText(3), "3eeedd");
  EXPECT_EQ(console().RowText(4), "4   ee");
  EXPECT_EQ(console().AttributeAt(4, 2), testing::kAttributeU);
  ScrollRegion(1, 1, 3, 3, -2);
  EXPECT_EQ(console().RowText(2), "2   cc");
  EXPECT_EQ(console().RowText(3), "3   dd");
  EXPECT_EQ(console().RowText(4), "4dddee");
  ScrollRegion(1, 1, 3, 3, 99);
  EXPECT_EQ(console().RowText(4), "4   ee");
  EXPECT_EQ(console().RowText(1), "1bbbbb");
  EXPECT_EQ(console().RowText(5), "5fffff");
}

TEST_F(WindowStackTest, ScreenSizeIsCappedToWhatTheStackRecords) {
  console().SetSize(120, 200, false);
  EXPECT_EQ(ScreenRows(), 99);
  EXPECT_EQ(ScreenColumns(), 99);
  console().SetSize(30, 90, false);
  EXPECT_EQ(ScreenRows(), 30);
  EXPECT_EQ(ScreenColumns(), 90);
}

TEST_F(WindowStackTest, ShrinkingAndGrowingTheConsoleLosesNothing) {
  PaintMixedScreen();
  const auto before = Cells();
  for (auto [rows, columns] : {std::pair{24, 80}, std::pair{20, 60}, std::pair{25, 40}}) {
    console().SetSize(rows, columns);
    console().SetSize(25, 80);
    EXPECT_EQ(Cells(), before) << rows << " x " << columns;
  }
}

TEST_F(WindowStackTest, WindowClosedWhileTheConsoleIsSmallComesBackWhole) {
  PaintMixedScreen();
  MoveCursor(25, 70);
  const auto before = Cells();
  OpenWindow(5, 10, 25, 75);
  SetColour("r");
  DrawFrame(2);
  console().SetSize(20, 60);
  CloseWindow();
  console().SetSize(25, 80);
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(Cursor(), std::make_pair(25, 70));
}

TEST_F(WindowStackTest, StackLeftByAProcessThatEndedIsDiscardedAtTheFirstWindow) {
  // A process opened two windows and was killed: its stack stays behind, claimed by no one.
  console().FillScreen('s', 0x4E);
  OpenWindow(1, 1, 25, 80);
  OpenWindow(2, 2, 10, 10);
  ResetWindowState();
  ASSERT_TRUE(StackFileExists());

  PaintMixedScreen();
  const auto before = Cells();
  OpenWindow(5, 10, 15, 60);
  const std::string file = temp_.Read(kWindowStackFile);
  EXPECT_EQ(file.size(), 4u + 25 + 2 * 11 * 51);
  DrawFrame(1);
  CloseWindow();
  EXPECT_EQ(Cells(), before);
  EXPECT_FALSE(StackFileExists());
  // A close too many finds nothing of the old stack to put on the screen.
  CloseWindow();
  EXPECT_EQ(Cells(), before);
}

TEST_F(WindowStackTest, StackFileIsRemovedWhateverWayTheProcessEnds) {
  OpenWindow(5, 10, 15, 60);
  OpenWindow(6, 11, 9, 20);
  ASSERT_TRUE(StackFileExists());
  platform::EndWorkingFiles();  // what EndProcess, a signal or a lost terminal runs
  EXPECT_FALSE(StackFileExists());
}

TEST_F(WindowStackTest, ClosingEveryWindowGivesUpTheClaim) {
  OpenWindow(5, 10, 15, 60);
  EXPECT_TRUE(platform::WorkingFileInUse(WindowStackPath()));
  CloseWindow();
  temp_.Write(kWindowStackFile, "left by someone");
  EXPECT_FALSE(platform::WorkingFileInUse(WindowStackPath()));
}

constexpr const char* kCallerFlag = "--kel-caller-claims=";

// The caller of the test below, in a process of its own: it claims the stack and runs on.
TEST(WindowStackCaller, ClaimsTheStack) {
  const std::string stack = testing::ProgramFlag(kCallerFlag);
  if (stack.empty()) GTEST_SKIP() << "run by ProgramStartedFromAWindowStacksOnItsCallersWindows in a second process";
  const std::string answer = platform::ClaimWorkingFile(stack) ? "claimed\n" : "refused\n";
  std::fwrite(answer.data(), 1, answer.size(), stdout);
  std::fflush(stdout);
  for (;;) platform::PauseMilliseconds(3600 * 1000);
}

// A program started from inside a window: its caller runs and claims the stack.
TEST_F(WindowStackTest, ProgramStartedFromAWindowStacksOnItsCallersWindows) {
  console().FillScreen('c', 0x1E);
  OpenWindow(2, 2, 4, 6);
  const std::string callers = temp_.Read(kWindowStackFile);
  ResetWindowState();  // from here on the stack is the caller's, in another process

  testing::ChildProgram caller;
  ASSERT_TRUE(caller.Start(testing::SelfPath(), testing::ChildTestArguments("WindowStackCaller.ClaimsTheStack",
                                                                            {kCallerFlag + WindowStackPath()})));
  ASSERT_TRUE(caller.WaitFor("claimed\n")) << caller.output();

  PaintMixedScreen();
  OpenWindow(10, 10, 12, 20);
  OpenWindow(11, 11, 11, 11);
  std::string file = temp_.Read(kWindowStackFile);
  EXPECT_EQ(file.substr(4, callers.size() - 4), callers.substr(4));
  EXPECT_GT(file.size(), callers.size());
  // Ended with windows open: the caller's stack is given back as it was.
  platform::EndWorkingFiles();
  EXPECT_EQ(temp_.Read(kWindowStackFile), callers);
}

TEST_F(WindowStackTest, WindowsNestWhereTheStackCannotBeClaimed) {
  // Every claim slot taken: the stack works as before, only without its removal at the end.
  std::vector<std::string> others;
  for (int i = 0; i < 64; ++i) {
    const std::string name = "other" + std::to_string(i);
    temp_.Write(name, "x");
    if (!platform::ClaimWorkingFile(temp_ / name)) break;
    others.push_back(temp_ / name);
  }
  ASSERT_LT(others.size(), 64u);
  PaintMixedScreen();
  const auto before = Cells();
  OpenWindow(5, 10, 15, 60);
  DrawFrame(1);
  const auto framed = Cells();
  OpenWindow(6, 11, 9, 20);
  DrawFrame(2);
  CloseWindow();
  EXPECT_EQ(Cells(), framed);
  CloseWindow();
  EXPECT_EQ(Cells(), before);
  EXPECT_FALSE(StackFileExists());
  for (const std::string& other : others) platform::ReleaseWorkingFile(other);
}

}  // namespace
}  // namespace kel
