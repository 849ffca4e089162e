#include <string>
#include <vector>

#include "files/file_utils.h"
#include "files/file_utils_state.h"
#include "platform/file_system.h"
#include "platform/path_text.h"

namespace kel {
namespace {

// Deletes every file the search of the pattern finds: directories, hidden and system entries
// stay; a read-only file stops the deletion with its failure. The count of files found comes
// back through matched.
int DeleteMatchingFiles(std::string_view pattern, int& matched) {
  const std::string directory(DirectoryOf(pattern));
  matched = 0;
  for (const platform::DirectoryEntry& entry : platform::FindFiles(pattern)) {
    if (entry.attributes & (platform::kDirectory | platform::kHidden | platform::kSystem)) continue;
    ++matched;
    if (!platform::RemoveFile(directory + entry.name)) return platform::LastErrorCode();
  }
  return 0;
}

}  // namespace

// Only "\" separates levels here, and a drive's root is never created.
int MakeDirectoryPath(std::string_view path) {
  std::size_t length = path.size();
  while (length > 0 && path[length - 1] == ' ') --length;
  const std::string levels = std::string(path) + "\\";
  const std::size_t colon = path.find(':');
  // 1-based positions as the levels are counted: p is just past the drive.
  std::size_t p = colon == std::string_view::npos ? 1 : colon + 2;
  bool created = false;
  do {
    const std::size_t next = levels.find('\\', p);  // 0-based index p is 1-based position p + 1
    if (next == std::string::npos) break;
    p = next + 1;
    created = platform::MakeDirectory(levels.substr(0, p - 1));
  } while (p < length);
  return created ? 0 : -1;
}

// A link is never looked through: a link planted under the name of a directory would
// otherwise hand over that directory's files.
int RemoveFileOrDirectory(std::string_view path) {
  if (platform::KindOfEntry(path) == platform::EntryKind::Link)
    return platform::RemoveFile(path) ? 0 : platform::LastErrorCode();
  int matched = 0;
  int failure = DeleteMatchingFiles(path, matched);
  if (matched > 0 && failure == 0) return 0;

  std::string directory(path);
  failure = DeleteMatchingFiles(directory + "\\*.*", matched);
  if (failure != 0) return failure;
  return platform::RemoveEmptyDirectory(directory) ? 0 : platform::LastErrorCode();
}

}  // namespace kel
