// Turns the screen the program drew into the bytes that make a terminal show it, sending
// only what differs from what the terminal shows already: changed cells, the shortest
// cursor moves between them, and colour changes only where the colour changes. Pure: the
// bytes go to a string, so the terminal backend writes them in one piece and tests read
// them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/screen_buffer.h"
#include "platform/terminal_charset.h"

namespace kel::platform {

class TerminalRenderer {
 public:
  TerminalRenderer(int rows, int columns);

  // Forgets what the terminal shows, so the next frame paints every cell (after a resize,
  // a return from suspension, or to measure a full repaint).
  void Invalidate();
  // Appends to out the bytes that bring the terminal to the screen's cells and cursor.
  void Render(const ScreenBuffer& screen, std::string& out);
  // Whether cursor shapes are sent (the Linux console has none).
  void SetCursorShapes(bool on) { cursor_shapes_ = on; }
  // The terminal's character set (UTF-8 unless set).
  void SetCharacterSet(TerminalCharset charset) { charset_ = charset; }

  // Console colour (Windows order: 1 blue, 2 green, 4 red, 8 bright) to ANSI colour 0-7.
  static int AnsiColour(int console_colour);

 private:
  // What the terminal shows at a position, and whether that is known at all.
  Cell& At(int row, int column);
  bool Known(int row, int column) const;
  void SetShown(int row, int column, Cell cell);
  void MoveTo(int row, int column, std::string& out);
  void SetPen(std::uint8_t attribute, std::string& out);
  // Erases the run of blanks of one colour that starts at a cell, when erasing is cheaper
  // than writing them; the number of cells erased, 0 when they are to be written.
  int EraseBlanks(const ScreenBuffer& screen, int row, int column, std::string& out);
  // Bytes that rewrite the cells between the cursor and a later column on its row, or
  // nothing when they are not known to be in the colour in force.
  bool RewriteGap(int row, int column, std::string& bytes);

  int rows_;
  int columns_;
  std::vector<Cell> shown_;
  std::vector<std::uint8_t> known_;
  // Rows whose every cell is known: a row that also matches the screen byte for byte is
  // passed over in one comparison, so a keystroke costs the rows it changed, not the screen.
  std::vector<std::uint8_t> row_known_;
  const ScreenBuffer* screen_ = nullptr;
  int pen_ = -1;       // attribute in force on the terminal, -1 unknown
  int row_ = 0;        // the terminal's cursor, 0 where unknown
  int column_ = 0;
  int cursor_visible_ = -1;
  int cursor_shape_ = -1;
  bool cursor_shapes_ = true;
  TerminalCharset charset_ = TerminalCharset::Utf8;
};

}  // namespace kel::platform
