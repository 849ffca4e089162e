// The message box: a framed notice centred on the screen around a row.
#include <algorithm>
#include <string>

#include "console/message.h"
#include "console/window.h"

namespace kel {

bool ShowMessage(int row, std::string_view text) {
  SetColour("+rh");
  std::string lines(text);
  FormatParagraph(lines, 0, 'i', kMessageTextWidth);
  const int count = static_cast<int>(lines.size() / kMessageTextWidth);

  int top = std::max(row - (count + 1) / 2 - 2, 1);
  int bottom = top + count + 1;
  if (bottom > ScreenRows()) {
    bottom = ScreenRows();
    top = bottom - count - 1;
  }

  int widest = 0;
  for (int i = 0; i < count; ++i) {
    std::string_view line(lines.data() + static_cast<std::size_t>(i) * kMessageTextWidth,
                          kMessageTextWidth);
    std::size_t end = line.find_last_not_of(' ');
    widest = std::max(widest, end == std::string_view::npos ? 0 : static_cast<int>(end) + 1);
  }
  int left = kMessageCentreColumn - (widest + 1) / 2 - 2;
  int right = kMessageCentreColumn + 1 + widest / 2;

  // A box the screen cannot hold would open no window, and the frame and text would land
  // in whatever window is open underneath.
  if (top < 1 || left < 1 || right > ScreenColumns()) {
    SetColour("-");
    return false;
  }
  const int open_before = CurrentWindow().open_count;
  OpenWindow(top, left, bottom, right);
  if (CurrentWindow().open_count == open_before) {
    SetColour("-");
    return false;
  }
  DrawFrame(1);
  for (int i = 0; i < count; ++i) {
    std::string_view line(lines.data() + static_cast<std::size_t>(i) * kMessageTextWidth,
                          kMessageTextWidth);
    std::size_t end = line.find_last_not_of(' ');
    LocateInWindow(i + 1, 2);
    WriteText(line.substr(0, end == std::string_view::npos ? 0 : end + 1));
  }
  SetColour("-");
  return true;
}

}  // namespace kel
