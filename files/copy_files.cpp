#include <string>

#include "files/file_utils.h"
#include "files/file_utils_state.h"
#include "platform/process.h"
#include "platform/file_system.h"
#include "platform/path_text.h"

namespace kel {
namespace {

// The destination takes the source's bytes and ends where the source ends; when the source
// cannot be opened, an existing destination keeps its content and a missing one is made
// empty. The destination is overwritten rather than emptied first, so a file copied onto
// itself stays whole. The platform copies in bounded pieces, so a large file never needs a
// buffer of its size.
bool CopyOneFile(const std::string& source, const std::string& destination) {
  bool copied_all = false;
  const platform::FileHandle from = platform::OpenFileHandle(source, platform::OpenMode::Read, platform::ShareMode::None);
  const platform::FileHandle to = platform::OpenFileHandle(destination, platform::OpenMode::OpenOrCreate);
  if (from != platform::kNoFile && to != platform::kNoFile) {
    const std::int64_t size = platform::FileSize(from);
    const std::int64_t copied = size > 0 ? platform::CopyFileData(from, to, size) : size;
    // Cutting a file that already ends there would still cost the file system a journal entry.
    copied_all = copied == size && (platform::FileSize(to) == copied || platform::ResizeFile(to, copied));
  }
  if (from != platform::kNoFile) platform::CloseFile(from);
  if (to != platform::kNoFile) copied_all = platform::CloseFile(to) && copied_all;
  return copied_all;
}

}  // namespace

// The destination is opened never through a link and only as a regular file, so a link
// planted at its name in a shared directory does not lend its target to the copy.
bool CopyFiles(std::string_view source_pattern, std::string_view destination) {
  const std::string source_directory(DirectoryOf(source_pattern));
  const std::string destination_directory(DirectoryOf(destination));
  // The destination is read once for the whole copy, not again after every file copied.
  const platform::BulkDirectoryChanges bulk;
  OpenFileListing(source_pattern);
  bool copied_all = file_utils::State().listings.front().file != platform::kNoFile;
  std::string name;
  while (!NextListedFile(name)) copied_all = CopyOneFile(source_directory + name, destination_directory + name) && copied_all;
  CloseFileListing();
  return copied_all;
}

std::int32_t FreePhysicalMemory() {
  constexpr std::uint64_t kMost = 2'147'483'647;
  const std::uint64_t available = platform::FreePhysicalMemory();
  return static_cast<std::int32_t>(available > kMost ? kMost : available);
}

}  // namespace kel
