#include <string>
#include <string_view>
#include <vector>

#include "config/ini.h"
#include "config/ini_companions.h"
#include "config/ini_text.h"
#include "config/ini_writer.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace kel {
namespace ini {
namespace {

// A replace fails while another program holds the target open in a way that forbids it;
// such holds are short, and after about a second the write gives up rather than hang.
constexpr int kReplaceAttempts = 20;
constexpr int kReplacePauseMilliseconds = 50;

enum class Attempt { Replaced, Retry, GiveUp };

// A line break in a name or value would add lines of its own to the file.
bool HoldsLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// Rewrites the current target into a new rewrite file and puts it in the target's place in
// one step, so that readers and crashes only ever meet a whole file. The rewrite file is made
// private, then given the target's owner, group and permissions before a byte of the
// settings is in it. A missing target counts as empty; one that cannot be opened for writing
// (read-only, not this user's to write, replaced by a link or something not a file) is left
// alone: renaming over it would take it over through its directory.
// Copies in to out with every setting stored in turn. Settings after the first go through
// intermediate rewrite files that are never forced to disk, so the whole change costs one
// flush; the result is the file the same writes one by one would leave.
bool RewriteWithAll(platform::FileHandle in, platform::FileHandle out, const std::string& file,
                    const std::vector<IniSetting>& settings) {
  std::string previous;
  bool saved = true;
  for (std::size_t i = 0; i + 1 < settings.size() && saved; ++i) {
    std::string middle;
    const platform::FileHandle step = CreateRewriteFile(file, middle);
    if (step == platform::kNoFile) {
      saved = false;
      break;
    }
    const IniSetting& setting = settings[i];
    saved = RewriteIniFile(in, step, setting.section, setting.key, setting.value);
    saved = platform::CloseFile(step) && saved;
    if (!previous.empty()) {
      platform::CloseFile(in);
      platform::RemoveFile(previous);
    }
    previous = middle;
    in = saved ? platform::OpenRegularFile(middle, false) : platform::kNoFile;
    saved = saved && in != platform::kNoFile;
  }
  if (saved) {
    const IniSetting& last = settings.back();
    saved = RewriteIniFile(in, out, last.section, last.key, last.value);
  }
  if (!previous.empty()) {
    if (in != platform::kNoFile) platform::CloseFile(in);
    platform::RemoveFile(previous);
  }
  return saved;
}

Attempt RewriteOnce(const std::string& file, const std::vector<IniSetting>& settings,
                    WriteOutcome& outcome) {
  outcome = WriteOutcome::Refused;
  platform::FileHandle in = platform::kNoFile;
  switch (platform::KindOfEntry(file)) {
    case platform::EntryKind::Missing: break;
    case platform::EntryKind::File:
      in = platform::OpenRegularFile(file, true);
      if (in == platform::kNoFile) return Attempt::GiveUp;
      break;
    default: return Attempt::GiveUp;
  }
  outcome = WriteOutcome::NotWritten;
  std::string temp;
  const platform::FileHandle out = CreateRewriteFile(file, temp);
  if (out == platform::kNoFile) {
    if (in != platform::kNoFile) platform::CloseFile(in);
    return Attempt::GiveUp;
  }
  bool saved = in != platform::kNoFile ? platform::TakeAccessOf(out, in) : platform::GiveDefaultAccess(out);
  saved = saved && RewriteWithAll(in, out, file, settings) && platform::FlushFile(out);
  if (in != platform::kNoFile) platform::CloseFile(in);
  saved = platform::CloseFile(out) && saved;
  if (saved && platform::ReplaceByRename(temp, file)) {
    outcome = WriteOutcome::Written;
    return Attempt::Replaced;
  }
  platform::RemoveFile(temp);
  return saved ? Attempt::Retry : Attempt::GiveUp;
}

bool Storable(const IniSetting& setting) {
  return !HoldsLineBreak(setting.section) && !HoldsLineBreak(setting.key) && !HoldsLineBreak(setting.value);
}

// Writers of one settings file queue on its lock file, which is never deleted: a writer
// waiting on a deleted lock file would hold a lock nobody else sees. A write never goes
// ahead without the lock. choose runs under the lock.
WriteOutcome LockedUpdate(std::string_view file, const std::function<std::vector<IniSetting>()>& choose) {
  if (file.empty()) return WriteOutcome::Invalid;
  const std::string resolved = platform::ResolvedPath(file);
  if (resolved.empty()) return WriteOutcome::Invalid;
  const std::string lock_name = LockFileName(resolved);
  const platform::FileHandle lock = platform::OpenLockFile(lock_name, resolved);
  // A lock that could not even be made (a missing or read-only directory) leaves nothing to
  // write into either; one that exists and cannot be opened belongs to someone else.
  if (lock == platform::kNoFile)
    return platform::KindOfEntry(lock_name) == platform::EntryKind::Missing ? WriteOutcome::NotWritten
                                                                            : WriteOutcome::NoLock;
  WriteOutcome outcome = WriteOutcome::LockBusy;
  if (platform::LockWholeFileWithin(lock, kLockWaitMilliseconds)) {
    const std::vector<IniSetting> settings = choose();
    bool storable = true;
    for (const IniSetting& setting : settings) storable = storable && Storable(setting);
    if (!storable) {
      outcome = WriteOutcome::Invalid;
    } else if (settings.empty()) {
      outcome = WriteOutcome::Written;
    } else {
      RemoveAbandonedRewrites(resolved);
      for (int attempt = 1; RewriteOnce(resolved, settings, outcome) == Attempt::Retry; ++attempt) {
        if (attempt == kReplaceAttempts) break;
        platform::PauseMilliseconds(kReplacePauseMilliseconds);
      }
    }
    platform::UnlockWholeFile(lock);
  }
  platform::CloseFile(lock);
  return outcome;
}

}  // namespace

WriteOutcome WriteKey(std::string_view file, std::string_view section, std::string_view key,
                      std::string_view value) {
  if (HoldsLineBreak(section) || HoldsLineBreak(key) || HoldsLineBreak(value)) return WriteOutcome::Invalid;
  const std::vector<IniSetting> settings = {{std::string(section), std::string(key), std::string(value)}};
  return LockedUpdate(file, [&settings] { return settings; });
}

}  // namespace ini

bool UpdateIniKeys(std::string_view file, const std::function<std::vector<IniSetting>()>& choose) {
  return ini::LockedUpdate(file, choose) == ini::WriteOutcome::Written;
}

void WriteIniKeys(std::string_view file, const std::vector<IniSetting>& settings) {
  UpdateIniKeys(file, [&settings] { return settings; });
}

void WriteIniKey(std::string_view file, std::string_view section, std::string_view key,
                 std::string_view value) {
  ini::WriteKey(file, section, key, value);
}

}  // namespace kel
