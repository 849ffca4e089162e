#include "startup/command_line.h"

#include "textfmt/fold.h"

namespace kel {
namespace {

bool IsSeparator(char c) { return c == ' ' || c == ',' || c == ';' || c == '\t'; }

}  // namespace

CommandLine ParseCommandLine(std::string_view tail) {
  CommandLine line;
  const std::size_t length = tail.size();
  std::size_t start = 0;
  bool inside = false;
  // The position just past the end counts as a separator, so the last argument is closed.
  for (std::size_t pos = 0; pos <= length && line.count < kMaxArguments; ++pos) {
    const bool separator = pos == length || IsSeparator(tail[pos]);
    if (!inside) {
      if (separator) continue;
      inside = true;
      start = pos;
      if (tail[pos] == '"') {
        std::size_t close = tail.find('"', pos + 1);
        pos = close == std::string_view::npos ? length - 1 : close;
      }
      continue;
    }
    if (!separator) continue;
    std::string_view text = tail.substr(start, pos - start);
    if (!text.empty() && text.front() == '"') {
      text.remove_prefix(1);
      if (!text.empty() && text.back() == '"') text.remove_suffix(1);
    }
    line.arguments[line.count++] = FoldText(text);
    inside = false;
  }
  line.session_end = line.arguments[0] == "/OFF";
  return line;
}

}  // namespace kel
