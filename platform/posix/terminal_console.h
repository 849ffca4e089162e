// The console over a POSIX terminal: the program draws into a cell buffer, which is sent to
// the terminal as differences before the program waits for input; input bytes go through
// the terminal decoder.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "platform/console.h"
#include "platform/screen_buffer.h"
#include "platform/terminal_decoder.h"
#include "platform/terminal_renderer.h"

namespace kel::platform::posix {

class TerminalConsole : public ConsoleDevice {
 public:
  // Uses the terminal that OpenTerminal opened.
  TerminalConsole();
  ~TerminalConsole() override;

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

  // Bytes written to the terminal so far (for measurements).
  std::uint64_t BytesWritten() const { return bytes_written_; }

 private:
  // Reads what the terminal sent without waiting (one read) and lets the decoder see the
  // time passed; signals are taken from their flags, the wake pipe is left to the poll.
  void Pump();
  // Lets the decoder see the time passed since the last call (its Esc timeout).
  void ElapseClock();
  // Feeds the decoder what the terminal has sent; false when it was readable yet empty. A
  // terminal that is gone ends the process as a hang-up does.
  bool ReadTerminal();
  void TakeDecoded();
  void HandleWake();
  // Sends bytes now, with what the cell buffer needs first.
  void Send(std::string bytes);

  ScreenBuffer screen_;
  TerminalRenderer renderer_;
  TerminalDecoder decoder_;
  std::deque<InputEvent> queue_;
  std::int64_t clock_ms_ = 0;
  bool mouse_wanted_ = false;
  bool mouse_shown_ = false;
  bool kitty_pushed_ = false;
  bool insert_mode_ = false;
  std::string pending_output_;  // bell, clipboard: sent with the next frame
  std::string clipboard_;       // what the program put on the clipboard
  std::string last_paste_;      // what the user pasted last
  bool paste_is_newer_ = false;
  std::uint64_t bytes_written_ = 0;
};

}  // namespace kel::platform::posix
