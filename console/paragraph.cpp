// Paragraph layout: lines broken at blanks, each padded to its width by an alignment letter.
//
// Control characters (codes below 32) travel inside the lines without taking room: each one
// taken into a line widens that line's target by one.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "console/message.h"

namespace kel {
namespace {

bool IsControl(unsigned char c) { return c < 32; }
bool IsPrintable(unsigned char c) { return c > 32; }

// Widens the gaps between words, from the left and round again, until the line is full.
void Justify(std::string& line, std::size_t target, std::size_t indent) {
  std::size_t from = indent + 2;
  while (line.size() < target) {
    std::size_t blank = line.find(' ', from);
    if (blank == std::string::npos) blank = line.find(' ', indent);
    if (blank == std::string::npos) return;
    line.insert(blank, 1, ' ');
    from = line.find_first_not_of(' ', blank);
    if (from == std::string::npos) from = line.size();
  }
}

void Pad(std::string& line, std::size_t target, char align, std::size_t indent,
         bool text_goes_on) {
  std::size_t free = target > line.size() ? target - line.size() : 0;
  switch (align) {
    case 'E': case 'L': case 'I':
      line.append(free, ' ');
      break;
    case 'N':
      line.append(free, '-');
      break;
    case 'D': case 'R':
      line.insert(0, free, ' ');
      break;
    case 'C':
      line.insert(0, free / 2, ' ');
      line.append((free + 1) / 2, ' ');
      break;
    case 'A': case 'B':
      // The last line of the text and a line that is one word stay as they are.
      if (text_goes_on && line.find(' ', indent) != std::string::npos) {
        Justify(line, target, indent);
      }
      break;
    default:
      break;
  }
}

}  // namespace

void FormatParagraph(std::string& text, int indent, char align, int width) {
  if (align >= 'a' && align <= 'z') align = static_cast<char>(align - 'a' + 'A');
  const std::size_t length = text.size();
  const std::size_t indent_size = static_cast<std::size_t>(std::abs(indent));
  auto at = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  std::size_t p = 0;
  int c = std::max(indent, 0);
  std::string output;
  while (p < length) {
    long avail = static_cast<long>(width) - c;
    std::size_t taken = 0;
    while (static_cast<long>(taken) < avail && p + taken < length) {
      if (IsControl(at(p + taken))) ++avail;
      ++taken;
    }
    if (taken > 0 && IsPrintable(at(p + taken - 1))) {
      while (p + taken < length && IsControl(at(p + taken))) {
        ++taken;
        ++avail;
      }
    }

    // The break lies after avail characters; inside a word it moves back to the word's start.
    long brk = std::max(avail, 0L);
    auto at_break = [&](long b) -> int {
      std::size_t i = p + static_cast<std::size_t>(b);
      return i < length ? at(i) : -1;
    };
    if (at_break(brk) > 32) {
      while (brk > 0 && at_break(brk) > 32) {
        --brk;
        if (at_break(brk) >= 0 && IsControl(static_cast<unsigned char>(at_break(brk)))) {
          --avail;
        }
      }
    }
    int after = at_break(brk);
    if (after < 0 || IsControl(static_cast<unsigned char>(after))) {
      brk = std::min(brk, static_cast<long>(length - p));
      while (brk > 0 && at(p + static_cast<std::size_t>(brk) - 1) == ' ') --brk;
    }
    // A word longer than the room is cut; a line always takes at least one character, so a
    // width no larger than the indent still ends.
    if (brk <= 0) brk = std::max(avail, 1L);
    std::size_t count = std::min(static_cast<std::size_t>(brk), length - p);

    std::string line(static_cast<std::size_t>(c), ' ');
    line.append(text, p, count);
    p += count;
    while (p < length && text[p] == ' ') ++p;
    std::size_t target = static_cast<std::size_t>(std::max(c + avail, 0L));
    Pad(line, target, align, indent_size, p < length);
    output += line;
    c = indent < 0 ? -indent : 0;
  }
  text = std::move(output);
}

}  // namespace kel
