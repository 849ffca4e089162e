#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/codepage.h"
#include "platform/posix/posix_names.h"
#include "platform/state_reset.h"

namespace kel::platform::posix {
namespace {

// A copy into a directory of thousands of entries would otherwise read the whole directory
// for every new name, to learn that no entry of another letter case holds it.
constexpr std::size_t kCachedDirectories = 4;
// A directory changed this recently may change again within the same tick of its clock
// without its time moving: such a reading is not trusted the next time.
constexpr long long kRacyNanoseconds = 2'000'000'000;

struct CachedDirectory {
  std::string path;
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  bool trusted = false;
  bool trusted_for_bulk = false;  // trusted only because of a bulk operation's own changes
  std::unordered_map<std::string, std::string> names;  // folded name -> name
};

struct DirectoryCacheState {
  std::vector<CachedDirectory> directories;  // most recently used first
  std::string pending;  // directory last looked into, whose next change is this process's
  int bulk_operations = 0;  // BulkDirectoryChanges alive
  void (*after_own_change)() = nullptr;
};

DirectoryCacheState& State() {
  static DirectoryCacheState state;
  return state;
}

long long Nanoseconds(const timespec& t) { return static_cast<long long>(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

bool SameStamp(const CachedDirectory& cached, const struct stat& info) {
  return cached.device == info.st_dev && cached.inode == info.st_ino &&
         Nanoseconds(cached.modified) == Nanoseconds(info.st_mtim);
}

std::string FoldedKey(std::string_view name) {
  std::string key;
  key.reserve(name.size());
  std::size_t pos = 0;
  while (pos < name.size()) {
    const char c = name[pos];
    if (static_cast<unsigned char>(c) < 0x80) {
      key += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
      ++pos;
    } else {
      AppendUtf8(key, FoldNameCodePoint(NextUtf8(name, pos)));
    }
  }
  return key;
}

// A reading is trusted only while the directory's last change is older than its clock's
// uncertainty: a change of another process in the same tick leaves the time where it was.
bool Settled(const timespec& modified) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return Nanoseconds(now) - Nanoseconds(modified) > kRacyNanoseconds;
}

bool Scan(const std::string& directory, const struct stat& info, CachedDirectory& cached) {
  std::unique_ptr<DIR, int (*)(DIR*)> stream(::opendir(directory.c_str()), ::closedir);
  if (!stream) return false;
  cached = CachedDirectory{};
  cached.path = directory;
  cached.device = info.st_dev;
  cached.inode = info.st_ino;
  cached.modified = info.st_mtim;
  cached.trusted = Settled(info.st_mtim);
  while (const dirent* entry = ::readdir(stream.get())) {
    const std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    cached.names.emplace(FoldedKey(name), std::string(name));  // the first of equals wins
  }
  return true;
}

// The directory and the name of a native path.
std::string DirectoryPart(const std::string& native_path, std::string_view& last) {
  last = LastComponent(native_path);
  std::string_view directory(native_path.data(), static_cast<std::size_t>(last.data() - native_path.data()));
  while (directory.size() > 1 && directory.back() == '/') directory.remove_suffix(1);
  return directory.empty() ? std::string(".") : std::string(directory);
}

std::vector<CachedDirectory>::iterator Find(const std::string& directory) {
  auto& directories = State().directories;
  for (auto it = directories.begin(); it != directories.end(); ++it)
    if (it->path == directory) return it;
  return directories.end();
}

}  // namespace

Lookup FindNameIgnoringCase(const std::string& directory, std::string_view component, std::string& name) {
  DirectoryCacheState& state = State();
  const std::string dir = directory.empty() ? std::string(".") : directory;
  struct stat info;
  if (::stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return Lookup::NoDirectory;
  const std::string key = FoldedKey(component);

  auto it = Find(dir);
  if (it != state.directories.end() && it->trusted && SameStamp(*it, info)) {
    std::rotate(state.directories.begin(), it, it + 1);
    state.pending = dir;
    const auto found = state.directories.front().names.find(key);
    if (found == state.directories.front().names.end()) return Lookup::Missing;
    // A name found is checked, so that a reading gone stale can never name a missing entry.
    std::string entry_path = dir;
    entry_path += '/';
    entry_path += found->second;
    struct stat entry;
    if (::lstat(entry_path.c_str(), &entry) == 0) {
      name = found->second;
      return Lookup::Found;
    }
    it = state.directories.begin();
  }

  CachedDirectory fresh;
  if (!Scan(dir, info, fresh)) return Lookup::NoDirectory;
  if (it != state.directories.end()) state.directories.erase(it);
  state.directories.insert(state.directories.begin(), std::move(fresh));
  if (state.directories.size() > kCachedDirectories) state.directories.pop_back();
  state.pending = dir;
  const auto found = state.directories.front().names.find(key);
  if (found == state.directories.front().names.end()) return Lookup::Missing;
  name = found->second;
  return Lookup::Found;
}

bool KnownAbsent(const std::string& native_path) {
  DirectoryCacheState& state = State();
  std::string_view last;
  const std::string directory = DirectoryPart(native_path, last);
  const auto it = Find(directory);
  if (it == state.directories.end() || !it->trusted || last.empty()) return false;
  struct stat info;
  if (::stat(directory.c_str(), &info) != 0 || !SameStamp(*it, info)) return false;
  if (it->names.count(FoldedKey(last)) != 0) return false;
  state.pending = directory;
  return true;
}

void ForgetPendingDirectory() { State().pending.clear(); }

// A change right after this process looked into the directory is its own: the reading is
// brought up to date, but trusted by the same rule as a fresh one, since another workstation
// may have added an entry between the look and the change, or right after it, and the
// directory's time alone cannot tell. Any other change makes the next lookup read the
// directory afresh.
void NoteEntryChanged(const std::string& native_path, bool exists) {
  DirectoryCacheState& state = State();
  if (state.after_own_change != nullptr) state.after_own_change();
  std::string_view last;
  const std::string directory = DirectoryPart(native_path, last);
  auto it = Find(directory);
  if (it == state.directories.end()) return;
  struct stat info;
  if (state.pending != directory || ::stat(directory.c_str(), &info) != 0) {
    state.directories.erase(it);
    return;
  }
  const std::string key = FoldedKey(last);
  if (exists)
    it->names.emplace(key, std::string(last));
  else if (auto found = it->names.find(key); found != it->names.end() && found->second == last)
    it->names.erase(found);
  it->modified = info.st_mtim;
  const bool bulk = state.bulk_operations > 0;
  it->trusted = bulk || Settled(info.st_mtim);
  it->trusted_for_bulk = bulk && !Settled(info.st_mtim);
  state.pending.clear();
}

void SetAfterOwnChange(void (*after)()) { State().after_own_change = after; }

void ResetDirectoryCache() { State() = DirectoryCacheState{}; }

}  // namespace kel::platform::posix

namespace kel::platform {

BulkDirectoryChanges::BulkDirectoryChanges() { ++posix::State().bulk_operations; }

BulkDirectoryChanges::~BulkDirectoryChanges() {
  posix::DirectoryCacheState& state = posix::State();
  if (--state.bulk_operations > 0) return;
  for (posix::CachedDirectory& directory : state.directories)
    if (directory.trusted_for_bulk) directory.trusted = directory.trusted_for_bulk = false;
}

}  // namespace kel::platform

namespace kel::platform::posix {

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetDirectoryCache);
}  // namespace


}  // namespace kel::platform::posix
