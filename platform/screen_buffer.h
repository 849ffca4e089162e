// A grid of console cells with a cursor and a text attribute: the screen model that the
// virtual console and the terminal backend share, so both answer writes, reads and scrolls
// the same way. Rows and columns are 1-based.
//
// As the Windows console keeps its screen buffer when the window shrinks, the buffer keeps
// the cells of the largest size it has had; only the visible part (Rows x Columns, from the
// top left) is shown. Writes, reads, scrolls and the cursor reach the whole buffer, so what
// a shrunk window hides comes back when it grows.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/console.h"

namespace kel::platform {

class ScreenBuffer {
 public:
  ScreenBuffer(int rows, int columns);

  // The visible size.
  int Rows() const { return rows_; }
  int Columns() const { return columns_; }
  // The size of the buffer: the largest visible size so far in each direction.
  int BufferRows() const { return buffer_rows_; }
  int BufferColumns() const { return buffer_columns_; }
  // Changes the visible size; the buffer grows to hold it (new cells blank) and never
  // shrinks, and the cursor stays where it is.
  void Resize(int rows, int columns);
  // Blanks every cell of the buffer in the given attribute.
  void Clear(std::uint8_t attribute);

  // Whether a position is inside the buffer.
  bool Contains(int row, int column) const;
  // Whether a position is inside the visible part.
  bool Visible(int row, int column) const;
  // The cell at a position inside the buffer (callers check Contains first).
  Cell& At(int row, int column);
  const Cell& At(int row, int column) const;
  // A blank in attribute 7 outside the buffer.
  Cell Read(int row, int column) const;
  // The cells of a row inside the buffer, from column 1 on, side by side.
  const Cell* RowCells(int row) const { return &At(row, 1); }

  int cursor_row = 1;
  int cursor_column = 1;
  int cursor_size = 25;
  bool cursor_visible = true;
  std::uint8_t attribute = 7;

  // Writes at the cursor and advances it, wrapping at the buffer's right edge; text past
  // the last cell is dropped and the cursor stays on the last cell.
  void WriteText(std::string_view text);
  // Writes cells from a position without moving the cursor, wrapping like WriteText.
  void WriteCells(int row, int column, const Cell* cells, int count);
  void FillAttribute(int row, int column, std::uint8_t fill, int count);
  void ScrollRectangle(int top, int left, int bottom, int right, int lines,
                       std::uint8_t fill_attribute);
  // Puts the cursor at a position; a position outside the buffer leaves it where it is, as
  // the Windows console refuses one.
  void MoveCursor(int row, int column);

 private:
  int rows_;
  int columns_;
  int buffer_rows_;
  int buffer_columns_;
  std::vector<Cell> cells_;
};

}  // namespace kel::platform
