#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/posix/posix_names.h"

namespace kel::platform {
namespace {

// A name can be given in the system's form when it has no control characters or "\" and
// comes back unchanged from program text.
bool AddressableName(std::string_view native_name, const std::string& name) {
  for (const char c : native_name)
    if (static_cast<unsigned char>(c) < 0x20 || c == '\\') return false;
  return posix::ToSystemName(name) == native_name;
}

DirectoryEntry EntryOf(std::string name, std::string_view native_name, const struct stat& info) {
  DirectoryEntry entry;
  entry.name = std::move(name);
  entry.attributes = posix::AttributesOf(info, native_name);
  entry.size = S_ISREG(info.st_mode) ? static_cast<std::int64_t>(info.st_size) : 0;
  entry.last_write = posix::LocalCalendarTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
  return entry;
}

}  // namespace

std::vector<DirectoryEntry> FindFiles(std::string_view pattern_path) {
  std::vector<DirectoryEntry> found;
  const std::string_view directory = DirectoryOf(pattern_path);
  std::string_view pattern = pattern_path.substr(directory.size());
  if (pattern.empty()) pattern = "*";

  // A plain name is looked up, not searched for among all the directory's entries.
  if (pattern.find_first_of("*?") == std::string_view::npos) {
    const std::string native = NativePath(pattern_path);
    const std::string_view native_name = posix::LastComponent(native);
    struct stat info;
    if (native.empty() || native_name == "." || native_name == ".." || native_name == "/" ||
        !posix::EntryStatus(AT_FDCWD, native.c_str(), info))
      return found;
    const std::string name = posix::FromSystemName(native_name);
    if (AddressableName(native_name, name)) found.push_back(EntryOf(name, native_name, info));
    return found;
  }

  const std::string native = directory.empty() ? std::string(".") : NativePath(directory);
  if (native.empty()) return found;

  std::unique_ptr<DIR, int (*)(DIR*)> stream(::opendir(native.c_str()), ::closedir);
  if (!stream) return found;
  const int directory_fd = ::dirfd(stream.get());
  while (const dirent* entry = ::readdir(stream.get())) {
    const std::string_view native_name(entry->d_name);
    if (native_name == "." || native_name == "..") continue;
    std::string name = posix::FromSystemName(native_name);
    if (!WildcardMatch(pattern, name) || !AddressableName(native_name, name)) continue;
    struct stat info;
    if (posix::EntryStatus(directory_fd, entry->d_name, info)) found.push_back(EntryOf(std::move(name), native_name, info));
  }
  return found;
}

}  // namespace kel::platform
