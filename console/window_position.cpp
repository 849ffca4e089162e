// Cursor positions relative to the innermost window, frames and scrolling.
#include <algorithm>
#include <string>

#include "console/window.h"
#include "platform/console.h"

namespace kel {
namespace {

bool AnyWindowOpen() { return CurrentWindow().open_count > 0; }

struct FrameCharacters {
  unsigned char top_left, top_right, bottom_left, bottom_right, horizontal, vertical;
};

// Code page 850 box drawing: blank, single ┌┐└┘─│, double ╔╗╚╝═║.
constexpr FrameCharacters kFrames[3] = {
    {32, 32, 32, 32, 32, 32},
    {218, 191, 192, 217, 196, 179},
    {201, 187, 200, 188, 205, 186},
};

}  // namespace

void LocateInWindow(int row, int column) {
  const WindowState& window = CurrentWindow();
  if (AnyWindowOpen()) {
    MoveCursor(window.top + row, window.left + column);
  } else {
    MoveCursor(row, column);
  }
}

int WindowFirstRow() { return AnyWindowOpen() ? CurrentWindow().top + 1 : 1; }

int WindowFirstColumn() { return AnyWindowOpen() ? CurrentWindow().left + 1 : 1; }

int WindowLastColumn() { return AnyWindowOpen() ? CurrentWindow().right - 1 : ScreenColumns(); }

void DrawFrame(int style) {
  if (!AnyWindowOpen()) return;
  const WindowState& window = CurrentWindow();
  const FrameCharacters& frame = kFrames[(style >= 0 && style <= 2) ? style : 0];
  // A window one column wide has no room between its corners.
  std::size_t inside = static_cast<std::size_t>(std::max(window.right - window.left - 1, 0));

  std::string line;
  line += static_cast<char>(frame.top_left);
  line.append(inside, static_cast<char>(frame.horizontal));
  line += static_cast<char>(frame.top_right);
  MoveCursor(window.top, window.left);
  WriteText(line);

  line.assign(1, static_cast<char>(frame.vertical));
  line.append(inside, ' ');
  line += static_cast<char>(frame.vertical);
  for (int row = window.top + 1; row <= window.bottom - 1; ++row) {
    MoveCursor(row, window.left);
    WriteText(line);
  }

  line.assign(1, static_cast<char>(frame.bottom_left));
  line.append(inside, static_cast<char>(frame.horizontal));
  line += static_cast<char>(frame.bottom_right);
  MoveCursor(window.bottom, window.left);
  WriteText(line);
}

void ScrollRegion(int top, int left, int bottom, int right, int lines) {
  platform::ConsoleDevice& console = platform::Console();
  console.ScrollRectangle(top + 1, left + 1, bottom + 1, right + 1, lines,
                          console.TextAttribute());
}

}  // namespace kel
