// Files and directories through the Win32 calls; paths go to the system as they are.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/file_pieces.h"
#include "platform/process.h"
#include "platform/win32/win32_text.h"

namespace kel::platform {
namespace {

HANDLE Native(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

// Renames over a file that a reader holds open fail with a sharing violation until the
// reader closes it; the rename is tried again for about a second before it counts as failed.
constexpr int kRenameTries = 40;
constexpr int kRenamePauseMs = 25;

DWORD ShareFlags(ShareMode share) {
  switch (share) {
    case ShareMode::None: return 0;
    case ShareMode::Read: return FILE_SHARE_READ;
    // Delete sharing lets a writer rename a new file over one that readers hold open.
    case ShareMode::ReadWrite: return FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  }
  return FILE_SHARE_READ;
}

bool IsTransient(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Position of the file pointer, -1 on failure.
std::int64_t Position(HANDLE handle) {
  LARGE_INTEGER zero{}, at{};
  return ::SetFilePointerEx(handle, zero, &at, FILE_CURRENT) ? at.QuadPart : -1;
}

bool MoveTo(HANDLE handle, std::int64_t offset) {
  LARGE_INTEGER to{};
  to.QuadPart = offset;
  return ::SetFilePointerEx(handle, to, nullptr, FILE_BEGIN) != 0;
}

constexpr std::uint32_t kKnownAttributes = kReadOnly | kHidden | kSystem | kDirectory | kArchive;

// The identity of an entry (volume and file index); false when it cannot be opened.
bool Identity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
  HANDLE handle = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool ok = ::GetFileInformationByHandle(handle, &info) != 0;
  ::CloseHandle(handle);
  return ok;
}

bool SameEntry(const std::wstring& a, const std::wstring& b) {
  BY_HANDLE_FILE_INFORMATION first{}, second{};
  return Identity(a, first) && Identity(b, second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace

std::string NativePath(std::string_view path) {
  if (path.find('\0') != std::string_view::npos) return {};
  return ToSystemText(path);
}

// Only files on disk count: device names (CON, NUL, COM1 ...) and pipes are refused.
FileHandle OpenFileHandle(std::string_view path, OpenMode mode, ShareMode share) {
  const std::wstring wide = win32::ToWide(path);
  if (wide.empty()) return kNoFile;
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::Read: access = GENERIC_READ; break;
    case OpenMode::ReadWrite: break;
    // Emptied only once opened, so that a hidden file keeps its attributes and a read-only
    // one is refused before anything changes.
    case OpenMode::OpenOrCreate:
    case OpenMode::CreateAlways: disposition = OPEN_ALWAYS; break;
    // The new file takes the access the directory gives its owner's new files.
    case OpenMode::CreateNew:
    case OpenMode::CreatePrivate: disposition = CREATE_NEW; break;
  }
  HANDLE handle = ::CreateFileW(wide.c_str(), access, ShareFlags(share), nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return kNoFile;
  // A read-only file is not written even where the system would let the opener through
  // (an administrator's file share, Wine run as root).
  BY_HANDLE_FILE_INFORMATION info{};
  const bool refused = ::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info) ||
                       (access != GENERIC_READ && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) &&
                        mode != OpenMode::CreateNew && mode != OpenMode::CreatePrivate);
  if (refused || (mode == OpenMode::CreateAlways && !::SetEndOfFile(handle))) {
    const DWORD error = refused ? ERROR_ACCESS_DENIED : ::GetLastError();
    ::CloseHandle(handle);
    ::SetLastError(error);
    return kNoFile;
  }
  return reinterpret_cast<FileHandle>(handle);
}

bool CloseFile(FileHandle file) { return file != kNoFile && ::CloseHandle(Native(file)) != 0; }

std::int64_t ReadFromFile(FileHandle file, void* buffer, std::size_t size) {
  auto* bytes = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    if (!::ReadFile(Native(file), bytes + done, want, &got, nullptr))
      return done > 0 ? static_cast<std::int64_t>(done) : -1;
    if (got == 0) break;
    done += got;
  }
  return static_cast<std::int64_t>(done);
}

bool WriteToFile(FileHandle file, const void* buffer, std::size_t size) {
  const auto* bytes = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    if (!::WriteFile(Native(file), bytes + done, want, &put, nullptr) || put == 0) return false;
    done += put;
  }
  return true;
}

// A read at an offset moves the pointer of a handle opened for synchronous use, so the
// position is put back afterwards.
std::int64_t ReadFromFileAt(FileHandle file, std::int64_t offset, void* buffer, std::size_t size) {
  const std::int64_t saved = Position(Native(file));
  if (offset < 0 || saved < 0 || !MoveTo(Native(file), offset)) return -1;
  const std::int64_t got = ReadFromFile(file, buffer, size);
  MoveTo(Native(file), saved);
  return got;
}

bool WriteToFileAt(FileHandle file, std::int64_t offset, const void* buffer, std::size_t size) {
  const std::int64_t saved = Position(Native(file));
  if (offset < 0 || saved < 0 || !MoveTo(Native(file), offset)) return false;
  const bool ok = WriteToFile(file, buffer, size);
  MoveTo(Native(file), saved);
  return ok;
}

bool SeekFile(FileHandle file, std::int64_t offset) { return offset >= 0 && MoveTo(Native(file), offset); }

std::int64_t FileSize(FileHandle file) {
  LARGE_INTEGER size{};
  return ::GetFileSizeEx(Native(file), &size) ? size.QuadPart : -1;
}

bool ResizeFile(FileHandle file, std::int64_t size) {
  const std::int64_t saved = Position(Native(file));
  if (size < 0 || saved < 0 || !MoveTo(Native(file), size)) return false;
  const bool ok = ::SetEndOfFile(Native(file)) != 0;
  MoveTo(Native(file), saved);
  return ok;
}

bool FlushFile(FileHandle file) { return ::FlushFileBuffers(Native(file)) != 0; }

// A lock on a handle opened for synchronous use blocks in the call until it is granted; it
// belongs to the handle and goes with its close or the process's end.
bool LockWholeFile(FileHandle file) {
  OVERLAPPED from_start{};
  return ::LockFileEx(Native(file), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &from_start) != 0;
}

bool UnlockWholeFile(FileHandle file) {
  OVERLAPPED from_start{};
  return ::UnlockFileEx(Native(file), 0, MAXDWORD, MAXDWORD, &from_start) != 0;
}

// LockFileEx locks belong to the handle, as the POSIX side's open-file locks do. The call
// never waits (a wait on an overlapped lock is not needed and never ends under Wine).
RangeLock TryLockFileRange(FileHandle file, std::int64_t offset, std::int64_t length) {
  if (offset < 0 || length <= 0) return RangeLock::Failed;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  if (::LockFileEx(Native(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                   static_cast<DWORD>(length & 0xFFFFFFFF), static_cast<DWORD>(static_cast<std::uint64_t>(length) >> 32),
                   &at))
    return RangeLock::Taken;
  const DWORD error = ::GetLastError();
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? RangeLock::HeldElsewhere : RangeLock::Failed;
}

bool UnlockFileRange(FileHandle file, std::int64_t offset, std::int64_t length) {
  if (offset < 0 || length <= 0) return false;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  return ::UnlockFileEx(Native(file), 0, static_cast<DWORD>(length & 0xFFFFFFFF),
                        static_cast<DWORD>(static_cast<std::uint64_t>(length) >> 32), &at) != 0;
}

std::int64_t CopyFileData(FileHandle from, FileHandle to, std::int64_t size) {
  return CopyFilePieces(from, to, size, 0);
}

std::int64_t EntryAttributes(std::string_view path) {
  const std::wstring wide = win32::ToWide(path);
  if (wide.empty()) return -1;
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
  return attributes & kKnownAttributes;
}

bool SetEntryAttributes(std::string_view path, std::uint32_t attributes) {
  const std::wstring wide = win32::ToWide(path);
  if (wide.empty()) return false;
  const DWORD current = ::GetFileAttributesW(wide.c_str());
  if (current == INVALID_FILE_ATTRIBUTES) return false;
  constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  DWORD wanted = (current & ~kSettable & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM)) | (attributes & kSettable);
  if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
  return (current & kSettable) == (attributes & kSettable) || ::SetFileAttributesW(wide.c_str(), wanted) != 0;
}

bool RemoveFile(std::string_view path) {
  const std::wstring wide = win32::ToWide(path);
  return !wide.empty() && ::DeleteFileW(wide.c_str()) != 0;
}

// A change of letter case only goes through a name of its own, since some file systems
// take a rename onto the same entry as done without doing it.
bool RenameFile(std::string_view from, std::string_view to) {
  const std::wstring source = win32::ToWide(from);
  const std::wstring target = win32::ToWide(to);
  if (source.empty() || target.empty()) return false;
  if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (!SameEntry(source, target)) {
      ::SetLastError(ERROR_ALREADY_EXISTS);
      return false;
    }
    const std::wstring between = source + L".~" + std::to_wstring(::GetCurrentProcessId()) + L"~" +
                                 std::to_wstring(::GetTickCount());
    if (!::MoveFileExW(source.c_str(), between.c_str(), 0)) return false;
    if (::MoveFileExW(between.c_str(), target.c_str(), 0)) return true;
    const DWORD error = ::GetLastError();
    ::MoveFileExW(between.c_str(), source.c_str(), 0);
    ::SetLastError(error);
    return false;
  }
  return ::MoveFileExW(source.c_str(), target.c_str(), 0) != 0;
}

// The new file takes the old one's hidden and system marks, so that a companion file stays
// out of sight whoever rewrote it.
bool ReplaceByRename(std::string_view from, std::string_view to) {
  const std::wstring source = win32::ToWide(from);
  const std::wstring target = win32::ToWide(to);
  if (source.empty() || target.empty()) return false;
  const DWORD old_attributes = ::GetFileAttributesW(target.c_str());
  if (old_attributes != INVALID_FILE_ATTRIBUTES && (old_attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
    const DWORD source_attributes = ::GetFileAttributesW(source.c_str());
    if (source_attributes != INVALID_FILE_ATTRIBUTES)
      ::SetFileAttributesW(source.c_str(),
                           source_attributes | (old_attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)));
  }
  // A read-only target is refused, as Windows refuses it, even where the system would let
  // the rename through (Wine, an administrator's share).
  if (old_attributes != INVALID_FILE_ATTRIBUTES && (old_attributes & FILE_ATTRIBUTE_READONLY)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  // While a reader holds the target open the rename is refused; it passes once they close it.
  for (int attempt = 0;; ++attempt) {
    if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = ::GetLastError();
    if (!IsTransient(error) || attempt + 1 >= kRenameTries) {
      ::SetLastError(error);
      return false;
    }
    PauseMilliseconds(kRenamePauseMs);
  }
}

bool MakeDirectory(std::string_view path) {
  const std::wstring wide = win32::ToWide(path);
  return !wide.empty() && ::CreateDirectoryW(wide.c_str(), nullptr) != 0;
}

bool RemoveEmptyDirectory(std::string_view path) {
  const std::wstring wide = win32::ToWide(path);
  return !wide.empty() && ::RemoveDirectoryW(wide.c_str()) != 0;
}

bool LastWriteTime(std::string_view path, CalendarTime& time) {
  const std::wstring wide = win32::ToWide(path);
  if (wide.empty()) return false;
  HANDLE handle = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  FILETIME written{};
  const bool ok = ::GetFileTime(handle, nullptr, nullptr, &written) != 0;
  ::CloseHandle(handle);
  if (ok) time = win32::LocalCalendarTime(written);
  return ok;
}

// The system's search also matches short (8.3) names, so "*.HTM" would find "x.html"; each
// long name is checked against the pattern as well.
std::vector<DirectoryEntry> FindFiles(std::string_view pattern_path) {
  std::vector<DirectoryEntry> found;
  const std::size_t cut = pattern_path.find_last_of("\\/:");
  std::string_view pattern = cut == std::string_view::npos ? pattern_path : pattern_path.substr(cut + 1);
  std::string search(pattern_path);
  if (pattern.empty()) {
    pattern = "*";
    search += '*';
  }
  const std::wstring wide = win32::ToWide(search);
  if (wide.empty()) return found;
  WIN32_FIND_DATAW data{};
  HANDLE handle = ::FindFirstFileExW(wide.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0);
  if (handle == INVALID_HANDLE_VALUE) return found;
  do {
    const std::wstring_view native_name(data.cFileName);
    if (native_name == L"." || native_name == L".." || !win32::RoundTrips(native_name)) continue;
    DirectoryEntry entry;
    entry.name = win32::FromWide(native_name);
    if (!WildcardMatch(pattern, entry.name)) continue;
    entry.short_name = win32::FromWide(data.cAlternateFileName);
    entry.attributes = data.dwFileAttributes & kKnownAttributes;
    entry.size = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                     ? 0
                     : static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    entry.last_write = win32::LocalCalendarTime(data.ftLastWriteTime);
    found.push_back(std::move(entry));
  } while (::FindNextFileW(handle, &data));
  ::FindClose(handle);
  return found;
}

int LastErrorCode() {
  const DWORD error = ::GetLastError();
  return error != 0 ? static_cast<int>(error) : ERROR_GEN_FAILURE;
}

}  // namespace kel::platform
