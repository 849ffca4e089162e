// The console as the toolkit sees it: a grid of cells of code page 850 characters with
// attributes, a cursor, and a queue of keyboard and mouse input events.
//
// Every call maps onto one Win32 console call, so the Windows backend is a thin layer; the
// POSIX terminal backend emulates them over escape sequences, and the virtual console keeps
// them in memory for tests. Rows and columns are 1-based screen positions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kel::platform {

// One screen cell: a code page 850 character and its attribute (foreground + 16 x background).
struct Cell {
  unsigned char character = ' ';
  unsigned char attribute = 7;
  bool operator==(const Cell&) const = default;
};

// A cursor position on the screen.
struct CursorPlace {
  int row = 1;
  int column = 1;
  bool operator==(const CursorPlace&) const = default;
};

// Control-key state bits of an input event, with the Win32 values.
enum ControlKey : std::uint32_t {
  kRightAlt = 0x01,
  kLeftAlt = 0x02,
  kRightCtrl = 0x04,
  kLeftCtrl = 0x08,
  kShift = 0x10,
};

// Mouse event kinds, with the values the key reader expects.
enum MouseEventKind : std::uint8_t {
  kMouseMoved = 1,
  kMouseDoubleClickOrWheel = 2,
  kMousePressed = 4,
  kMouseReleased = 8,
};

// One console input record.
struct InputEvent {
  enum class Kind : std::uint8_t {
    None,       // nothing (an empty poll)
    Key,        // a key pressed: a character, or an extended key (character 0) by its scan
                // code; Alt with a letter is the letter key's scan code (Alt+X 0x2D), and
                // Shift+Tab is 0x0F
    KeyUp,      // a key or modifier released: control_state is what remains held (0 when
                // every modifier is up)
    Mouse,      // a mouse event
    Resize,     // the visible size changed
  };
  Kind kind = Kind::None;
  unsigned char character = 0;   // code page 850 character, 0 for an extended key
  std::uint8_t scan_code = 0;    // scan code of an extended key (0x3B F1, 0x48 Up ...)
  std::uint32_t control_state = 0;
  std::uint8_t mouse_kind = 0;   // MouseEventKind
  std::uint8_t mouse_button = 0; // 1 left, 2 right; on a release the button released
  std::int16_t mouse_row = 0;
  std::int16_t mouse_column = 0;
};

// A console backend.
class ConsoleDevice {
 public:
  virtual ~ConsoleDevice() = default;

  // Visible size of the console window. The console keeps the cells of the largest size it
  // has had (at least the size at start), as the Windows console keeps its screen buffer
  // when the window shrinks: writes, reads, scrolls and the cursor reach that whole buffer,
  // and what a smaller window hides comes back into view when it grows.
  virtual int Rows() const = 0;
  virtual int Columns() const = 0;

  // Cursor position, shape (size 1-100 percent of the cell) and visibility.
  virtual void SetCursorPosition(int row, int column) = 0;
  virtual CursorPlace CursorPosition() const = 0;
  virtual void SetCursorSize(int percent) = 0;
  virtual void SetCursorVisible(bool visible) = 0;
  virtual bool CursorVisible() const = 0;

  // Attribute used by WriteText and by the blanks of ScrollRectangle.
  virtual void SetTextAttribute(std::uint8_t attribute) = 0;
  virtual std::uint8_t TextAttribute() const = 0;

  // Writes code page 850 text at the cursor in the current attribute and moves the cursor
  // past it; text beyond the right edge continues on the next row, and nothing is written
  // beyond the buffer's last cell.
  virtual void WriteText(std::string_view text) = 0;
  // Writes cells at a position without moving the cursor.
  virtual void WriteCells(int row, int column, const Cell* cells, int count) = 0;
  // Fills count cells from a position with one attribute, keeping their characters.
  virtual void FillAttribute(int row, int column, std::uint8_t attribute, int count) = 0;
  // Character and attribute of one cell; a blank in attribute 7 outside the buffer.
  virtual Cell ReadCell(int row, int column) const = 0;
  // Moves the rectangle's contents up (lines > 0) or down (lines < 0), filling the freed
  // rows with blanks in the given attribute; the rectangle is clipped to the buffer.
  virtual void ScrollRectangle(int top, int left, int bottom, int right, int lines,
                               std::uint8_t fill_attribute) = 0;

  // Takes the next input event without waiting; Kind::None when the queue is empty.
  virtual InputEvent PollInput() = 0;
  // The event PollInput would take next, left in the queue; Kind::None when none is queued.
  virtual InputEvent PeekInput() = 0;
  // Blocks until input is queued or the timeout passes (negative: no timeout); true when
  // input is waiting. Pending output is shown first.
  virtual bool WaitForInput(int timeout_ms) = 0;
  // Number of mouse buttons, 0 when the console reports no mouse.
  virtual int MouseButtons() const = 0;
  // Turns the reporting of mouse events on or off.
  virtual void SetMouseReporting(bool on) = 0;

  // Sounds the bell.
  virtual void SoundBell() = 0;
  // Shows all pending output now.
  virtual void Flush() = 0;

  // The Insert toggle, shared by every field of the session.
  virtual bool InsertMode() const = 0;
  virtual void SetInsertMode(bool on) = 0;

  // Clipboard text as code page 850; empty when there is none.
  virtual std::string ClipboardText() = 0;
  virtual void SetClipboardText(std::string_view text) = 0;
};

// The console in use; the platform's own terminal, opened on first use, unless another was
// installed. A process without a terminal gets an in-memory console of 25 x 80.
ConsoleDevice& Console();
// False when the console in use is the in-memory one given for want of a terminal: nobody
// could answer a question asked on it.
bool ConsoleIsInteractive();
// Installs a console (tests install the virtual console); an empty pointer goes back to the
// platform's own.
void InstallConsole(std::unique_ptr<ConsoleDevice> console);
// Restores the terminal to the state the program found it in (run on every exit path, and
// before a child program takes the terminal); the next output or input wait takes it back.
void RestoreConsole();

}  // namespace kel::platform
