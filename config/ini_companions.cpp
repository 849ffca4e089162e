#include "config/ini_companions.h"

#include <string>
#include <string_view>

#include "config/ini_text.h"
#include "platform/file_system.h"
#include "platform/name_case.h"
#include "platform/path_text.h"
#include "platform/random.h"

namespace kel::ini {
namespace {

constexpr std::string_view kLockSuffix = ".lck";
constexpr std::string_view kRewriteSuffix = ".tmp";
constexpr std::size_t kRewriteDigits = 8;
// Names are random, so a clash is rare; the bound ends the search where no file can be
// created at all (a read-only or missing directory).
constexpr int kNameDraws = 100;

// The directory of the settings file as resolved, with its separator, and "." and the name
// folded: the start of both companions' names.
std::string CompanionStem(std::string_view file) {
  const std::string resolved = platform::ResolvedPath(file);
  const std::string_view directory = DirectoryOf(resolved);
  return std::string(directory) + "." + NameInCapitals(std::string_view(resolved).substr(directory.size()));
}

bool IsRewriteName(std::string_view name, std::string_view stem_name) {
  if (name.size() != stem_name.size() + 1 + kRewriteDigits + kRewriteSuffix.size()) return false;
  if (!SameName(name.substr(0, stem_name.size()), stem_name) || name[stem_name.size()] != '.') return false;
  for (std::size_t i = 0; i < kRewriteDigits; ++i) {
    const char c = name[stem_name.size() + 1 + i];
    if (c < '0' || c > '9') return false;
  }
  return SameName(name.substr(name.size() - kRewriteSuffix.size()), kRewriteSuffix);
}

}  // namespace

std::string LockFileName(std::string_view file) { return CompanionStem(file) + std::string(kLockSuffix); }

std::string DrawRewriteName(std::string_view file) {
  std::string name = CompanionStem(file) + ".";
  for (std::size_t i = 0; i < kRewriteDigits; ++i) name += static_cast<char>('0' + platform::RandomBelow(10));
  name += kRewriteSuffix;
  return name;
}

platform::FileHandle CreateRewriteFile(std::string_view file, std::string& name) {
  for (int draw = 0; draw < kNameDraws; ++draw) {
    name = DrawRewriteName(file);
    const platform::FileHandle out =
        platform::OpenFileHandle(name, platform::OpenMode::CreatePrivate, platform::ShareMode::None);
    if (out != platform::kNoFile) return out;
  }
  name.clear();
  return platform::kNoFile;
}

// Only names of exactly the rewrite form, and only regular files: a link of that name is
// removed itself, never what it points to.
void RemoveAbandonedRewrites(std::string_view file) {
  const std::string stem = CompanionStem(file);
  const std::string directory(DirectoryOf(stem));
  const std::string_view stem_name = std::string_view(stem).substr(directory.size());
  const std::string pattern = stem + "." + std::string(kRewriteDigits, '?') + std::string(kRewriteSuffix);
  for (const platform::DirectoryEntry& entry : platform::FindFiles(pattern)) {
    if (!IsRewriteName(entry.name, stem_name)) continue;
    const std::string path = directory + entry.name;
    const platform::EntryKind kind = platform::KindOfEntry(path);
    if (kind == platform::EntryKind::File || kind == platform::EntryKind::Link) platform::RemoveFile(path);
  }
}

}  // namespace kel::ini
