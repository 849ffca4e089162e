// The Windows console: each call of the console interface is one Win32 console call on the
// handles of CONIN$ and CONOUT$, so that the program draws on the console even when its
// standard handles are redirected. Positions are counted in the visible window.
#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/system_console.h"
#include "platform/win32/console_injection.h"
#include "platform/win32/win32_text.h"

namespace kel::platform {
namespace {

constexpr UINT kConsoleCodePage = 850;
constexpr std::uint32_t kControlBits = kRightAlt | kLeftAlt | kRightCtrl | kLeftCtrl | kShift;

// Code page 850 byte of a character read back from the console: the glyphs of the control
// bytes and the characters of the others; "?" for anything else.
unsigned char CellCharacter(wchar_t shown) {
  static const std::array<unsigned char, 65536> table = [] {
    std::array<unsigned char, 65536> built{};
    built.fill('?');
    for (int byte = 255; byte >= 0; --byte) {
      const char32_t text = Cp850ToUnicode(static_cast<unsigned char>(byte));
      if (byte >= 0x20 && text < 0x10000) built[text] = static_cast<unsigned char>(byte);
    }
    // The control bytes' glyphs, where no character already stands for them (byte 0 shows
    // as a blank, which reads back as the blank).
    for (int byte = 0; byte < 256; ++byte) {
      const char32_t glyph = Cp850Glyph(static_cast<unsigned char>(byte));
      if ((byte < 0x20 || byte == 0x7F) && glyph < 0x10000 && built[glyph] == '?' && glyph != U'?')
        built[glyph] = static_cast<unsigned char>(byte);
    }
    built[0] = ' ';
    return built;
  }();
  return table[static_cast<std::uint16_t>(shown)];
}

CHAR_INFO CellInfo(unsigned char character, std::uint8_t attribute) {
  CHAR_INFO info{};
  info.Char.UnicodeChar = static_cast<wchar_t>(Cp850Glyph(character));
  info.Attributes = attribute;
  return info;
}

// Scan codes the console gives that the program knows by others.
std::uint8_t ProgramScanCode(std::uint8_t scan, bool alt) {
  if (scan == 0x57) return 0x85;  // F11
  if (scan == 0x58) return 0x86;  // F12
  if (alt && scan >= 0x02 && scan <= 0x0D) return static_cast<std::uint8_t>(scan - 0x02 + 0x78);  // Alt+1 ... Alt+=
  return scan;
}

bool IsModifierKey(WORD key) {
  switch (key) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_LSHIFT: case VK_RSHIFT: case VK_LCONTROL:
    case VK_RCONTROL: case VK_LMENU: case VK_RMENU: case VK_CAPITAL: case VK_NUMLOCK: case VK_SCROLL:
    case VK_LWIN: case VK_RWIN:
      return true;
    default:
      return false;
  }
}

class Win32Console : public ConsoleDevice {
 public:
  Win32Console(HANDLE input, HANDLE output) : input_(input), output_(output) { Save(); }
  ~Win32Console() override;

  // Puts the console back as it was found: modes, code pages, cursor, contents.
  void Restore() {
    if (!taken_) return;
    taken_ = false;
    ::SetConsoleMode(input_, input_mode_);
    ::SetConsoleCP(input_code_page_);
    ::SetConsoleOutputCP(output_code_page_);
    if (!contents_.empty()) {
      SMALL_RECT area = saved_.srWindow;
      ::WriteConsoleOutputW(output_, contents_.data(), SavedSize(), COORD{0, 0}, &area);
    }
    ::SetConsoleTextAttribute(output_, saved_.wAttributes);
    ::SetConsoleCursorInfo(output_, &cursor_);
    ::SetConsoleCursorPosition(output_, saved_.dwCursorPosition);
  }

  int Rows() const override {
    const SMALL_RECT window = Window();
    return window.Bottom - window.Top + 1;
  }
  int Columns() const override {
    const SMALL_RECT window = Window();
    return window.Right - window.Left + 1;
  }

  void SetCursorPosition(int row, int column) override {
    Take();
    const SMALL_RECT window = Window();
    if (row < 1 || column < 1 || row > window.Bottom - window.Top + 1 || column > window.Right - window.Left + 1) return;
    ::SetConsoleCursorPosition(output_, At(window, row, column));
  }
  CursorPlace CursorPosition() const override {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(output_, &info)) return {};
    return {info.dwCursorPosition.Y - info.srWindow.Top + 1, info.dwCursorPosition.X - info.srWindow.Left + 1};
  }
  void SetCursorSize(int percent) override {
    Take();
    CONSOLE_CURSOR_INFO cursor{};
    if (!::GetConsoleCursorInfo(output_, &cursor)) return;
    cursor.dwSize = static_cast<DWORD>(std::clamp(percent, 1, 100));
    ::SetConsoleCursorInfo(output_, &cursor);
  }
  void SetCursorVisible(bool visible) override {
    Take();
    CONSOLE_CURSOR_INFO cursor{};
    if (!::GetConsoleCursorInfo(output_, &cursor)) return;
    cursor.bVisible = visible ? TRUE : FALSE;
    ::SetConsoleCursorInfo(output_, &cursor);
  }
  bool CursorVisible() const override {
    CONSOLE_CURSOR_INFO cursor{};
    return ::GetConsoleCursorInfo(output_, &cursor) && cursor.bVisible;
  }

  void SetTextAttribute(std::uint8_t attribute) override {
    Take();
    ::SetConsoleTextAttribute(output_, attribute);
  }
  std::uint8_t TextAttribute() const override {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(output_, &info)) return 7;
    return static_cast<std::uint8_t>(info.wAttributes & 0xFF);
  }

  void WriteText(std::string_view text) override {
    Take();
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (text.empty() || !::GetConsoleScreenBufferInfo(output_, &info)) return;
    const SMALL_RECT window = info.srWindow;
    const int rows = window.Bottom - window.Top + 1;
    const int columns = window.Right - window.Left + 1;
    int row = info.dwCursorPosition.Y - window.Top + 1;
    int column = info.dwCursorPosition.X - window.Left + 1;
    if (row < 1 || row > rows || column < 1 || column > columns) return;
    const int room = (rows - row) * columns + (columns - column + 1);
    const int count = std::min<int>(static_cast<int>(text.size()), room);
    std::vector<CHAR_INFO> cells;
    cells.reserve(static_cast<std::size_t>(count));
    const std::uint8_t attribute = static_cast<std::uint8_t>(info.wAttributes & 0xFF);
    for (int i = 0; i < count; ++i) cells.push_back(CellInfo(static_cast<unsigned char>(text[static_cast<std::size_t>(i)]), attribute));
    WriteRun(window, row, column, cells.data(), count);
    // The cursor goes past the text; after the last cell of the screen it stays there.
    const int end = std::min((row - 1) * columns + (column - 1) + count, rows * columns - 1);
    ::SetConsoleCursorPosition(output_, At(window, end / columns + 1, end % columns + 1));
  }

  void WriteCells(int row, int column, const Cell* cells, int count) override {
    Take();
    const SMALL_RECT window = Window();
    if (cells == nullptr || count <= 0 || !Contains(window, row, column)) return;
    std::vector<CHAR_INFO> infos;
    infos.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) infos.push_back(CellInfo(cells[i].character, cells[i].attribute));
    WriteRun(window, row, column, infos.data(), count);
  }

  void FillAttribute(int row, int column, std::uint8_t attribute, int count) override {
    Take();
    const SMALL_RECT window = Window();
    const int columns = window.Right - window.Left + 1;
    const int rows = window.Bottom - window.Top + 1;
    while (count > 0 && Contains(window, row, column)) {
      const int here = std::min(count, columns - column + 1);
      DWORD done = 0;
      ::FillConsoleOutputAttribute(output_, attribute, static_cast<DWORD>(here), At(window, row, column), &done);
      count -= here;
      column = 1;
      if (++row > rows) break;
    }
  }

  Cell ReadCell(int row, int column) const override {
    const SMALL_RECT window = Window();
    if (!Contains(window, row, column)) return {};
    CHAR_INFO info{};
    const COORD at = At(window, row, column);
    SMALL_RECT area{at.X, at.Y, at.X, at.Y};
    if (!::ReadConsoleOutputW(output_, &info, COORD{1, 1}, COORD{0, 0}, &area)) return {};
    return {CellCharacter(info.Char.UnicodeChar), static_cast<unsigned char>(info.Attributes & 0xFF)};
  }

  void ScrollRectangle(int top, int left, int bottom, int right, int lines, std::uint8_t fill_attribute) override {
    Take();
    const SMALL_RECT window = Window();
    top = std::max(top, 1);
    left = std::max(left, 1);
    bottom = std::min(bottom, window.Bottom - window.Top + 1);
    right = std::min(right, window.Right - window.Left + 1);
    if (top > bottom || left > right || lines == 0) return;
    const COORD from = At(window, top, left);
    const COORD to = At(window, bottom, right);
    const SMALL_RECT area{from.X, from.Y, to.X, to.Y};
    const int height = bottom - top + 1;
    const int shift = std::clamp(lines, -height, height);
    const COORD destination{from.X, static_cast<SHORT>(from.Y - shift)};
    CHAR_INFO fill{};
    fill.Char.UnicodeChar = L' ';
    fill.Attributes = fill_attribute;
    ::ScrollConsoleScreenBufferW(output_, &area, &area, destination, &fill);
  }

  InputEvent PollInput() override {
    const InputEvent event = PeekInput();
    if (!pending_.empty()) pending_.pop_front();
    return event;
  }

  InputEvent PeekInput() override {
    Take();
    Fill();
    return pending_.empty() ? InputEvent{} : pending_.front();
  }

  // The input handle is signalled while records are queued; records that bring no event
  // (focus, menu, a key released) are taken out before waiting again.
  bool WaitForInput(int timeout_ms) override {
    Take();
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(std::max(timeout_ms, 0));
    for (;;) {
      Fill();
      if (!pending_.empty()) return true;
      DWORD wait = INFINITE;
      if (timeout_ms >= 0) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return false;
        wait = static_cast<DWORD>(deadline - now);
      }
      const DWORD result = ::WaitForSingleObject(input_, wait);
      if (result != WAIT_OBJECT_0 && result != WAIT_TIMEOUT) return false;
    }
  }

  int MouseButtons() const override {
    DWORD buttons = 0;
    return ::GetNumberOfConsoleMouseButtons(&buttons) ? static_cast<int>(buttons) : 0;
  }
  void SetMouseReporting(bool on) override {
    mouse_on_ = on;
    if (taken_) ApplyInputMode();
  }

  void SoundBell() override { ::MessageBeep(MB_OK); }
  void Flush() override {}

  bool InsertMode() const override { return insert_mode_; }
  void SetInsertMode(bool on) override { insert_mode_ = on; }

  std::string ClipboardText() override {
    std::string text;
    if (!OpenClipboardBounded()) return text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* wide = static_cast<const wchar_t*>(::GlobalLock(data))) {
        text = win32::FromWide(wide);
        ::GlobalUnlock(data);
      }
    }
    ::CloseClipboard();
    return text;
  }

  void SetClipboardText(std::string_view text) override {
    const std::wstring wide = win32::ToWide(text);
    if (!OpenClipboardBounded()) return;
    ::EmptyClipboard();
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    if (memory != nullptr) {
      if (auto* target = static_cast<wchar_t*>(::GlobalLock(memory))) {
        std::copy(wide.begin(), wide.end(), target);
        target[wide.size()] = L'\0';
        ::GlobalUnlock(memory);
        if (::SetClipboardData(CF_UNICODETEXT, memory) == nullptr) ::GlobalFree(memory);
      } else {
        ::GlobalFree(memory);
      }
    }
    ::CloseClipboard();
  }

 private:
  void Save() {
    ::GetConsoleMode(input_, &input_mode_);
    input_code_page_ = ::GetConsoleCP();
    output_code_page_ = ::GetConsoleOutputCP();
    ::GetConsoleCursorInfo(output_, &cursor_);
    if (!::GetConsoleScreenBufferInfo(output_, &saved_)) return;
    contents_.resize(static_cast<std::size_t>(SavedSize().X) * static_cast<std::size_t>(SavedSize().Y));
    SMALL_RECT area = saved_.srWindow;
    if (contents_.empty() || !::ReadConsoleOutputW(output_, contents_.data(), SavedSize(), COORD{0, 0}, &area))
      contents_.clear();
  }

  COORD SavedSize() const {
    return COORD{static_cast<SHORT>(saved_.srWindow.Right - saved_.srWindow.Left + 1),
                 static_cast<SHORT>(saved_.srWindow.Bottom - saved_.srWindow.Top + 1)};
  }

  // Takes the console for the program (again after a restore).
  void Take() {
    if (taken_) return;
    taken_ = true;
    ::SetConsoleCP(kConsoleCodePage);
    ::SetConsoleOutputCP(kConsoleCodePage);
    ApplyInputMode();
  }

  // Keys arrive one by one and Ctrl+C as a key; the console's own mouse selection is off
  // while the program reports the mouse.
  void ApplyInputMode() {
    DWORD mode = ENABLE_WINDOW_INPUT | ENABLE_EXTENDED_FLAGS;
    if (mouse_on_) mode |= ENABLE_MOUSE_INPUT;
    ::SetConsoleMode(input_, mode);
  }

  SMALL_RECT Window() const {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(output_, &info)) return SMALL_RECT{0, 0, 79, 24};
    return info.srWindow;
  }

  static bool Contains(const SMALL_RECT& window, int row, int column) {
    return row >= 1 && column >= 1 && row <= window.Bottom - window.Top + 1 && column <= window.Right - window.Left + 1;
  }

  static COORD At(const SMALL_RECT& window, int row, int column) {
    return COORD{static_cast<SHORT>(window.Left + column - 1), static_cast<SHORT>(window.Top + row - 1)};
  }

  // Writes cells from a position on, continuing on the next rows, up to the last cell.
  void WriteRun(const SMALL_RECT& window, int row, int column, CHAR_INFO* cells, int count) {
    const int columns = window.Right - window.Left + 1;
    const int rows = window.Bottom - window.Top + 1;
    while (count > 0 && row <= rows) {
      const int here = std::min(count, columns - column + 1);
      const COORD at = At(window, row, column);
      SMALL_RECT area{at.X, at.Y, static_cast<SHORT>(at.X + here - 1), at.Y};
      ::WriteConsoleOutputW(output_, cells, COORD{static_cast<SHORT>(here), 1}, COORD{0, 0}, &area);
      cells += here;
      count -= here;
      column = 1;
      ++row;
    }
  }

  // Another program may hold the clipboard for a moment.
  static bool OpenClipboardBounded() {
    for (int attempt = 0; attempt < 10; ++attempt) {
      if (::OpenClipboard(nullptr)) return true;
      ::Sleep(10);
    }
    return false;
  }

  // Translates queued records until one gives an event or the queue is empty.
  void Fill() {
    while (pending_.empty()) {
      INPUT_RECORD record{};
      DWORD count = 0;
      if (!::PeekConsoleInputW(input_, &record, 1, &count) || count == 0) return;
      if (!::ReadConsoleInputW(input_, &record, 1, &count) || count == 0) return;
      Translate(record);
    }
  }

  void Translate(const INPUT_RECORD& record) {
    switch (record.EventType) {
      case KEY_EVENT: TranslateKey(record.Event.KeyEvent); break;
      case MOUSE_EVENT: TranslateMouse(record.Event.MouseEvent); break;
      case WINDOW_BUFFER_SIZE_EVENT: {
        InputEvent event;
        event.kind = InputEvent::Kind::Resize;
        pending_.push_back(event);
        break;
      }
      default: break;
    }
  }

  // Presses of the modifiers alone bring nothing; their releases say what stays held. Alt
  // with a key gives the key's scan code, except with Ctrl (AltGr), whose character stands.
  void TranslateKey(const KEY_EVENT_RECORD& key) {
    std::uint32_t state = key.dwControlKeyState & kControlBits;
    const bool enhanced = (key.dwControlKeyState & ENHANCED_KEY) != 0;
    if (IsModifierKey(key.wVirtualKeyCode)) {
      if (key.bKeyDown) return;
      if (key.wVirtualKeyCode == VK_MENU || key.wVirtualKeyCode == VK_LMENU || key.wVirtualKeyCode == VK_RMENU)
        state &= ~static_cast<std::uint32_t>(enhanced || key.wVirtualKeyCode == VK_RMENU ? kRightAlt : kLeftAlt);
      else if (key.wVirtualKeyCode == VK_CONTROL || key.wVirtualKeyCode == VK_LCONTROL || key.wVirtualKeyCode == VK_RCONTROL)
        state &= ~static_cast<std::uint32_t>(enhanced || key.wVirtualKeyCode == VK_RCONTROL ? kRightCtrl : kLeftCtrl);
      else if (key.wVirtualKeyCode == VK_SHIFT || key.wVirtualKeyCode == VK_LSHIFT || key.wVirtualKeyCode == VK_RSHIFT)
        state &= ~static_cast<std::uint32_t>(kShift);
      InputEvent event;
      event.kind = InputEvent::Kind::KeyUp;
      event.control_state = state;
      pending_.push_back(event);
      return;
    }
    if (!key.bKeyDown) return;
    InputEvent event;
    event.kind = InputEvent::Kind::Key;
    event.control_state = state;
    const auto scan = static_cast<std::uint8_t>(key.wVirtualScanCode & 0xFF);
    const wchar_t character = key.uChar.UnicodeChar;
    const bool alt = (state & (kLeftAlt | kRightAlt)) != 0;
    const bool alt_graph = (state & kRightAlt) && (state & (kLeftCtrl | kRightCtrl)) && character != 0;
    const bool ctrl = (state & (kLeftCtrl | kRightCtrl)) != 0;
    if ((alt && !alt_graph) || character == 0) {
      event.scan_code = ProgramScanCode(scan, alt);
    } else if (character == L'\t' && (state & kShift)) {
      event.scan_code = 0x0F;
    } else if (character == L' ' && ctrl) {
      event.scan_code = 0x03;
    } else {
      const int byte = UnicodeToCp850(static_cast<char32_t>(character));
      event.character = byte < 0 ? '?' : static_cast<unsigned char>(byte);
    }
    for (WORD i = 0; i < std::max<WORD>(key.wRepeatCount, 1); ++i) pending_.push_back(event);
  }

  // A change of the buttons held is a press or a release of each button that changed.
  void TranslateMouse(const MOUSE_EVENT_RECORD& mouse) {
    const SMALL_RECT window = Window();
    InputEvent event;
    event.kind = InputEvent::Kind::Mouse;
    event.control_state = mouse.dwControlKeyState & kControlBits;
    event.mouse_row = static_cast<std::int16_t>(std::max(mouse.dwMousePosition.Y - window.Top + 1, 1));
    event.mouse_column = static_cast<std::int16_t>(std::max(mouse.dwMousePosition.X - window.Left + 1, 1));
    const DWORD buttons = mouse.dwButtonState & (FROM_LEFT_1ST_BUTTON_PRESSED | RIGHTMOST_BUTTON_PRESSED);
    const DWORD before = buttons_;
    buttons_ = buttons;
    if (mouse.dwEventFlags & (DOUBLE_CLICK | MOUSE_WHEELED | MOUSE_HWHEELED)) {
      event.mouse_kind = kMouseDoubleClickOrWheel;
      pending_.push_back(event);
      return;
    }
    if (mouse.dwEventFlags & MOUSE_MOVED) {
      event.mouse_kind = kMouseMoved;
      event.mouse_button = (buttons & FROM_LEFT_1ST_BUTTON_PRESSED) ? 1 : (buttons & RIGHTMOST_BUTTON_PRESSED) ? 2 : 0;
      pending_.push_back(event);
      return;
    }
    const std::pair<DWORD, std::uint8_t> kButtons[] = {{FROM_LEFT_1ST_BUTTON_PRESSED, 1}, {RIGHTMOST_BUTTON_PRESSED, 2}};
    for (const auto& [bit, number] : kButtons) {
      if ((before ^ buttons) & bit) {
        event.mouse_kind = (buttons & bit) ? kMousePressed : kMouseReleased;
        event.mouse_button = number;
        pending_.push_back(event);
      }
    }
  }

  HANDLE input_;
  HANDLE output_;
  DWORD input_mode_ = 0;
  UINT input_code_page_ = 0;
  UINT output_code_page_ = 0;
  CONSOLE_CURSOR_INFO cursor_{};
  CONSOLE_SCREEN_BUFFER_INFO saved_{};
  std::vector<CHAR_INFO> contents_;
  bool taken_ = false;
  bool mouse_on_ = false;
  bool insert_mode_ = false;
  DWORD buttons_ = 0;
  std::deque<InputEvent> pending_;
};

struct SystemConsoleState {
  Win32Console* opened = nullptr;  // owned by the console module once handed over
};

SystemConsoleState& State() {
  static SystemConsoleState state;
  return state;
}

Win32Console::~Win32Console() {
  Restore();
  if (State().opened == this) State().opened = nullptr;
  ::CloseHandle(input_);
  ::CloseHandle(output_);
}

HANDLE OpenConsoleHandle(const wchar_t* name) {
  return ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

}  // namespace

std::unique_ptr<ConsoleDevice> OpenSystemConsole() {
  HANDLE input = OpenConsoleHandle(L"CONIN$");
  if (input == INVALID_HANDLE_VALUE) return nullptr;
  HANDLE output = OpenConsoleHandle(L"CONOUT$");
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (output == INVALID_HANDLE_VALUE || !::GetConsoleScreenBufferInfo(output, &info)) {
    ::CloseHandle(input);
    if (output != INVALID_HANDLE_VALUE) ::CloseHandle(output);
    return nullptr;
  }
  auto console = std::make_unique<Win32Console>(input, output);
  State().opened = console.get();
  return console;
}

void RestoreSystemConsole() {
  if (State().opened != nullptr) State().opened->Restore();
}

namespace win32 {
namespace {

bool Inject(const INPUT_RECORD& record) {
  HANDLE input = OpenConsoleHandle(L"CONIN$");
  if (input == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = ::WriteConsoleInputW(input, &record, 1, &written) && written == 1;
  ::CloseHandle(input);
  return ok;
}

}  // namespace

bool InjectKey(const RawKey& key) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = key.down ? TRUE : FALSE;
  record.Event.KeyEvent.wRepeatCount = key.repeat;
  record.Event.KeyEvent.wVirtualKeyCode = key.virtual_key;
  record.Event.KeyEvent.wVirtualScanCode = key.scan_code;
  record.Event.KeyEvent.uChar.UnicodeChar = static_cast<wchar_t>(key.character);
  record.Event.KeyEvent.dwControlKeyState = key.control_state;
  return Inject(record);
}

bool InjectMouse(const RawMouse& mouse) {
  INPUT_RECORD record{};
  record.EventType = MOUSE_EVENT;
  record.Event.MouseEvent.dwMousePosition = COORD{static_cast<SHORT>(mouse.x), static_cast<SHORT>(mouse.y)};
  record.Event.MouseEvent.dwButtonState = mouse.buttons;
  record.Event.MouseEvent.dwControlKeyState = mouse.control_state;
  record.Event.MouseEvent.dwEventFlags = mouse.flags;
  return Inject(record);
}

bool InjectResize(int columns, int rows) {
  INPUT_RECORD record{};
  record.EventType = WINDOW_BUFFER_SIZE_EVENT;
  record.Event.WindowBufferSizeEvent.dwSize = COORD{static_cast<SHORT>(columns), static_cast<SHORT>(rows)};
  return Inject(record);
}

void DiscardConsoleInput() {
  HANDLE input = OpenConsoleHandle(L"CONIN$");
  if (input == INVALID_HANDLE_VALUE) return;
  ::FlushConsoleInputBuffer(input);
  ::CloseHandle(input);
}

}  // namespace win32
}  // namespace kel::platform
