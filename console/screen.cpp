// The screen's size and output at the cursor.
#include <algorithm>
#include <string>

#include "console/window.h"
#include "platform/console.h"

namespace kel {
namespace {

// The window stack records rows and columns in two digits.
constexpr int kLargestRecordedPosition = 99;

}  // namespace

int ScreenRows() {
  return std::clamp(platform::Console().Rows(), 0, kLargestRecordedPosition);
}

int ScreenColumns() {
  return std::clamp(platform::Console().Columns(), 0, kLargestRecordedPosition);
}

void SetConsoleColour(int foreground, int background) {
  platform::Console().SetTextAttribute(
      static_cast<std::uint8_t>((foreground & 15) + 16 * (background & 15)));
}

void WriteText(std::string_view text) { platform::Console().WriteText(text); }

void WriteInWindow(int row, int column, std::string_view text) {
  LocateInWindow(row, column);
  WriteText(text);
}

void WriteRepeated(unsigned char character, int count) {
  if (count <= 0) return;
  WriteText(std::string(static_cast<std::size_t>(count), static_cast<char>(character)));
}

void MoveCursor(int row, int column) { platform::Console().SetCursorPosition(row, column); }

void CursorPosition(int& row, int& column) {
  const platform::CursorPlace place = platform::Console().CursorPosition();
  row = place.row;
  column = place.column;
}

void ClearScreen() {
  platform::ConsoleDevice& console = platform::Console();
  int rows = console.Rows();
  console.ScrollRectangle(1, 1, rows, console.Columns(), rows, console.TextAttribute());
  console.SetCursorPosition(1, 1);
}

void FlushScreen() { platform::Console().Flush(); }

}  // namespace kel
