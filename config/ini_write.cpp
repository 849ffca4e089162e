#include <cstdint>
#include <string>
#include <string_view>

#include "config/ini.h"
#include "config/ini_temp_file.h"
#include "config/ini_text.h"
#include "platform/process.h"
#include "platform/file_system.h"
#include "platform/path_text.h"

namespace kel {
namespace {

// Writers of one settings file queue on a lock taken on a companion file, ".NAME.lck" beside
// it. It is never deleted: a writer waiting on a deleted lock file would hold a lock nobody
// else sees. Its name makes it hidden, so copies and listings of a terminal's directory pass
// it by.
std::string LockFileName(std::string_view file) {
  const std::string_view directory = DirectoryOf(file);
  return std::string(directory) + "." + std::string(file.substr(directory.size())) + ".lck";
}
// A replace fails while another program holds the target open in a way that forbids it;
// such holds are short, and after about a second the write gives up rather than hang.
constexpr int kReplaceAttempts = 20;
constexpr int kReplacePauseMilliseconds = 50;

enum class Outcome { Replaced, Retry, GiveUp };

// A line break in a name or value would add lines of its own to the file.
bool HoldsLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// Rewrites the current target into a new temporary file, forces it to disk and puts it in the
// target's place in one step, so that readers and crashes only ever meet a whole file. A
// missing target counts as empty, but one that exists and cannot be read stops the write,
// which would otherwise replace all its settings by the one being stored.
Outcome RewriteOnce(std::string_view file, std::string_view section, std::string_view key,
                    std::string_view value) {
  // A read-only target cannot be deleted and so is not replaced either: renaming over it would
  // drop its protection together with its settings. It stays read-only, so retrying is no use.
  const std::int64_t attributes = platform::EntryAttributes(file);
  if (attributes >= 0 && (attributes & platform::kReadOnly) != 0) return Outcome::GiveUp;
  std::string temp;
  const platform::FileHandle out = ini::CreateTempFile(file, temp);
  if (out == platform::kNoFile) return Outcome::GiveUp;
  const platform::FileHandle in = platform::OpenFileHandle(file, platform::OpenMode::Read);
  bool saved = (in != platform::kNoFile || platform::EntryAttributes(file) < 0) &&
               ini::RewriteIniFile(in, out, section, key, value) && platform::FlushFile(out);
  if (in != platform::kNoFile) platform::CloseFile(in);
  saved = platform::CloseFile(out) && saved;
  if (saved && platform::ReplaceByRename(temp, file)) return Outcome::Replaced;
  platform::RemoveFile(temp);
  return saved ? Outcome::Retry : Outcome::GiveUp;
}

}  // namespace

void WriteIniKey(std::string_view file, std::string_view section, std::string_view key,
                 std::string_view value) {
  if (file.empty() || HoldsLineBreak(section) || HoldsLineBreak(key) || HoldsLineBreak(value)) return;
  // Without a lock file (a read-only place, a file system without locks) the write still goes
  // ahead, as unprotected as writers always were there.
  const platform::FileHandle lock = platform::OpenFileHandle(LockFileName(file),
                                                       platform::OpenMode::OpenOrCreate);
  const bool locked = lock != platform::kNoFile && platform::LockWholeFile(lock);
  for (int attempt = 1; RewriteOnce(file, section, key, value) == Outcome::Retry; ++attempt) {
    if (attempt == kReplaceAttempts) break;
    platform::PauseMilliseconds(kReplacePauseMilliseconds);
  }
  if (locked) platform::UnlockWholeFile(lock);
  if (lock != platform::kNoFile) platform::CloseFile(lock);
}

}  // namespace kel
