#include "platform/terminal_renderer.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace kel::platform {
namespace {

void AppendNumber(std::string& out, int value) { out += std::to_string(value); }

// CSI n letter, with n left out where it is 1.
std::string Relative(int count, char letter) {
  std::string out = "\x1b[";
  if (count != 1) AppendNumber(out, count);
  out += letter;
  return out;
}

std::string Absolute(int row, int column) {
  std::string out = "\x1b[";
  if (row != 1 || column != 1) {
    AppendNumber(out, row);
    if (column != 1) {
      out += ';';
      AppendNumber(out, column);
    }
  }
  out += 'H';
  return out;
}

void KeepShorter(std::string& best, std::string candidate) {
  if (candidate.size() < best.size()) best = std::move(candidate);
}

// Shorter runs of blanks are cheaper written than erased and skipped.
constexpr int kMinimumErasedRun = 12;

// DECSCUSR shapes: steady block for a full or nearly full cursor, steady underline else.
int CursorShape(int size) { return size >= 75 ? 2 : 4; }

}  // namespace

// Rows are compared as bytes: a cell's bytes must be all there is to it.
static_assert(std::has_unique_object_representations_v<Cell>);

TerminalRenderer::TerminalRenderer(int rows, int columns)
    : rows_(rows),
      columns_(columns),
      shown_(static_cast<std::size_t>(std::max(rows, 1)) * static_cast<std::size_t>(std::max(columns, 1))),
      known_(shown_.size(), 0),
      row_known_(static_cast<std::size_t>(std::max(rows, 1)), 0) {}

int TerminalRenderer::AnsiColour(int console_colour) {
  return (console_colour & 1) << 2 | (console_colour & 2) | (console_colour & 4) >> 2;
}

void TerminalRenderer::Invalidate() {
  std::fill(known_.begin(), known_.end(), std::uint8_t{0});
  std::fill(row_known_.begin(), row_known_.end(), std::uint8_t{0});
  pen_ = -1;
  row_ = 0;
  column_ = 0;
  cursor_visible_ = -1;
  cursor_shape_ = -1;
}

Cell& TerminalRenderer::At(int row, int column) {
  return shown_[static_cast<std::size_t>((row - 1) * columns_ + (column - 1))];
}

bool TerminalRenderer::Known(int row, int column) const {
  return known_[static_cast<std::size_t>((row - 1) * columns_ + (column - 1))] != 0;
}

void TerminalRenderer::SetShown(int row, int column, Cell cell) {
  const auto index = static_cast<std::size_t>((row - 1) * columns_ + (column - 1));
  shown_[index] = cell;
  known_[index] = 1;
}

void TerminalRenderer::Render(const ScreenBuffer& screen, std::string& out) {
  if (screen.Rows() != rows_ || screen.Columns() != columns_) {
    rows_ = screen.Rows();
    columns_ = screen.Columns();
    shown_.assign(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_), Cell{});
    known_.assign(shown_.size(), 0);
    row_known_.assign(static_cast<std::size_t>(rows_), 0);
    Invalidate();
  }
  screen_ = &screen;
  const std::size_t row_bytes = static_cast<std::size_t>(columns_) * sizeof(Cell);
  for (int row = 1; row <= rows_; ++row) {
    std::uint8_t& row_known = row_known_[static_cast<std::size_t>(row - 1)];
    if (row_known && std::memcmp(screen.RowCells(row), &At(row, 1), row_bytes) == 0) continue;
    for (int column = 1; column <= columns_; ++column) {
      const Cell& wanted = screen.At(row, column);
      if (Known(row, column) && At(row, column) == wanted) continue;
      const int erased = EraseBlanks(screen, row, column, out);
      if (erased > 0) {
        column += erased - 1;
        continue;
      }
      MoveTo(row, column, out);
      SetPen(wanted.attribute, out);
      AppendTerminalGlyph(out, wanted.character, charset_);
      SetShown(row, column, wanted);
      // After the last column the terminal waits to wrap, and terminals disagree on where
      // relative moves go from there.
      column_ = column < columns_ ? column + 1 : 0;
    }
    // Every cell of the row has been written, erased or found as shown.
    row_known = 1;
  }
  // A cursor in the part of the buffer that a shrunk terminal hides is not shown.
  const bool visible =
      screen.cursor_visible && screen.Visible(screen.cursor_row, screen.cursor_column);
  if (visible) {
    MoveTo(screen.cursor_row, screen.cursor_column, out);
    if (cursor_shapes_) {
      const int shape = CursorShape(screen.cursor_size);
      if (shape != cursor_shape_) {
        out += "\x1b[";
        AppendNumber(out, shape);
        out += " q";
        cursor_shape_ = shape;
      }
    }
  }
  if (cursor_visible_ != static_cast<int>(visible)) {
    out += visible ? "\x1b[?25h" : "\x1b[?25l";
    cursor_visible_ = visible;
  }
  screen_ = nullptr;
}

int TerminalRenderer::EraseBlanks(const ScreenBuffer& screen, int row, int column,
                                  std::string& out) {
  const Cell blank{' ', screen.At(row, column).attribute};
  if (!(screen.At(row, column) == blank)) return 0;
  int end = column;
  int changed = 0;
  while (end <= columns_ && screen.At(row, end) == blank) {
    if (!Known(row, end) || !(At(row, end) == blank)) ++changed;
    ++end;
  }
  const int count = end - column;
  std::string erase;
  if (end > columns_) {
    // The rest of the row: "ESC [ K" for three bytes, against one for each blank written.
    if (changed <= 3) return 0;
    erase = "\x1b[K";
  } else {
    // Inside a row: "ESC [ n X" and a move past the run pay off for long runs only.
    if (count < kMinimumErasedRun) return 0;
    erase = "\x1b[" + std::to_string(count) + "X";
  }
  MoveTo(row, column, out);
  SetPen(blank.attribute, out);
  out += erase;
  for (int c = column; c < end; ++c) SetShown(row, c, blank);
  return count;
}

bool TerminalRenderer::RewriteGap(int row, int column, std::string& bytes) {
  if (screen_ == nullptr || row != row_ || column <= column_ || pen_ < 0) return false;
  for (int c = column_; c < column; ++c) {
    if (!Known(row, c) || At(row, c).attribute != pen_) return false;
    AppendTerminalGlyph(bytes, At(row, c).character, charset_);
  }
  return true;
}

void TerminalRenderer::MoveTo(int row, int column, std::string& out) {
  if (row == row_ && column == column_) return;
  std::string best = Absolute(row, column);
  if (row_ > 0 && column_ > 0) {
    std::string vertical;
    if (row > row_) {
      // Output processing is off, so a line feed moves straight down.
      vertical = row - row_ <= 3 ? std::string(static_cast<std::size_t>(row - row_), '\n')
                                 : Relative(row - row_, 'B');
    } else if (row < row_) {
      vertical = Relative(row_ - row, 'A');
    }
    std::string horizontal;
    if (column != column_) {
      horizontal = "\x1b[";
      AppendNumber(horizontal, column);
      horizontal += 'G';
      if (column > column_) {
        KeepShorter(horizontal, Relative(column - column_, 'C'));
        std::string gap;
        if (row == row_ && RewriteGap(row, column, gap)) KeepShorter(horizontal, gap);
      } else {
        KeepShorter(horizontal, Relative(column_ - column, 'D'));
        KeepShorter(horizontal, std::string(static_cast<std::size_t>(column_ - column), '\b'));
      }
      std::string from_start = "\r";
      if (column > 1) from_start += Relative(column - 1, 'C');
      KeepShorter(horizontal, std::move(from_start));
    }
    KeepShorter(best, vertical + horizontal);
  }
  out += best;
  row_ = row;
  column_ = column;
}

void TerminalRenderer::SetPen(std::uint8_t attribute, std::string& out) {
  if (pen_ == attribute) return;
  const int foreground = attribute & 15;
  const int background = attribute >> 4;
  const int foreground_code = (foreground & 8 ? 90 : 30) + AnsiColour(foreground);
  const int background_code = (background & 8 ? 100 : 40) + AnsiColour(background);
  out += "\x1b[";
  if (pen_ < 0) {
    out += "0;";
    AppendNumber(out, foreground_code);
    out += ';';
    AppendNumber(out, background_code);
  } else if ((pen_ & 15) == foreground) {
    AppendNumber(out, background_code);
  } else if ((pen_ >> 4) == background) {
    AppendNumber(out, foreground_code);
  } else {
    AppendNumber(out, foreground_code);
    out += ';';
    AppendNumber(out, background_code);
  }
  out += 'm';
  pen_ = attribute;
}

}  // namespace kel::platform
