// The guarded calls for shared directories through the Win32 calls. Windows keeps a file's
// access in the access list it inherits from its directory, so a new file is as private as
// its directory makes it and the calls about permission bits have nothing to do; links are
// reparse points, never followed when writing.
#include <algorithm>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/random.h"
#include "platform/win32/win32_text.h"

namespace kel::platform {
namespace {

HANDLE Native(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Attempts at a free random name for a private directory.
constexpr int kNameDraws = 100;
constexpr int kNameLetters = 8;

// Keeps a handle only when it holds a regular file on disk (no directory, device or pipe).
FileHandle KeepRegular(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) return kNoFile;
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
    ::CloseHandle(handle);
    ::SetLastError(ERROR_ACCESS_DENIED);
    return kNoFile;
  }
  return reinterpret_cast<FileHandle>(handle);
}

}  // namespace

// A directory search runs through the system's own case-insensitive lookup: nothing to keep.
BulkDirectoryChanges::BulkDirectoryChanges() = default;
BulkDirectoryChanges::~BulkDirectoryChanges() = default;

EntryKind KindOfEntry(std::string_view path) {
  const std::wstring wide = win32::ToWide(path);
  if (wide.empty()) return EntryKind::Missing;
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::Missing;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::Link;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::Directory;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return EntryKind::Other;
  return EntryKind::File;
}

// The system's full path: blanks and dots that end names dropped, "." and ".." resolved.
std::string ResolvedPath(std::string_view path) {
  const std::wstring wide = win32::ToWide(path);
  if (wide.empty()) return {};
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return {};
    if (length < full.size()) {
      full.resize(length);
      break;
    }
    full.resize(length);
  }
  std::string resolved = win32::FromWide(full);
  std::replace(resolved.begin(), resolved.end(), '\\', '/');
  return resolved;
}

FileHandle OpenRegularFile(std::string_view path, bool for_writing) {
  const std::wstring wide = win32::ToWide(path);
  if (wide.empty()) return kNoFile;
  const DWORD access = for_writing ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | (for_writing ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  const FileHandle file =
      KeepRegular(::CreateFileW(wide.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
  if (file == kNoFile || !for_writing) return file;
  // Read-only keeps even a privileged writer out (an administrator, Wine run as root).
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(Native(file), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
    ::CloseHandle(Native(file));
    ::SetLastError(ERROR_ACCESS_DENIED);
    return kNoFile;
  }
  return file;
}

FileHandle OpenLockFile(std::string_view path, std::string_view) {
  const std::wstring wide = win32::ToWide(path);
  if (wide.empty()) return kNoFile;
  return KeepRegular(::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// Attempts with pauses that grow to a tenth of a second, as on POSIX: the lock never waits
// inside the system, where a holder that never lets go would hang its waiter.
bool LockWholeFileWithin(FileHandle file, int milliseconds) {
  int waited = 0, pause = 2;
  for (;;) {
    OVERLAPPED from_start{};
    if (::LockFileEx(Native(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                     &from_start))
      return true;
    const DWORD error = ::GetLastError();
    if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) return false;
    if (waited >= milliseconds) return false;
    const int step = std::min(pause, milliseconds - waited);
    PauseMilliseconds(step);
    waited += step;
    pause = std::min(pause * 2, 100);
  }
}

// A file's access comes from its directory's inherited list, the same for the copy as for
// the original beside it.
bool TakeAccessOf(FileHandle file, FileHandle model) { return file != kNoFile && model != kNoFile; }

bool GiveDefaultAccess(FileHandle file) { return file != kNoFile; }

bool LastWriteTimeOf(FileHandle file, CalendarTime& time) {
  FILETIME written{};
  if (!::GetFileTime(Native(file), nullptr, nullptr, &written)) return false;
  time = win32::LocalCalendarTime(written);
  return true;
}

// The name is removed only while it names the open file (same volume and file index).
bool RemoveOpenedFile(std::string_view path, FileHandle file) {
  const std::wstring wide = win32::ToWide(path);
  if (wide.empty()) return false;
  HANDLE named = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION by_name{}, opened{};
  const bool same = ::GetFileInformationByHandle(named, &by_name) && ::GetFileInformationByHandle(Native(file), &opened) &&
                    !(by_name.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
                    by_name.dwVolumeSerialNumber == opened.dwVolumeSerialNumber &&
                    by_name.nFileIndexHigh == opened.nFileIndexHigh && by_name.nFileIndexLow == opened.nFileIndexLow;
  ::CloseHandle(named);
  if (!same) {
    ::SetLastError(ERROR_FILE_EXISTS);
    return false;
  }
  return ::DeleteFileW(wide.c_str()) != 0;
}

// Windows writes a directory's entries with the file system's own journal: nothing to force.
bool FlushDirectory(std::string_view) { return true; }

std::string MakePrivateDirectory(std::string_view path_prefix) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int draw = 0; draw < kNameDraws; ++draw) {
    std::string path(path_prefix);
    for (int i = 0; i < kNameLetters; ++i) path += kLetters[RandomBelow(sizeof kLetters - 1)];
    const std::wstring wide = win32::ToWide(path);
    if (wide.empty()) return "";
    if (::CreateDirectoryW(wide.c_str(), nullptr)) return path;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return "";
  }
  return "";
}

}  // namespace kel::platform
