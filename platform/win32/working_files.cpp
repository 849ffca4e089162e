// Claims are open handles of the file, each with a shared lock on one byte far beyond any
// data (Windows locks are mandatory, so the data itself stays free); they end with the
// process however it ends, so an exclusive lock that can be taken on that byte means no
// running process uses the file. At the end the file is removed only when its name still
// leads to the file opened.
#include "platform/working_files.h"

#include <array>
#include <cstring>
#include <string>

#include "platform/process.h"
#include "platform/state_reset.h"
#include "platform/win32/win32_text.h"

namespace kel::platform {
namespace {

constexpr std::size_t kMaxFiles = 8;
constexpr std::size_t kMaxHead = 16;
constexpr DWORD kClaimOffsetHigh = 0x7FFFFFFF;  // the claim byte, far past any working file's data
constexpr int kLockTries = 50;

struct WorkingFile {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::wstring path;
  BY_HANDLE_FILE_INFORMATION identity{};
  std::int64_t keep_bytes = -1;  // -1: remove the file
  char head[kMaxHead] = {};
  std::size_t head_size = 0;
};

struct WorkingFilesState {
  std::array<WorkingFile, kMaxFiles> files{};
  bool ending = false;
  bool exit_registered = false;
};

WorkingFilesState& State() {
  static WorkingFilesState state;
  return state;
}

OVERLAPPED ClaimByte() {
  OVERLAPPED at{};
  at.OffsetHigh = kClaimOffsetHigh;
  return at;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Opens a regular file (not a link, not a device) for reading and, where asked, writing.
HANDLE OpenRegular(const std::wstring& path, DWORD access, BY_HANDLE_FILE_INFORMATION& info) {
  HANDLE handle = ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return handle;
  if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
    ::CloseHandle(handle);
    return INVALID_HANDLE_VALUE;
  }
  return handle;
}

WorkingFile* Find(const std::wstring& path) {
  for (WorkingFile& file : State().files)
    if (file.handle != INVALID_HANDLE_VALUE && file.path == path) return &file;
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
  const std::wstring wide = win32::ToWide(path);
  if (wide.empty() || head.size() > kMaxHead) return false;
  WorkingFilesState& state = State();
  if (WorkingFile* known = Find(wide)) {
    SetEnding(*known, keep_bytes, head);
    return true;
  }
  WorkingFile* slot = nullptr;
  for (WorkingFile& file : state.files) {
    if (file.handle == INVALID_HANDLE_VALUE) {
      slot = &file;
      break;
    }
  }
  if (slot == nullptr) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  HANDLE handle = OpenRegular(wide, GENERIC_READ | GENERIC_WRITE, info);
  if (handle == INVALID_HANDLE_VALUE) return false;
  bool locked = false;
  for (int attempt = 0; attempt < kLockTries && !locked; ++attempt) {
    OVERLAPPED at = ClaimByte();
    locked = ::LockFileEx(handle, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
    if (!locked) PauseMilliseconds(1);
  }
  if (!locked) {
    ::CloseHandle(handle);
    return false;
  }
  if (!state.exit_registered) {
    state.exit_registered = true;
    AtProcessExit(EndWorkingFiles);
  }
  slot->path = wide;
  slot->identity = info;
  SetEnding(*slot, keep_bytes, head);
  slot->handle = handle;
  return true;
}

}  // namespace

bool ClaimWorkingFile(std::string_view path) { return Claim(path, -1, {}); }

bool ClaimSharedWorkingFile(std::string_view path, std::int64_t keep_bytes, std::string_view head) {
  return Claim(path, keep_bytes < 0 ? 0 : keep_bytes, head);
}

void ReleaseWorkingFile(std::string_view path) {
  WorkingFile* file = Find(win32::ToWide(path));
  if (file == nullptr) return;
  HANDLE handle = file->handle;
  file->handle = INVALID_HANDLE_VALUE;
  ::CloseHandle(handle);
}

bool WorkingFileInUse(std::string_view path) {
  const std::wstring wide = win32::ToWide(path);
  if (wide.empty()) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  HANDLE handle = OpenRegular(wide, GENERIC_READ, info);
  if (handle == INVALID_HANDLE_VALUE) return false;
  for (const WorkingFile& file : State().files) {
    if (file.handle != INVALID_HANDLE_VALUE && SameFile(file.identity, info)) {
      ::CloseHandle(handle);
      return true;
    }
  }
  // Another process's claim (a shared lock) keeps the exclusive one from being taken.
  OVERLAPPED at = ClaimByte();
  const bool free = ::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
  ::CloseHandle(handle);
  return !free;
}

void EndWorkingFiles() {
  WorkingFilesState& state = State();
  if (state.ending) return;
  state.ending = true;
  for (WorkingFile& file : state.files) {
    HANDLE handle = file.handle;
    if (handle == INVALID_HANDLE_VALUE) continue;
    file.handle = INVALID_HANDLE_VALUE;
    BY_HANDLE_FILE_INFORMATION named{};
    HANDLE by_name = OpenRegular(file.path, FILE_READ_ATTRIBUTES, named);
    // Only the file this process claimed, never whatever took its name since.
    const bool same = by_name != INVALID_HANDLE_VALUE && SameFile(file.identity, named);
    if (by_name != INVALID_HANDLE_VALUE) ::CloseHandle(by_name);
    if (same && file.keep_bytes < 0) {
      ::CloseHandle(handle);
      ::DeleteFileW(file.path.c_str());
      continue;
    }
    if (same) {
      LARGE_INTEGER keep{};
      keep.QuadPart = file.keep_bytes;
      if (::SetFilePointerEx(handle, keep, nullptr, FILE_BEGIN)) ::SetEndOfFile(handle);
      LARGE_INTEGER start{};
      DWORD written = 0;
      if (file.head_size > 0 && ::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN))
        ::WriteFile(handle, file.head, static_cast<DWORD>(file.head_size), &written, nullptr);
    }
    ::CloseHandle(handle);
  }
  state.ending = false;
}

void ResetWorkingFiles() {
  for (WorkingFile& file : State().files) {
    if (file.handle != INVALID_HANDLE_VALUE) ::CloseHandle(file.handle);
    file.handle = INVALID_HANDLE_VALUE;
  }
  // The process's clean-ups are reset with it: the next claim registers the removal again.
  State().exit_registered = false;
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetWorkingFiles);
}  // namespace

}  // namespace kel::platform
