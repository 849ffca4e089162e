#include <string>
#include <vector>

#include "files/file_utils.h"
#include "files/file_utils_state.h"
#include "platform/file_system.h"

namespace kel {

// There is no volume label among the entries a search finds here, so the kind is directory
// or ordinary file.
bool EntryAdmitted(std::uint32_t attributes) {
  const std::uint16_t selection = EntrySelection();
  const std::uint16_t kind = (attributes & platform::kDirectory) ? kSelectDirectory : kSelectFile;
  if ((selection & kind) == 0) return false;
  const std::uint32_t special = attributes & (platform::kReadOnly | platform::kHidden | platform::kSystem);
  if (special == 0) return true;
  return ((special & platform::kReadOnly) && (selection & kSelectReadOnly)) ||
         ((special & platform::kHidden) && (selection & kSelectHidden)) ||
         ((special & platform::kSystem) && (selection & kSelectSystem));
}

// The entry found carries its attributes, taken from the directory it was found in whatever
// separators the path uses.
bool FileExists(std::string_view path) {
  file_utils::SelectFilesWhenNoKind();
  // A path that names no entry, or asks for the volume label, which there is none of here.
  if (path.empty() || path.find_last_of(":\\/") == path.size() - 1) return false;
  if (EntrySelection() & kSelectVolume) return false;
  const std::vector<platform::DirectoryEntry> found = platform::FindFiles(path);
  if (found.empty()) return false;
  return EntryAdmitted(found.front().attributes);
}

}  // namespace kel
