#include "platform/screen_buffer.h"

#include <algorithm>

namespace kel::platform {

ScreenBuffer::ScreenBuffer(int rows, int columns)
    : rows_(std::max(rows, 1)),
      columns_(std::max(columns, 1)),
      buffer_rows_(rows_),
      buffer_columns_(columns_),
      cells_(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_)) {}

void ScreenBuffer::Resize(int rows, int columns) {
  rows_ = std::max(rows, 1);
  columns_ = std::max(columns, 1);
  const int new_rows = std::max(rows_, buffer_rows_);
  const int new_columns = std::max(columns_, buffer_columns_);
  if (new_rows == buffer_rows_ && new_columns == buffer_columns_) return;
  std::vector<Cell> grown(static_cast<std::size_t>(new_rows) * static_cast<std::size_t>(new_columns));
  for (int r = 1; r <= buffer_rows_; ++r) {
    for (int c = 1; c <= buffer_columns_; ++c) {
      grown[static_cast<std::size_t>((r - 1) * new_columns + (c - 1))] = At(r, c);
    }
  }
  buffer_rows_ = new_rows;
  buffer_columns_ = new_columns;
  cells_ = std::move(grown);
}

void ScreenBuffer::Clear(std::uint8_t fill) {
  std::fill(cells_.begin(), cells_.end(), Cell{' ', fill});
}

bool ScreenBuffer::Contains(int row, int column) const {
  return row >= 1 && row <= buffer_rows_ && column >= 1 && column <= buffer_columns_;
}

bool ScreenBuffer::Visible(int row, int column) const {
  return row >= 1 && row <= rows_ && column >= 1 && column <= columns_;
}

Cell& ScreenBuffer::At(int row, int column) {
  return cells_[static_cast<std::size_t>((row - 1) * buffer_columns_ + (column - 1))];
}

const Cell& ScreenBuffer::At(int row, int column) const {
  return cells_[static_cast<std::size_t>((row - 1) * buffer_columns_ + (column - 1))];
}

Cell ScreenBuffer::Read(int row, int column) const {
  return Contains(row, column) ? At(row, column) : Cell{};
}

void ScreenBuffer::WriteText(std::string_view text) {
  for (char ch : text) {
    if (!Contains(cursor_row, cursor_column)) break;
    At(cursor_row, cursor_column) = Cell{static_cast<unsigned char>(ch), attribute};
    if (cursor_column < buffer_columns_) {
      ++cursor_column;
    } else if (cursor_row < buffer_rows_) {
      ++cursor_row;
      cursor_column = 1;
    } else {
      // The last cell is written; whatever follows has no place on the screen.
      break;
    }
  }
}

void ScreenBuffer::WriteCells(int row, int column, const Cell* cells, int count) {
  if (cells == nullptr || !Contains(row, column)) return;
  int index = (row - 1) * buffer_columns_ + (column - 1);
  const int end = std::min(index + std::max(count, 0), buffer_rows_ * buffer_columns_);
  for (int i = 0; index < end; ++index, ++i) cells_[static_cast<std::size_t>(index)] = cells[i];
}

void ScreenBuffer::FillAttribute(int row, int column, std::uint8_t fill, int count) {
  if (!Contains(row, column)) return;
  int index = (row - 1) * buffer_columns_ + (column - 1);
  const int end = std::min(index + std::max(count, 0), buffer_rows_ * buffer_columns_);
  for (; index < end; ++index) cells_[static_cast<std::size_t>(index)].attribute = fill;
}

void ScreenBuffer::ScrollRectangle(int top, int left, int bottom, int right, int lines,
                                   std::uint8_t fill_attribute) {
  top = std::max(top, 1);
  left = std::max(left, 1);
  bottom = std::min(bottom, buffer_rows_);
  right = std::min(right, buffer_columns_);
  if (top > bottom || left > right || lines == 0) return;
  const int height = bottom - top + 1;
  const Cell blank{' ', fill_attribute};
  if (lines >= height || -lines >= height) {
    for (int r = top; r <= bottom; ++r) {
      for (int c = left; c <= right; ++c) At(r, c) = blank;
    }
    return;
  }
  if (lines > 0) {
    for (int r = top; r <= bottom; ++r) {
      for (int c = left; c <= right; ++c) At(r, c) = r + lines <= bottom ? At(r + lines, c) : blank;
    }
  } else {
    const int down = -lines;
    for (int r = bottom; r >= top; --r) {
      for (int c = left; c <= right; ++c) At(r, c) = r - down >= top ? At(r - down, c) : blank;
    }
  }
}

void ScreenBuffer::MoveCursor(int row, int column) {
  if (!Contains(row, column)) return;
  cursor_row = row;
  cursor_column = column;
}

}  // namespace kel::platform
