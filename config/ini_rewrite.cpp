#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "config/ini_text.h"
#include "platform/file_system.h"

namespace kel::ini {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
// The new text goes out in writes of this size; bigger pieces are written as they are.
constexpr std::size_t kWriteSize = 64 * 1024;
// Blank lines held back beyond this size are not kept in memory but read again from the old
// file when their turn comes, so that a file ending in hundreds of megabytes of comments
// needs no more memory than a small one.
constexpr std::size_t kHeldInMemory = 1024 * 1024;
// Pieces of held-back lines read again: longer than the longest line a settings file may
// hold, so that each piece but the last ends with a line end.
constexpr std::size_t kRereadSize = 2 * 1024 * 1024;

bool IsBlank(std::string_view line) { return TrimSpaces(CutComment(line)).empty(); }

// Where the run of blank lines that ends the text begins, looking no further back than from
// (a line start).
std::size_t TrailingBlankLines(std::string_view text, std::size_t from) {
  std::size_t end = text.size();
  while (end > from) {
    std::size_t content_end = end;
    if (text[content_end - 1] == '\n') --content_end;
    const std::size_t newline = content_end == 0 ? std::string_view::npos : text.rfind('\n', content_end - 1);
    const std::size_t start = newline == std::string_view::npos || newline < from ? from : newline + 1;
    std::size_t next = start;
    std::string_view line;
    NextLine(text, next, line);
    if (!IsBlank(line)) break;
    end = start;
  }
  return end;
}

class Output {
 public:
  explicit Output(platform::FileHandle file) : file_(file) { buffer_.reserve(kWriteSize); }

  void Add(std::string_view piece) {
    if (buffer_.size() + piece.size() > kWriteSize) Flush();
    if (piece.size() < kWriteSize)
      buffer_ += piece;
    else
      written_ = written_ && platform::WriteToFile(file_, piece.data(), piece.size());
  }

  // True when everything was written.
  bool Finish() {
    Flush();
    return written_;
  }

 private:
  void Flush() {
    written_ = written_ && platform::WriteToFile(file_, buffer_.data(), buffer_.size());
    buffer_.clear();
  }

  const platform::FileHandle file_;
  std::string buffer_;
  bool written_ = true;
};

// One pass over the old text. Blank lines are held back until the next non-blank line, so
// that an entry added at the end of a section sits right after its last setting and the blank
// lines keep separating it from the next section.
class Rewrite {
 public:
  Rewrite(platform::FileHandle in, Output& out, std::string_view section, std::string_view key,
          std::string_view value)
      : in_(in), out_(out), section_(section), key_(key), value_(value),
        wanted_section_(TrimSpaces(section)), wanted_key_(TrimSpaces(key)) {}

  // The next run of the old file's lines, which starts at offset in the file.
  void Chunk(std::string_view text, std::int64_t offset) {
    chunk_ = text;
    chunk_offset_ = offset;
    Text(text);
  }

  // Lines outside the wanted section are copied as they are, so the text up to the next
  // header of that section is copied in one piece, with its line ends made CRLF. Only the
  // blank lines at the end wait, for an entry appended after them if the file ends there.
  void Text(std::string_view text) {
    std::size_t pos = 0;
    std::string_view line;
    while (pos < text.size()) {
      if (!in_section_ && !holding_) {
        const std::size_t header = FindSectionHeader(text, pos, wanted_section_);
        if (header == std::string_view::npos) {
          const std::size_t tail = TrailingBlankLines(text, pos);
          CopyLines(text.substr(pos, tail - pos));
          for (pos = tail; NextLine(text, pos, line);) Line(line);
          return;
        }
        CopyLines(text.substr(pos, header - pos));
        pos = header;
      }
      NextLine(text, pos, line);
      Line(line);
    }
  }

  void Line(std::string_view line) {
    const std::string_view analysed = TrimSpaces(CutComment(line));
    if (analysed.empty()) {
      HoldBack(line);
      return;
    }
    const bool header = analysed.front() == '[';
    if (in_section_ && header) {
      if (!written_) AppendEntry();
      CopyHeldBack();
      Copy(line);
      in_section_ = false;
      return;
    }
    CopyHeldBack();
    if (!in_section_) {
      if (header && SameName(HeaderName(analysed), wanted_section_)) {
        in_section_ = true;
        if (key_.empty()) return;
      }
      Copy(line);
      return;
    }
    const std::size_t equals = analysed.find('=');
    if (equals != std::string_view::npos &&
        (key_.empty() || SameName(TrimTrailingSpaces(analysed.substr(0, equals)), wanted_key_))) {
      written_ = true;
      if (key_.empty() || value_.empty()) return;
      // The key keeps its spelling and indentation as found; its old value and comment go.
      Emit({line.substr(0, line.find('=') + 1), value_, kLineEnd});
      return;
    }
    Copy(line);
  }

  void Finish() {
    if (!written_) AppendEntry();
    CopyHeldBack();
  }

 private:
  void Emit(std::initializer_list<std::string_view> pieces) {
    for (const std::string_view piece : pieces) out_.Add(piece);
  }

  void Copy(std::string_view line) { Emit({line, kLineEnd}); }

  // Whole lines, the last one perhaps without its line end; only lone LFs need a change.
  void CopyLines(std::string_view lines) {
    std::size_t run = 0;
    for (std::size_t newline = lines.find('\n'); newline != std::string_view::npos;
         newline = lines.find('\n', newline + 1)) {
      if (newline > 0 && lines[newline - 1] == '\r') continue;
      Emit({lines.substr(run, newline - run), kLineEnd});
      run = newline + 1;
    }
    if (run < lines.size()) Emit({lines.substr(run)});
    if (!lines.empty() && lines.back() != '\n') Emit({kLineEnd});
  }

  // A blank line (a view into the current chunk) joins the run held back: in memory while
  // the run is short, else as the run's end in the old file.
  void HoldBack(std::string_view line) {
    std::size_t end = static_cast<std::size_t>(line.data() - chunk_.data()) + line.size();
    if (end < chunk_.size() && chunk_[end] == '\r') ++end;
    if (end < chunk_.size() && chunk_[end] == '\n') ++end;
    const std::int64_t line_start = chunk_offset_ + (line.data() - chunk_.data());
    if (!holding_) held_start_ = line_start;
    holding_ = true;
    held_end_ = chunk_offset_ + static_cast<std::int64_t>(end);
    if (held_in_file_) return;
    held_back_ += line;
    held_back_ += kLineEnd;
    if (held_back_.size() > kHeldInMemory && in_ != platform::kNoFile) {
      held_in_file_ = true;
      held_back_.clear();
      held_back_.shrink_to_fit();
    }
  }

  void CopyHeldBack() {
    if (held_in_file_) {
      std::string piece(kRereadSize, '\0');
      for (std::int64_t at = held_start_; at < held_end_ && reread_ok_;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(held_end_ - at, kRereadSize));
        const std::int64_t got = platform::ReadFromFileAt(in_, at, piece.data(), want);
        if (got <= 0) {
          reread_ok_ = false;
          break;
        }
        std::string_view lines(piece.data(), static_cast<std::size_t>(got));
        if (at + got < held_end_) lines = lines.substr(0, lines.rfind('\n') + 1);
        if (lines.empty()) {
          reread_ok_ = false;
          break;
        }
        CopyLines(lines);
        at += static_cast<std::int64_t>(lines.size());
      }
    } else {
      out_.Add(held_back_);
    }
    held_back_.clear();
    holding_ = held_in_file_ = false;
  }

  void AppendEntry() {
    if (section_.empty() || key_.empty() || value_.empty()) return;
    if (!in_section_) Emit({"[", section_, "]", kLineEnd});
    Emit({key_, "=", value_, kLineEnd});
    written_ = true;
  }

  const platform::FileHandle in_;
  Output& out_;
  const std::string_view section_, key_, value_;
  const std::string_view wanted_section_, wanted_key_;
  bool in_section_ = false;
  bool written_ = false;
  std::string held_back_;  // whole lines, each with its CRLF
  // The held-back run as it stands in the old file, and whether it is read from there.
  bool holding_ = false, held_in_file_ = false;
  std::int64_t held_start_ = 0, held_end_ = 0;
  bool reread_ok_ = true;
  std::string_view chunk_;
  std::int64_t chunk_offset_ = 0;

 public:
  // False when held-back lines could not be read again.
  bool Reread() const { return reread_ok_; }
};

}  // namespace

bool RewriteIniFile(platform::FileHandle in, platform::FileHandle out, std::string_view section,
                    std::string_view key, std::string_view value) {
  Output output(out);
  Rewrite rewrite(in, output, section, key, value);
  if (in != platform::kNoFile) {
    LineChunks chunks(in);
    std::string_view lines;
    while (chunks.Next(lines)) rewrite.Chunk(lines, chunks.Offset());
    if (chunks.Failed()) return false;
  }
  rewrite.Finish();
  return output.Finish() && rewrite.Reread();
}

}  // namespace kel::ini
