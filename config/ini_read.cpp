#include <string>
#include <string_view>

#include "config/ini.h"
#include "config/ini_text.h"
#include "platform/file_system.h"

namespace kel {
namespace {

// The raw value of a key: only the first section of that name is searched, and within it the
// first line of that key wins. Reading stops there.
std::string FindValue(platform::FileHandle file, std::string_view section, std::string_view key) {
  ini::LineChunks chunks(file);
  bool in_section = false;
  std::string_view lines, line;
  while (chunks.Next(lines)) {
    std::size_t pos = 0;
    if (!in_section) {
      pos = ini::FindSectionHeader(lines, 0, section);
      if (pos == std::string_view::npos) continue;
      ini::NextLine(lines, pos, line);
      in_section = true;
    }
    while (ini::NextLine(lines, pos, line)) {
      const std::string_view body = ini::TrimLeadingSpaces(ini::CutComment(line));
      if (body.empty()) continue;
      if (body.front() == '[') return {};
      const std::size_t equals = body.find('=');
      if (equals != std::string_view::npos &&
          ini::SameName(ini::TrimTrailingSpaces(body.substr(0, equals)), key))
        return std::string(body.substr(equals + 1));
    }
  }
  return {};
}

}  // namespace

std::string ReadIniKey(std::string_view file, std::string_view section, std::string_view key) {
  // Only a regular file: a FIFO or a device planted under the name would hang or never end.
  const platform::FileHandle handle = platform::OpenRegularFile(file, false);
  if (handle == platform::kNoFile) return {};
  std::string value = FindValue(handle, ini::TrimSpaces(section), ini::TrimSpaces(key));
  platform::CloseFile(handle);
  return std::string(ini::WithoutOuterQuotes(value));
}

}  // namespace kel
