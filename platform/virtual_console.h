// The in-memory console for tests: a cell grid with a cursor and attribute, a script of input
// events, and ways to look at the screen and at what the program asked of the console.
//
// Install it with InstallConsole(std::make_unique<VirtualConsole>()) and keep a raw pointer
// to script keys and take snapshots. Nothing here waits: WaitForInput answers at once from
// the script, and scripted pauses only advance a virtual clock.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"
#include "platform/screen_buffer.h"

namespace kel::platform {

class VirtualConsole : public ConsoleDevice {
 public:
  explicit VirtualConsole(int rows = 25, int columns = 80);

  // --- Script of input events, taken in order. ---
  // A key with a character (code page 850) and the control-key state.
  void PushKey(unsigned char character, std::uint32_t control_state = 0);
  // An extended key by its scan code (0x3B F1, 0x48 Up ...), character 0.
  void PushExtendedKey(std::uint8_t scan_code, std::uint32_t control_state = 0);
  // A key with both a character and a scan code (Enter is 0x0D with scan code 0x1C).
  void PushKeyWithScanCode(unsigned char character, std::uint8_t scan_code,
                           std::uint32_t control_state = 0);
  // One key per character of code page 850 text.
  void PushText(std::string_view text);
  // A key release: only the control-key state that remains.
  void PushKeyUp(std::uint32_t control_state = 0);
  // A mouse event (kMousePressed, kMouseReleased ...) at a 1-based screen position.
  void PushMouse(std::uint8_t mouse_kind, std::uint8_t button, int row, int column,
                 std::uint32_t control_state = 0);
  // A queued event that PollInput answers with Kind::None (as a focus event is dropped).
  void PushEmptyPoll(int count = 1);
  // Nothing arrives for this long: PollInput answers Kind::None and WaitForInput times out
  // until waits have used up the pause.
  void PushPause(int milliseconds);
  // Any event as it stands.
  void PushEvent(const InputEvent& event);
  // Script entries not taken yet (events, empty polls and pauses).
  std::size_t PendingInput() const { return script_.size(); }
  // Milliseconds of waiting the virtual clock has seen.
  long long ElapsedMilliseconds() const { return elapsed_ms_; }
  // Number of WaitForInput calls.
  int WaitCount() const { return wait_count_; }

  // --- Screen. ---
  // Changes the visible size; queues a Resize event when asked.
  void SetSize(int rows, int columns, bool queue_event = true);
  // One row as UTF-8 through the screen glyphs (box drawing, accents, ◄ ►); trailing blanks
  // are dropped unless keep_trailing is set.
  std::string RowText(int row, bool keep_trailing = false) const;
  // Every row as RowText, each followed by "\n"; with trailing blanks dropped the rows keep
  // only their text, and blank rows at the bottom are dropped too.
  std::string Snapshot(bool keep_trailing = false) const;
  // One row's code page 850 bytes, all columns.
  std::string RowBytes(int row) const;
  // Attribute of one cell (7 outside the screen).
  std::uint8_t AttributeAt(int row, int column) const;
  Cell CellAt(int row, int column) const { return screen_.Read(row, column); }
  // Fills the screen with one character and attribute.
  void FillScreen(unsigned char character, std::uint8_t attribute);
  int CursorSize() const { return screen_.cursor_size; }
  bool MouseReportingOn() const { return mouse_reporting_; }
  void SetMouseButtonCount(int buttons) { mouse_buttons_ = buttons; }

  // --- What the program asked for. ---
  int BeepCount() const { return static_cast<int>(beeps_.size()); }
  // For each beep, how many script entries had been taken when it sounded.
  const std::vector<int>& BeepLog() const { return beeps_; }
  int FlushCount() const { return flush_count_; }

  // --- ConsoleDevice ---
  int Rows() const override;
  int Columns() const override;
  void SetCursorPosition(int row, int column) override;
  CursorPlace CursorPosition() const override;
  void SetCursorSize(int percent) override;
  void SetCursorVisible(bool visible) override;
  bool CursorVisible() const override;
  void SetTextAttribute(std::uint8_t attribute) override;
  std::uint8_t TextAttribute() const override;
  void WriteText(std::string_view text) override;
  void WriteCells(int row, int column, const Cell* cells, int count) override;
  void FillAttribute(int row, int column, std::uint8_t attribute, int count) override;
  Cell ReadCell(int row, int column) const override;
  void ScrollRectangle(int top, int left, int bottom, int right, int lines,
                       std::uint8_t fill_attribute) override;
  InputEvent PollInput() override;
  InputEvent PeekInput() override;
  bool WaitForInput(int timeout_ms) override;
  int MouseButtons() const override;
  void SetMouseReporting(bool on) override;
  void SoundBell() override;
  void Flush() override;
  bool InsertMode() const override;
  void SetInsertMode(bool on) override;
  std::string ClipboardText() override;
  void SetClipboardText(std::string_view text) override;

 private:
  struct ScriptEntry {
    enum class Kind : std::uint8_t { Event, EmptyPoll, Pause };
    Kind kind = Kind::Event;
    InputEvent event;
    int pause_ms = 0;
  };

  ScreenBuffer screen_;
  std::deque<ScriptEntry> script_;
  int taken_ = 0;
  long long elapsed_ms_ = 0;
  int wait_count_ = 0;
  int mouse_buttons_ = 2;
  bool mouse_reporting_ = false;
  std::vector<int> beeps_;
  int flush_count_ = 0;
  bool insert_mode_ = false;
  std::string clipboard_;
};

}  // namespace kel::platform
