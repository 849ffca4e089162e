#include "platform/posix/terminal_console.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/codepage.h"
#include "platform/posix/terminal_clipboard.h"
#include "platform/process.h"
#include "platform/posix/terminal_tty.h"
#include "platform/system_console.h"
#include "platform/terminal_sequences.h"

namespace kel::platform {

std::unique_ptr<ConsoleDevice> OpenSystemConsole() {
  if (!posix::OpenTerminal()) return nullptr;
  return std::make_unique<posix::TerminalConsole>();
}

void RestoreSystemConsole() { posix::RestoreTerminal(); }

namespace posix {
namespace {

namespace seq = terminal_sequences;

std::int64_t NowMs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

int InitialRows() {
  int rows = 0, columns = 0;
  TerminalSize(rows, columns);
  return rows;
}

int InitialColumns() {
  int rows = 0, columns = 0;
  TerminalSize(rows, columns);
  return columns;
}


}  // namespace

TerminalConsole::TerminalConsole()
    : screen_(InitialRows(), InitialColumns()),
      renderer_(screen_.Rows(), screen_.Columns()),
      clock_ms_(NowMs()) {
  // The Linux console has no cursor shapes (it would show the sequence's letters) and keys
  // of its own.
  const bool linux_console = IsLinuxConsole();
  renderer_.SetCursorShapes(!linux_console);
  SetCursorShapesUsed(!linux_console);
  decoder_.SetKeyboard(linux_console ? TerminalKeyboard::LinuxConsole : TerminalKeyboard::Xterm);
  const TerminalCharset charset = LocaleCharset();
  decoder_.SetCharacterSet(charset);
  renderer_.SetCharacterSet(charset);
}

TerminalConsole::~TerminalConsole() { RestoreTerminal(); }

int TerminalConsole::Rows() const { return screen_.Rows(); }
int TerminalConsole::Columns() const { return screen_.Columns(); }
void TerminalConsole::SetCursorPosition(int row, int column) { screen_.MoveCursor(row, column); }

CursorPlace TerminalConsole::CursorPosition() const {
  return {screen_.cursor_row, screen_.cursor_column};
}

void TerminalConsole::SetCursorSize(int percent) {
  screen_.cursor_size = std::clamp(percent, 1, 100);
}

void TerminalConsole::SetCursorVisible(bool visible) { screen_.cursor_visible = visible; }
bool TerminalConsole::CursorVisible() const { return screen_.cursor_visible; }
void TerminalConsole::SetTextAttribute(std::uint8_t attribute) { screen_.attribute = attribute; }
std::uint8_t TerminalConsole::TextAttribute() const { return screen_.attribute; }
void TerminalConsole::WriteText(std::string_view text) { screen_.WriteText(text); }

void TerminalConsole::WriteCells(int row, int column, const Cell* cells, int count) {
  screen_.WriteCells(row, column, cells, count);
}

void TerminalConsole::FillAttribute(int row, int column, std::uint8_t attribute, int count) {
  screen_.FillAttribute(row, column, attribute, count);
}

Cell TerminalConsole::ReadCell(int row, int column) const { return screen_.Read(row, column); }

void TerminalConsole::ScrollRectangle(int top, int left, int bottom, int right, int lines,
                                      std::uint8_t fill_attribute) {
  screen_.ScrollRectangle(top, left, bottom, right, lines, fill_attribute);
}

int TerminalConsole::MouseButtons() const { return 2; }
void TerminalConsole::SetMouseReporting(bool on) { mouse_wanted_ = on; }
bool TerminalConsole::InsertMode() const { return insert_mode_; }
void TerminalConsole::SetInsertMode(bool on) { insert_mode_ = on; }

void TerminalConsole::SoundBell() { Send(std::string(seq::kBell)); }

void TerminalConsole::Flush() { Send(std::string()); }

void TerminalConsole::Send(std::string bytes) {
  if (!TerminalActive()) {
    // Back after RestoreConsole (a child program had the terminal): everything again.
    if (!ResumeTerminal()) return;
    renderer_.Invalidate();
    mouse_shown_ = false;
    kitty_pushed_ = false;
    decoder_.Reset();
  }
  std::string out;
  if (mouse_wanted_ != mouse_shown_) {
    out += mouse_wanted_ ? seq::kMouseOn : seq::kMouseOff;
    mouse_shown_ = mouse_wanted_;
  }
  renderer_.Render(screen_, out);
  out += pending_output_;
  pending_output_.clear();
  out += bytes;
  if (out.empty()) return;
  WriteTerminal(out);
  bytes_written_ += out.size();
}

InputEvent TerminalConsole::PollInput() {
  const InputEvent event = PeekInput();
  if (!queue_.empty()) queue_.pop_front();
  return event;
}

InputEvent TerminalConsole::PeekInput() {
  if (queue_.empty()) {
    if (!TerminalActive()) Flush();
    Pump();
  }
  if (queue_.empty()) return {};
  return queue_.front();
}

bool TerminalConsole::WaitForInput(int timeout_ms) {
  Flush();
  const std::int64_t start = NowMs();
  while (true) {
    // What is already decoded, the decoder's timeout and the signals' flags need no system
    // call; the terminal and the wake pipe are read only when the poll says they have
    // something, so that a key costs one poll and one read.
    ElapseClock();
    HandleWake();
    TakeDecoded();
    if (!queue_.empty()) return true;
    const std::int64_t elapsed = NowMs() - start;
    if (timeout_ms >= 0 && elapsed >= timeout_ms) return false;
    int wait = timeout_ms < 0 ? -1 : static_cast<int>(timeout_ms - elapsed);
    const int deadline = decoder_.MillisecondsToDeadline();
    if (deadline >= 0) wait = wait < 0 ? deadline : std::min(wait, deadline);
    pollfd watched[2] = {{TerminalDescriptor(), POLLIN, 0}, {WakeDescriptor(), POLLIN, 0}};
    const int count = WakeDescriptor() >= 0 ? 2 : 1;
    if (::poll(watched, static_cast<nfds_t>(count), wait) < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == ENOMEM) return false;
      EndProcessAsHangUp();  // the descriptor itself is no longer good
    }
    // The flags are read after the pipe is emptied: a signal that comes in between writes
    // the pipe again and wakes the next poll.
    if (count == 2 && (watched[1].revents & POLLIN)) DrainWakeDescriptor();
    // A terminal that is gone reports itself readable with nothing to read, for ever: its
    // input has ended for good, and the process ends as a hang-up would end it, also where
    // hang-ups are ignored, rather than read Esc from it without end.
    if ((watched[0].revents & (POLLHUP | POLLERR | POLLNVAL)) && !(watched[0].revents & POLLIN)) {
      EndProcessAsHangUp();
    }
    if ((watched[0].revents & POLLIN) && !ReadTerminal()) EndProcessAsHangUp();
  }
}

void TerminalConsole::Pump() {
  HandleWake();
  ReadTerminal();
  TakeDecoded();
}

void TerminalConsole::ElapseClock() {
  const std::int64_t now = NowMs();
  decoder_.Elapse(static_cast<int>(std::min<std::int64_t>(now - clock_ms_, 1 << 30)));
  clock_ms_ = now;
}

bool TerminalConsole::ReadTerminal() {
  // Time passes for the decoder before the new bytes arrive, never after.
  ElapseClock();
  if (!TerminalActive()) return true;
  char buffer[4096];
  bool got_any = false;
  while (true) {
    const ssize_t got = ::read(TerminalDescriptor(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == EIO) EndProcessAsHangUp();  // the terminal is gone
    if (got < 0) return got_any || errno == EAGAIN;
    if (got == 0) return got_any;
    got_any = true;
    decoder_.Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
    // A short read took all there was: asking again would only return EAGAIN.
    if (static_cast<std::size_t>(got) < sizeof buffer) return true;
  }
}

void TerminalConsole::TakeDecoded() {
  while (decoder_.HasEvent()) {
    TerminalEvent event = decoder_.TakeEvent();
    switch (event.kind) {
      case TerminalEvent::Kind::Input:
        queue_.push_back(event.input);
        break;
      case TerminalEvent::Kind::Paste:
        last_paste_ = std::move(event.text);
        paste_is_newer_ = true;
        break;
      case TerminalEvent::Kind::KeyboardFlags:
        // The terminal speaks the kitty protocol: ask for key releases, then for the
        // flags again, whose answer tells the decoder what it will get.
        if (!kitty_pushed_) {
          kitty_pushed_ = true;
          SetKittyFlagsPushed(true);
          std::string request(seq::kKittyPush);
          request += "\x1b[?u";
          WriteTerminal(request);
          bytes_written_ += request.size();
        }
        break;
      case TerminalEvent::Kind::DeviceAttributes:
        break;
    }
  }
}

void TerminalConsole::HandleWake() {
  const WakeReasons reasons = TakeWakeReasons();
  if (reasons.resized) {
    int rows = 0, columns = 0;
    TerminalSize(rows, columns);
    screen_.Resize(rows, columns);
    // Terminals rewrap or clear on a resize: nothing shown can be trusted.
    renderer_.Invalidate();
    InputEvent resized;
    resized.kind = InputEvent::Kind::Resize;
    queue_.push_back(resized);
  }
  if (reasons.resumed) {
    renderer_.Invalidate();
    mouse_shown_ = false;
    kitty_pushed_ = false;
    decoder_.Reset();
    Flush();
  }
}

std::string TerminalConsole::ClipboardText() {
  std::string utf8;
  if (PasteWithHelper(utf8)) return Utf8ToCp850(utf8);
  return paste_is_newer_ ? last_paste_ : clipboard_;
}

void TerminalConsole::SetClipboardText(std::string_view text) {
  clipboard_ = std::string(text);
  paste_is_newer_ = false;
  const std::string utf8 = Cp850ToUtf8(text);
  if (!CopyWithHelper(utf8)) pending_output_ += seq::SetClipboard(utf8);
}

}  // namespace posix
}  // namespace kel::platform
