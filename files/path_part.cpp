#include <string>

#include "files/file_utils.h"

namespace kel {

std::string PathPart(std::string_view path, int mask) {
  const std::size_t drive_end = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  std::size_t name_start = drive_end;
  std::size_t extension_start = path.size();
  bool dot_seen = false;
  for (std::size_t i = path.size(); i > drive_end; --i) {
    const char c = path[i - 1];
    if (c == ':' || c == '\\' || c == '/') {
      name_start = i;
      break;
    }
    if (c == '.' && !dot_seen) {
      dot_seen = true;
      extension_start = i - 1;
    }
  }
  std::string part;
  if (mask & kPartDrive) part += path.substr(0, drive_end);
  if (mask & kPartDirectory) part += path.substr(drive_end, name_start - drive_end);
  if (mask & kPartName) part += path.substr(name_start, extension_start - name_start);
  if (mask & kPartExtension) part += path.substr(extension_start);
  return part;
}

}  // namespace kel
