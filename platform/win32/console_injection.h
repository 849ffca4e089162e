// Input records put into the Windows console's own input queue, as the keyboard and the mouse
// would put them there; for the tests of the console backend on a real console.
#pragma once

#include <cstdint>

namespace kel::platform::win32 {

// A key event as the console records it.
struct RawKey {
  bool down = true;
  std::uint16_t virtual_key = 0;
  std::uint16_t scan_code = 0;
  char16_t character = 0;
  std::uint32_t control_state = 0;  // the Win32 control-key state bits
  std::uint16_t repeat = 1;
};

// A mouse event as the console records it (screen buffer positions counted from 0).
struct RawMouse {
  int x = 0;
  int y = 0;
  std::uint32_t buttons = 0;  // 1 left, 2 right held
  std::uint32_t control_state = 0;
  std::uint32_t flags = 0;  // 0 a button changed, 1 moved, 2 double click, 4 wheel
};

// Each puts one record into the console's input queue; false when there is no console.
bool InjectKey(const RawKey& key);
bool InjectMouse(const RawMouse& mouse);
bool InjectResize(int columns, int rows);
// Empties the console's input queue.
void DiscardConsoleInput();

}  // namespace kel::platform::win32
