#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "config/ini_text.h"

namespace kel::ini {
namespace {

constexpr std::size_t kReadSize = 64 * 1024;
// No setting needs a line anywhere near this long; a longer one means the file is not a
// settings file, and holding it whole could exhaust the memory.
constexpr std::size_t kLongestLine = 1024 * 1024;

}  // namespace

bool LineChunks::Next(std::string_view& lines) {
  buffer_.erase(0, handed_out_);
  offset_ += static_cast<std::int64_t>(handed_out_);
  handed_out_ = 0;
  while (!ended_) {
    const std::size_t kept = buffer_.size();
    if (kept > kLongestLine) {
      failed_ = true;
      return false;
    }
    buffer_.resize(kept + kReadSize);
    const std::int64_t got = platform::ReadFromFile(file_, buffer_.data() + kept, kReadSize);
    buffer_.resize(kept + static_cast<std::size_t>(got > 0 ? got : 0));
    if (got < 0) {
      failed_ = true;
      return false;
    }
    ended_ = got == 0;
    // What was kept holds no line end: only the new bytes are searched, so that a very long
    // line is not searched again at every read.
    const std::size_t last = std::string_view(buffer_).substr(kept).rfind('\n');
    if (last != std::string_view::npos) {
      handed_out_ = kept + last + 1;
      lines = std::string_view(buffer_).substr(0, handed_out_);
      return true;
    }
  }
  handed_out_ = buffer_.size();
  lines = buffer_;
  return handed_out_ > 0;
}

bool NextLine(std::string_view text, std::size_t& pos, std::string_view& line) {
  if (pos >= text.size()) return false;
  const char* start = text.data() + pos;
  const std::size_t rest = text.size() - pos;
  const void* lf = std::memchr(start, '\n', rest);
  std::size_t length = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : rest;
  pos += lf ? length + 1 : length;
  if (lf && length > 0 && start[length - 1] == '\r') --length;
  line = std::string_view(start, length);
  return true;
}

std::string_view CutComment(std::string_view line) {
  const std::size_t semicolon = line.find(';');
  return semicolon == std::string_view::npos ? line : line.substr(0, semicolon);
}

std::string_view TrimLeadingSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view TrimTrailingSpaces(std::string_view text) {
  const std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view TrimSpaces(std::string_view text) { return TrimTrailingSpaces(TrimLeadingSpaces(text)); }

std::string_view WithoutOuterQuotes(std::string_view value) {
  return value.size() >= 2 && value.front() == '"' && value.back() == '"' ? value.substr(1, value.size() - 2)
                                                                          : value;
}

std::string_view HeaderName(std::string_view header) {
  std::string_view name = header.substr(1);
  const std::size_t close = name.find(']');
  if (close != std::string_view::npos) name = name.substr(0, close);
  return TrimSpaces(name);
}

std::size_t FindSectionHeader(std::string_view text, std::size_t pos, std::string_view section) {
  while ((pos = text.find('[', pos)) != std::string_view::npos) {
    const std::size_t newline = pos == 0 ? std::string_view::npos : text.rfind('\n', pos - 1);
    const std::size_t start = newline == std::string_view::npos ? 0 : newline + 1;
    std::size_t next = start;
    std::string_view line;
    NextLine(text, next, line);
    const std::size_t bracket = pos - start;
    if (line.substr(0, bracket).find_first_not_of(' ') == std::string_view::npos &&
        SameName(HeaderName(CutComment(line.substr(bracket))), section))
      return start;
    pos = next;
  }
  return std::string_view::npos;
}

}  // namespace kel::ini
