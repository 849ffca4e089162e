#include "platform/terminal_renderer.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace kel::platform {
namespace {

// A screen already shown on the terminal, so that each test sees only its own changes.
struct Shown {
  ScreenBuffer screen{25, 80};
  TerminalRenderer renderer{25, 80};
  Shown() {
    renderer.SetCursorShapes(false);
    Frame();
  }
  std::string Frame() {
    std::string bytes;
    renderer.Render(screen, bytes);
    return bytes;
  }
  void Put(int row, int column, char character, std::uint8_t attribute) {
    screen.At(row, column) = Cell{static_cast<unsigned char>(character), attribute};
  }
};

TEST(TerminalRendererDiff, NothingChangedSendsNothing) {
  Shown t;
  EXPECT_EQ(t.Frame(), "");
}

TEST(TerminalRendererDiff, OneChangedCellSendsMoveAndCharacter) {
  Shown t;
  t.Put(10, 20, 'X', 7);
  EXPECT_EQ(t.Frame(), "\x1b[10;20HX\x1b[H");
}

TEST(TerminalRendererDiff, ColourIsSentOnceForARun) {
  Shown t;
  t.Put(1, 1, 'a', 0x1F);
  t.Put(1, 2, 'b', 0x1F);
  t.screen.cursor_column = 3;
  EXPECT_EQ(t.Frame(), "\x1b[97;44mab");
  // The colour in force stays: the next cell in it needs none.
  t.Put(1, 3, 'c', 0x1F);
  t.screen.cursor_column = 4;
  EXPECT_EQ(t.Frame(), "c");
}

TEST(TerminalRendererDiff, OnlyTheChangedHalfOfTheColourIsSent) {
  Shown t;
  t.Put(1, 1, 'a', 0x17);   // background changes only
  t.Put(1, 2, 'b', 0x1E);   // then the foreground only
  t.screen.cursor_column = 3;
  EXPECT_EQ(t.Frame(), "\x1b[44ma\x1b[93mb");
}

TEST(TerminalRendererDiff, ConsoleColoursMapToAnsiOrder) {
  EXPECT_EQ(TerminalRenderer::AnsiColour(0), 0);
  EXPECT_EQ(TerminalRenderer::AnsiColour(1), 4);  // blue
  EXPECT_EQ(TerminalRenderer::AnsiColour(2), 2);  // green
  EXPECT_EQ(TerminalRenderer::AnsiColour(3), 6);  // cyan
  EXPECT_EQ(TerminalRenderer::AnsiColour(4), 1);  // red
  EXPECT_EQ(TerminalRenderer::AnsiColour(6), 3);  // brown
  EXPECT_EQ(TerminalRenderer::AnsiColour(7), 7);
  ScreenBuffer screen(1, 2);
  screen.At(1, 1) = Cell{'x', 0xC1};  // blue on bright red
  TerminalRenderer renderer(1, 2);
  std::string bytes;
  renderer.Render(screen, bytes);
  EXPECT_NE(bytes.find("\x1b[0;34;101mx"), std::string::npos) << bytes;
}

TEST(TerminalRendererDiff, ShortGapIsRewrittenInsteadOfMoved) {
  Shown t;
  t.Put(5, 10, 'a', 7);
  t.Put(5, 12, 'b', 7);
  t.screen.cursor_row = 5;
  t.screen.cursor_column = 13;
  EXPECT_EQ(t.Frame(), "\x1b[5;10Ha b");
}

TEST(TerminalRendererDiff, NearbyRowsUseRelativeMoves) {
  Shown t;
  t.Put(5, 10, 'a', 7);
  t.Put(6, 10, 'b', 7);
  t.Put(4, 1, 'c', 7);
  t.screen.cursor_row = 4;
  t.screen.cursor_column = 2;
  // Line feeds move straight down, a backspace one left; far moves are absolute.
  EXPECT_EQ(t.Frame(), "\n\n\nc\n\x1b[8Ca\n\bb\x1b[4;2H");
}

TEST(TerminalRendererDiff, BlankRestOfRowIsErased) {
  Shown t;
  for (int c = 1; c <= 80; ++c) t.Put(3, c, ' ', 0x17);
  t.screen.cursor_row = 3;
  EXPECT_EQ(t.Frame(), "\n\n\x1b[44m\x1b[K");
  EXPECT_EQ(t.Frame(), "");
}

TEST(TerminalRendererDiff, LongBlankRunInsideARowIsErased) {
  Shown t;
  for (int c = 1; c <= 80; ++c) t.Put(2, c, 'x', 7);
  t.Frame();
  t.Put(2, 1, '|', 0x1F);
  for (int c = 2; c <= 79; ++c) t.Put(2, c, ' ', 0x1F);
  t.Put(2, 80, '|', 0x1F);
  t.screen.cursor_row = 3;
  const std::string bytes = t.Frame();
  EXPECT_NE(bytes.find("|\x1b[78X"), std::string::npos) << bytes;
  EXPECT_LT(bytes.size(), 40u) << bytes;
  // A short run is written out.
  for (int c = 2; c <= 6; ++c) t.Put(2, c, 'y', 0x1F);
  t.Put(2, 7, 'z', 0x1F);
  t.Frame();
  for (int c = 2; c <= 6; ++c) t.Put(2, c, ' ', 0x1F);
  EXPECT_EQ(t.Frame(), "\x1b[2;2H     \n\r");
}

TEST(TerminalRendererDiff, LastColumnIsFollowedByAnAbsoluteMove) {
  Shown t;
  t.Put(2, 80, 'z', 7);
  t.Put(3, 1, 'y', 7);
  t.screen.cursor_row = 3;
  t.screen.cursor_column = 2;
  EXPECT_EQ(t.Frame(), "\n\x1b[80Gz\x1b[3Hy");
}

TEST(TerminalRendererDiff, CodePageIsShownAsUnicode) {
  Shown t;
  const std::string text = Cp850("╔═Àé") + "\x10\x11";
  for (std::size_t i = 0; i < text.size(); ++i) t.Put(1, static_cast<int>(i) + 1, text[i], 7);
  t.screen.cursor_column = 7;
  EXPECT_EQ(t.Frame(), "╔═Àé►◄");
}

TEST(TerminalRendererDiff, InvalidateRepaintsEverything) {
  Shown t;
  t.renderer.Invalidate();
  const std::string bytes = t.Frame();
  // Every row of blanks becomes one erase.
  EXPECT_NE(bytes.find("\x1b[0;37;40m"), std::string::npos);
  std::size_t erases = 0;
  for (std::size_t at = bytes.find("\x1b[K"); at != std::string::npos; at = bytes.find("\x1b[K", at + 1)) ++erases;
  EXPECT_EQ(erases, 25u);
  EXPECT_LT(bytes.size(), 130u);
}

TEST(TerminalRendererCursor, VisibilityAndShapeAreSentWhenTheyChange) {
  ScreenBuffer screen(2, 2);
  TerminalRenderer renderer(2, 2);
  std::string bytes;
  renderer.Render(screen, bytes);
  EXPECT_NE(bytes.find("\x1b[4 q"), std::string::npos);
  EXPECT_NE(bytes.find("\x1b[?25h"), std::string::npos);
  bytes.clear();
  screen.cursor_size = 100;
  renderer.Render(screen, bytes);
  EXPECT_EQ(bytes, "\x1b[2 q");
  bytes.clear();
  screen.cursor_visible = false;
  renderer.Render(screen, bytes);
  EXPECT_EQ(bytes, "\x1b[?25l");
  bytes.clear();
  renderer.Render(screen, bytes);
  EXPECT_EQ(bytes, "");
}

TEST(TerminalRendererCursor, ResizedScreenIsPaintedAgain) {
  ScreenBuffer screen(2, 2);
  TerminalRenderer renderer(2, 2);
  std::string bytes;
  renderer.Render(screen, bytes);
  screen.Resize(3, 3);
  screen.At(3, 3) = Cell{'q', 7};
  bytes.clear();
  renderer.Render(screen, bytes);
  EXPECT_NE(bytes.find('q'), std::string::npos);
  EXPECT_NE(bytes.find("\x1b[0;37;40m"), std::string::npos);
}

TEST(TerminalRendererResize, GrowingRepaintsWhatComesBackIntoView) {
  Shown t;
  t.Put(25, 1, 'Z', 7);
  t.Frame();
  t.screen.Resize(24, 80);
  t.renderer.Invalidate();
  EXPECT_EQ(t.Frame().find('Z'), std::string::npos);
  t.screen.Resize(25, 80);
  t.renderer.Invalidate();
  EXPECT_NE(t.Frame().find('Z'), std::string::npos);
}

TEST(TerminalRendererResize, CursorInTheHiddenPartIsNotShown) {
  Shown t;
  t.screen.cursor_row = 25;
  t.screen.Resize(24, 80);
  t.renderer.Invalidate();
  const std::string frame = t.Frame();
  EXPECT_NE(frame.find("\x1b[?25l"), std::string::npos);
  EXPECT_EQ(frame.find("\x1b[25;"), std::string::npos);
}

}  // namespace
}  // namespace kel::platform
