#include "platform/path_text.h"

namespace kel {

std::string_view DirectoryOf(std::string_view path) {
  const std::size_t cut = path.find_last_of(":\\/");
  return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
}

std::string WithTrailingSeparator(std::string directory) {
  if (!directory.empty() && directory.back() != ':' && directory.back() != '\\' && directory.back() != '/')
    directory += '\\';
  return directory;
}

}  // namespace kel
