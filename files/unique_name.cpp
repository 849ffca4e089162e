#include <string>

#include "files/file_utils.h"
#include "files/file_utils_state.h"
#include "platform/file_system.h"
#include "platform/random.h"

namespace kel {
namespace {

constexpr std::size_t kNameLength = 8;
constexpr std::size_t kPrefixLength = 3;
constexpr std::size_t kExtensionLength = 3;
constexpr const char* kNameCharacters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string DrawName(const std::string& directory, const std::string& prefix, const std::string& extension) {
  const std::uint32_t characters = static_cast<std::uint32_t>(std::string_view(kNameCharacters).size());
  std::string name = directory + prefix;
  for (std::size_t i = prefix.size(); i < kNameLength; ++i) name += kNameCharacters[platform::RandomBelow(characters)];
  if (!extension.empty()) name += "." + extension;
  return name;
}

struct NameParts {
  std::string folder, start, suffix;
};

NameParts PartsOf(std::string_view directory, std::string_view prefix, std::string_view extension) {
  std::string folder(Trimmed(directory));
  if (!folder.empty() && folder.find_last_of(":\\/") != folder.size() - 1) folder += "\\";
  const std::string start(Trimmed(prefix).substr(0, kPrefixLength));
  std::string_view ending = Trimmed(extension);
  if (!ending.empty() && ending.front() == '.') ending.remove_prefix(1);
  return {folder, start, std::string(ending.substr(0, kExtensionLength))};
}

}  // namespace

// A name counts as free only when no entry at all holds it: the new file is created
// exclusively, so a file or a link planted under the name is neither emptied nor followed.
// Where nothing can be created (a missing directory) a name that FileExists calls free is
// handed out as it is.
std::string UniqueFileName(std::string_view directory, std::string_view prefix, std::string_view extension) {
  const NameParts parts = PartsOf(directory, prefix, extension);
  for (;;) {
    const std::string name = DrawName(parts.folder, parts.start, parts.suffix);
    const platform::FileHandle file = platform::OpenFileHandle(name, platform::OpenMode::CreateNew);
    if (file != platform::kNoFile) {
      platform::CloseFile(file);
      return name;
    }
    if (platform::EntryAttributes(name) < 0 && !FileExists(name)) return name;
  }
}

platform::FileHandle CreateUniqueFile(std::string_view directory, std::string_view prefix,
                                      std::string_view extension, std::string& name) {
  constexpr int kNameDraws = 100;  // names are random: only a place that holds no file fails so often
  const NameParts parts = PartsOf(directory, prefix, extension);
  for (int draw = 0; draw < kNameDraws; ++draw) {
    name = DrawName(parts.folder, parts.start, parts.suffix);
    const platform::FileHandle file = platform::OpenFileHandle(name, platform::OpenMode::CreatePrivate);
    if (file != platform::kNoFile) return file;
  }
  name.clear();
  return platform::kNoFile;
}

}  // namespace kel
