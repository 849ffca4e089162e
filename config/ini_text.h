// How the settings reader and writer see the lines of a settings file.
//
// A line is analysed after cutting it at its first ";" (the comment) and trimming spaces; a
// header's first non-space character is "[", a key line holds "=". Names compare after
// folding a-z and the code page 850 letters ä ö ü é ñ å ç to capitals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kel::ini {

// Reads an open file in runs of whole lines, so that a file of any size is gone through with
// a buffer of about the size of one read. A line longer than a megabyte counts as a failure
// to read.
class LineChunks {
 public:
  explicit LineChunks(platform::FileHandle file) : file_(file) {}
  // The next run of whole lines (the file's last line may lack its line end), valid until the
  // next call; false at the end of the file or when reading fails.
  bool Next(std::string_view& lines);
  // True when reading failed before the end of the file (or met an overlong line).
  bool Failed() const { return failed_; }
  // Offset in the file of the first byte of the run of lines that Next gave last.
  std::int64_t Offset() const { return offset_; }

 private:
  platform::FileHandle file_;
  std::string buffer_;
  std::size_t handed_out_ = 0;
  std::int64_t offset_ = 0;
  bool ended_ = false;
  bool failed_ = false;
};

// Takes the next line of a file's text from pos, without its LF or CRLF; false at the end.
// A last line without a line end still counts.
bool NextLine(std::string_view text, std::size_t& pos, std::string_view& line);

// The line up to its first ";".
std::string_view CutComment(std::string_view line);

// The text without its leading spaces.
std::string_view TrimLeadingSpaces(std::string_view text);
// The text without its trailing spaces.
std::string_view TrimTrailingSpaces(std::string_view text);
// The text without spaces at either end.
std::string_view TrimSpaces(std::string_view text);

// Name of a header (analysed text starting with "["): up to the first "]" or the end, trimmed.
std::string_view HeaderName(std::string_view header);

// Start of the first header line at or after pos (a line start) that names the section;
// npos when there is none. Only lines holding "[" are looked at, so long stretches of other
// settings pass at the speed of a memory search.
std::size_t FindSectionHeader(std::string_view text, std::size_t pos, std::string_view section);

// A stored value as a reader gets it back: one outer pair of double quotes goes.
std::string_view WithoutOuterQuotes(std::string_view value);

// True when two names are equal once folded.
bool SameName(std::string_view a, std::string_view b);

// Copies the text of a settings file from in (kNoFile when there is no file yet) to out, with
// key=value stored in a section (an empty value deletes the key, an empty key the section)
// and every line ending in CRLF; false when reading or writing fails.
bool RewriteIniFile(platform::FileHandle in, platform::FileHandle out, std::string_view section,
                    std::string_view key, std::string_view value);

}  // namespace kel::ini
