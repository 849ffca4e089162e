// A grid of console cells with a cursor and a text attribute: the screen model that the
// virtual console and the terminal backend share, so both answer writes, reads and scrolls
// the same way. Rows and columns are 1-based.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/console.h"

namespace kel::platform {

class ScreenBuffer {
 public:
  ScreenBuffer(int rows, int columns);

  int Rows() const { return rows_; }
  int Columns() const { return columns_; }
  // Changes the size, keeping the cells that still fit and blanking new ones; the cursor is
  // kept inside the screen.
  void Resize(int rows, int columns);
  // Blanks every cell in the given attribute.
  void Clear(std::uint8_t attribute);

  bool Contains(int row, int column) const;
  // The cell at a position inside the screen (callers check Contains first).
  Cell& At(int row, int column);
  const Cell& At(int row, int column) const;
  // A blank in attribute 7 outside the screen.
  Cell Read(int row, int column) const;

  int cursor_row = 1;
  int cursor_column = 1;
  int cursor_size = 25;
  bool cursor_visible = true;
  std::uint8_t attribute = 7;

  // Writes at the cursor and advances it, wrapping at the right edge; text past the last
  // cell is dropped and the cursor stays on the last cell.
  void WriteText(std::string_view text);
  // Writes cells from a position without moving the cursor, wrapping like WriteText.
  void WriteCells(int row, int column, const Cell* cells, int count);
  void FillAttribute(int row, int column, std::uint8_t fill, int count);
  void ScrollRectangle(int top, int left, int bottom, int right, int lines,
                       std::uint8_t fill_attribute);
  // Puts the cursor at a position; a position outside the screen leaves it where it is, as
  // the Windows console refuses one.
  void MoveCursor(int row, int column);

 private:
  int rows_;
  int columns_;
  std::vector<Cell> cells_;
};

}  // namespace kel::platform
