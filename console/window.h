// Screen primitives, colour roles and the window stack.
//
// Rows and columns are 1-based screen positions. Inside an open window, positions given to
// LocateInWindow are relative to the window's frame, so (1, 1) is the first cell inside it.
// Every pop-up is used as OpenWindow, DrawFrame, output through LocateInWindow, ...,
// CloseWindow; windows nest, and each CloseWindow undoes the most recent OpenWindow. The saved
// rectangles live in the file "WinPush.tmp" in the session's TempDir, so that a program run
// from inside a window stacks its own windows on top of its caller's. The file is a working
// file of the process while its windows are open: whatever way the process ends, it is removed
// (or cut back to the caller's windows), and a stack file that no running process claims is
// stale and is discarded at the first window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kel {

// ---- Screen ---------------------------------------------------------------------------------

// Rows of the console window (at most 99, the largest row the window stack can record).
int ScreenRows();
// Columns of the console window (at most 99, as for rows).
int ScreenColumns();

// ---- Window stack ---------------------------------------------------------------------------

// The innermost open window; all coordinates 0 before the first window is opened.
struct WindowState {
  std::int16_t open_count = 0;
  std::int16_t top = 0;
  std::int16_t left = 0;
  std::int16_t bottom = 0;
  std::int16_t right = 0;
};

// Name of the window stack file inside the session's TempDir.
inline constexpr const char* kWindowStackFile = "WinPush.tmp";

// The innermost open window and the number of windows open.
const WindowState& CurrentWindow();
// Saves the screen rectangle (absolute coordinates) and makes it the current window; draws
// nothing. A rectangle outside the screen is refused silently.
void OpenWindow(int top, int left, int bottom, int right);
// Puts back the rectangle, cursor and window saved by the most recent OpenWindow.
void CloseWindow();
// Moves the cursor: absolute with no window open, else relative to the current window.
void LocateInWindow(int row, int column);
// First screen row inside the current window (1 with none open).
int WindowFirstRow();
// First screen column inside the current window (1 with none open).
int WindowFirstColumn();
// Last screen column inside the current window (ScreenColumns with none open).
int WindowLastColumn();
// Draws the current window's frame (0 blank, 1 single, 2 double) and blanks its inside.
void DrawFrame(int style);
// Scrolls a rectangle given 0-based (one less than screen positions): up for lines > 0,
// down for lines < 0; freed rows become blanks in the current colour.
void ScrollRegion(int top, int left, int bottom, int right, int lines);
// Path of the window stack file.
std::string WindowStackPath();
// Forgets the current window and gives up the claim on the stack file (tests; the file is
// left alone).
void ResetWindowState();

// ---- Colour roles ---------------------------------------------------------------------------

// The five colour roles of the session's colour table.
enum ColourRole : int { kRoleH = 0, kRoleN = 1, kRoleR = 2, kRoleRN = 3, kRoleU = 4 };

// Selects a colour role by letters ("h", "n", "r", "rn", "u"); "+" saves the current role
// first, "-" returns to the role saved last. Empty or blank modes change nothing.
void SetColour(std::string_view mode);
// The role selected last.
int CurrentColourRole();
// Number of roles saved by "+" and not yet restored.
std::size_t ColourStackDepth();
// Attribute of a role in the session's colour table (foreground + 16 x background).
std::uint8_t RoleAttribute(int role);
// Forgets the saved roles and selects role H in the state only (tests).
void ResetColourState();

// ---- Output at the cursor -------------------------------------------------------------------

// Sets the console colour directly (foreground and background 0-15).
void SetConsoleColour(int foreground, int background);
// Writes text at the cursor in the current colour, moving the cursor past it.
void WriteText(std::string_view text);
// Writes text at a position inside the current window (LocateInWindow, then WriteText).
void WriteInWindow(int row, int column, std::string_view text);
// Writes a character count times at the cursor.
void WriteRepeated(unsigned char character, int count);
// Moves the cursor to an absolute screen position.
void MoveCursor(int row, int column);
// The cursor's absolute screen position.
void CursorPosition(int& row, int& column);
// Blanks the whole screen in the current colour and puts the cursor at the top left.
void ClearScreen();
// Shows pending output now.
void FlushScreen();

// ---- Small text helpers ---------------------------------------------------------------------

// True when every character of the text is the one given (also for empty text).
bool IsAllChar(std::string_view text, int character);

}  // namespace kel
