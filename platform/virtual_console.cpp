#include "platform/virtual_console.h"

#include <algorithm>

#include "platform/codepage.h"

namespace kel::platform {

VirtualConsole::VirtualConsole(int rows, int columns) : screen_(rows, columns) {}

void VirtualConsole::PushKey(unsigned char character, std::uint32_t control_state) {
  PushKeyWithScanCode(character, 0, control_state);
}

void VirtualConsole::PushExtendedKey(std::uint8_t scan_code, std::uint32_t control_state) {
  PushKeyWithScanCode(0, scan_code, control_state);
}

void VirtualConsole::PushKeyWithScanCode(unsigned char character, std::uint8_t scan_code,
                                         std::uint32_t control_state) {
  InputEvent event;
  event.kind = InputEvent::Kind::Key;
  event.character = character;
  event.scan_code = scan_code;
  event.control_state = control_state;
  PushEvent(event);
}

void VirtualConsole::PushText(std::string_view text) {
  for (char ch : text) PushKey(static_cast<unsigned char>(ch));
}

void VirtualConsole::PushKeyUp(std::uint32_t control_state) {
  InputEvent event;
  event.kind = InputEvent::Kind::KeyUp;
  event.control_state = control_state;
  PushEvent(event);
}

void VirtualConsole::PushMouse(std::uint8_t mouse_kind, std::uint8_t button, int row, int column,
                               std::uint32_t control_state) {
  InputEvent event;
  event.kind = InputEvent::Kind::Mouse;
  event.mouse_kind = mouse_kind;
  event.mouse_button = button;
  event.mouse_row = static_cast<std::int16_t>(row);
  event.mouse_column = static_cast<std::int16_t>(column);
  event.control_state = control_state;
  PushEvent(event);
}

void VirtualConsole::PushEmptyPoll(int count) {
  for (int i = 0; i < count; ++i) script_.push_back({ScriptEntry::Kind::EmptyPoll, {}, 0});
}

void VirtualConsole::PushPause(int milliseconds) {
  if (milliseconds > 0) script_.push_back({ScriptEntry::Kind::Pause, {}, milliseconds});
}

void VirtualConsole::PushEvent(const InputEvent& event) {
  script_.push_back({ScriptEntry::Kind::Event, event, 0});
}

void VirtualConsole::SetSize(int rows, int columns, bool queue_event) {
  screen_.Resize(rows, columns);
  if (queue_event) {
    InputEvent event;
    event.kind = InputEvent::Kind::Resize;
    PushEvent(event);
  }
}

std::string VirtualConsole::RowText(int row, bool keep_trailing) const {
  std::string text;
  if (row < 1 || row > screen_.Rows()) return text;
  int last = screen_.Columns();
  if (!keep_trailing) {
    while (last >= 1 && screen_.At(row, last).character == ' ') --last;
  }
  for (int c = 1; c <= last; ++c) AppendUtf8(text, Cp850Glyph(screen_.At(row, c).character));
  return text;
}

std::string VirtualConsole::Snapshot(bool keep_trailing) const {
  int last = screen_.Rows();
  if (!keep_trailing) {
    while (last >= 1 && RowText(last).empty()) --last;
  }
  std::string text;
  for (int r = 1; r <= last; ++r) {
    text += RowText(r, keep_trailing);
    text += '\n';
  }
  return text;
}

std::string VirtualConsole::RowBytes(int row) const {
  std::string bytes;
  for (int c = 1; c <= screen_.Columns(); ++c) {
    bytes += static_cast<char>(screen_.Read(row, c).character);
  }
  return bytes;
}

std::uint8_t VirtualConsole::AttributeAt(int row, int column) const {
  return screen_.Read(row, column).attribute;
}

void VirtualConsole::FillScreen(unsigned char character, std::uint8_t attribute) {
  for (int r = 1; r <= screen_.Rows(); ++r) {
    for (int c = 1; c <= screen_.Columns(); ++c) screen_.At(r, c) = Cell{character, attribute};
  }
}

int VirtualConsole::Rows() const { return screen_.Rows(); }
int VirtualConsole::Columns() const { return screen_.Columns(); }

void VirtualConsole::SetCursorPosition(int row, int column) { screen_.MoveCursor(row, column); }

CursorPlace VirtualConsole::CursorPosition() const {
  return {screen_.cursor_row, screen_.cursor_column};
}

void VirtualConsole::SetCursorSize(int percent) {
  screen_.cursor_size = std::clamp(percent, 1, 100);
}

void VirtualConsole::SetCursorVisible(bool visible) { screen_.cursor_visible = visible; }
bool VirtualConsole::CursorVisible() const { return screen_.cursor_visible; }
void VirtualConsole::SetTextAttribute(std::uint8_t attribute) { screen_.attribute = attribute; }
std::uint8_t VirtualConsole::TextAttribute() const { return screen_.attribute; }
void VirtualConsole::WriteText(std::string_view text) { screen_.WriteText(text); }

void VirtualConsole::WriteCells(int row, int column, const Cell* cells, int count) {
  screen_.WriteCells(row, column, cells, count);
}

void VirtualConsole::FillAttribute(int row, int column, std::uint8_t attribute, int count) {
  screen_.FillAttribute(row, column, attribute, count);
}

Cell VirtualConsole::ReadCell(int row, int column) const { return screen_.Read(row, column); }

void VirtualConsole::ScrollRectangle(int top, int left, int bottom, int right, int lines,
                                     std::uint8_t fill_attribute) {
  screen_.ScrollRectangle(top, left, bottom, right, lines, fill_attribute);
}

InputEvent VirtualConsole::PollInput() {
  if (script_.empty() || script_.front().kind == ScriptEntry::Kind::Pause) return {};
  ScriptEntry entry = script_.front();
  script_.pop_front();
  ++taken_;
  return entry.kind == ScriptEntry::Kind::Event ? entry.event : InputEvent{};
}

InputEvent VirtualConsole::PeekInput() {
  if (script_.empty() || script_.front().kind != ScriptEntry::Kind::Event) return {};
  return script_.front().event;
}

bool VirtualConsole::WaitForInput(int timeout_ms) {
  ++wait_count_;
  long long budget = timeout_ms < 0 ? -1 : timeout_ms;
  while (!script_.empty() && script_.front().kind == ScriptEntry::Kind::Pause) {
    ScriptEntry& pause = script_.front();
    if (budget >= 0 && budget < pause.pause_ms) {
      pause.pause_ms -= static_cast<int>(budget);
      elapsed_ms_ += budget;
      return false;
    }
    elapsed_ms_ += pause.pause_ms;
    if (budget >= 0) budget -= pause.pause_ms;
    script_.pop_front();
    ++taken_;
  }
  if (script_.empty()) {
    // An exhausted script never blocks: the wait simply times out.
    if (budget > 0) elapsed_ms_ += budget;
    return false;
  }
  return true;
}

int VirtualConsole::MouseButtons() const { return mouse_buttons_; }
void VirtualConsole::SetMouseReporting(bool on) { mouse_reporting_ = on; }
void VirtualConsole::SoundBell() { beeps_.push_back(taken_); }
void VirtualConsole::Flush() { ++flush_count_; }
bool VirtualConsole::InsertMode() const { return insert_mode_; }
void VirtualConsole::SetInsertMode(bool on) { insert_mode_ = on; }
std::string VirtualConsole::ClipboardText() { return clipboard_; }
void VirtualConsole::SetClipboardText(std::string_view text) { clipboard_ = std::string(text); }

}  // namespace kel::platform
