// Claims are shared flock locks on an open descriptor of the file: they end with the process
// however it ends, so a lock that can be taken exclusively means no running process uses
// the file. At the end the file is removed only when its name still leads to the file opened.
#include "platform/working_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/state_reset.h"

namespace kel::platform {
namespace {

constexpr std::size_t kMaxFiles = 8;
constexpr std::size_t kMaxPath = 4096;
constexpr std::size_t kMaxHead = 16;
// A claim waits at most this many tries of a millisecond while another process looks at the
// file's lock.
constexpr int kLockTries = 50;

// Plain fields only: the end of the process reads them inside a signal handler.
struct WorkingFile {
  int descriptor = -1;
  dev_t device = 0;
  ino_t inode = 0;
  std::int64_t keep_bytes = -1;  // -1: remove the file
  char head[kMaxHead] = {};
  std::size_t head_size = 0;
  char path[kMaxPath] = {};
};

struct WorkingFilesState {
  std::array<WorkingFile, kMaxFiles> files{};
  volatile sig_atomic_t ending = 0;
  bool exit_registered = false;
};

WorkingFilesState& State() {
  static WorkingFilesState state;
  return state;
}

int OpenRegular(const std::string& native, int flags, struct stat& info) {
  const int descriptor = ::open(native.c_str(), flags | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
  if (descriptor < 0) return -1;
  if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(descriptor);
    return -1;
  }
  return descriptor;
}

bool Lock(int descriptor, int operation) {
  for (int attempt = 0; attempt < kLockTries; ++attempt) {
    if (::flock(descriptor, operation | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    PauseMilliseconds(1);
  }
  return false;
}

WorkingFile* Find(const std::string& native) {
  for (WorkingFile& file : State().files) {
    if (file.descriptor >= 0 && native == file.path) return &file;
  }
  return nullptr;
}

// How a claimed file ends: cut back to keep_bytes with its first bytes put back (the caller's
// stack as it found it), or removed where keep_bytes is negative.
void SetEnding(WorkingFile& file, std::int64_t keep_bytes, std::string_view head) {
  file.keep_bytes = keep_bytes;
  if (!head.empty()) std::memcpy(file.head, head.data(), head.size());
  file.head_size = head.size();
}

bool Claim(std::string_view path, std::int64_t keep_bytes, std::string_view head) {
  const std::string native = NativePath(path);
  if (native.empty() || native.size() >= kMaxPath || head.size() > kMaxHead) return false;
  WorkingFilesState& state = State();
  if (WorkingFile* known = Find(native)) {
    // Claimed already: the way it ends may change (the caller's stack became ours alone).
    SetEnding(*known, keep_bytes, head);
    return true;
  }
  WorkingFile* slot = nullptr;
  for (WorkingFile& file : state.files) {
    if (file.descriptor < 0) {
      slot = &file;
      break;
    }
  }
  if (slot == nullptr) return false;
  struct stat info{};
  const int descriptor = OpenRegular(native, O_RDWR, info);
  if (descriptor < 0) return false;
  if (!Lock(descriptor, LOCK_SH)) {
    ::close(descriptor);
    return false;
  }
  if (!state.exit_registered) {
    state.exit_registered = true;
    AtProcessExit(EndWorkingFiles);
  }
  slot->device = info.st_dev;
  slot->inode = info.st_ino;
  SetEnding(*slot, keep_bytes, head);
  std::memcpy(slot->path, native.c_str(), native.size() + 1);
  slot->descriptor = descriptor;  // last: the entry counts from here on
  return true;
}

}  // namespace

bool ClaimWorkingFile(std::string_view path) { return Claim(path, -1, {}); }

bool ClaimSharedWorkingFile(std::string_view path, std::int64_t keep_bytes,
                            std::string_view head) {
  return Claim(path, keep_bytes < 0 ? 0 : keep_bytes, head);
}

void ReleaseWorkingFile(std::string_view path) {
  WorkingFile* file = Find(NativePath(path));
  if (file == nullptr) return;
  const int descriptor = file->descriptor;
  file->descriptor = -1;
  ::close(descriptor);
}

bool WorkingFileInUse(std::string_view path) {
  const std::string native = NativePath(path);
  if (native.empty()) return false;
  struct stat info{};
  const int descriptor = OpenRegular(native, O_RDONLY, info);
  if (descriptor < 0) return false;
  for (const WorkingFile& file : State().files) {
    if (file.descriptor >= 0 && file.device == info.st_dev && file.inode == info.st_ino) {
      ::close(descriptor);
      return true;
    }
  }
  // Another claim (a shared lock) keeps the exclusive one from being taken.
  const bool free = ::flock(descriptor, LOCK_EX | LOCK_NB) == 0;
  ::close(descriptor);
  return !free;
}

void EndWorkingFiles() {
  WorkingFilesState& state = State();
  if (state.ending) return;
  state.ending = 1;
  for (WorkingFile& file : state.files) {
    const int descriptor = file.descriptor;
    if (descriptor < 0) continue;
    file.descriptor = -1;
    struct stat opened{};
    struct stat named{};
    // Only the file this process claimed, never whatever took its name since.
    const bool same = ::fstat(descriptor, &opened) == 0 && ::lstat(file.path, &named) == 0 &&
                      opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
    if (same && file.keep_bytes < 0) {
      ::unlink(file.path);
    } else if (same) {
      if (::ftruncate(descriptor, static_cast<off_t>(file.keep_bytes)) == 0 && file.head_size > 0) {
        const ssize_t ignored = ::pwrite(descriptor, file.head, file.head_size, 0);
        static_cast<void>(ignored);
      }
    }
    ::close(descriptor);
  }
  state.ending = 0;
}

void ResetWorkingFiles() {
  for (WorkingFile& file : State().files) {
    if (file.descriptor >= 0) ::close(file.descriptor);
    file.descriptor = -1;
  }
  // The process's clean-ups are reset with it: the next claim registers the removal again.
  State().exit_registered = false;
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetWorkingFiles);
}  // namespace

}  // namespace kel::platform
