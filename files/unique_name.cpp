#include <random>
#include <string>

#include "files/file_utils.h"
#include "files/file_utils_state.h"
#include "platform/file_system.h"

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
  std::mt19937 generator(file_utils::NextNameSeed());
  std::uniform_int_distribution<int> character(0, 35);
  std::string name = directory + prefix;
  for (std::size_t i = prefix.size(); i < kNameLength; ++i) name += kNameCharacters[character(generator)];
  if (!extension.empty()) name += "." + extension;
  return name;
}

}  // namespace

// A name counts as free only when no entry at all holds it: the new file is created
// exclusively, so a file or a link planted under the name is neither emptied nor followed.
// Where nothing can be created (a missing directory) a name that FileExists calls free is
// handed out as it is.
std::string UniqueFileName(std::string_view directory, std::string_view prefix, std::string_view extension) {
  std::string folder(Trimmed(directory));
  if (!folder.empty() && folder.find_last_of(":\\/") != folder.size() - 1) folder += "\\";
  const std::string start(Trimmed(prefix).substr(0, kPrefixLength));
  std::string_view ending = Trimmed(extension);
  if (!ending.empty() && ending.front() == '.') ending.remove_prefix(1);
  const std::string suffix(ending.substr(0, kExtensionLength));

  for (;;) {
    const std::string name = DrawName(folder, start, suffix);
    const platform::FileHandle file = platform::OpenFileHandle(name, platform::OpenMode::CreateNew);
    if (file != platform::kNoFile) {
      platform::CloseFile(file);
      return name;
    }
    if (platform::EntryAttributes(name) < 0 && !FileExists(name)) return name;
  }
}

}  // namespace kel
