#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/posix/posix_names.h"

namespace kel::platform {
namespace posix {
namespace {

bool IsHiddenName(std::string_view name) {
  return !name.empty() && name.front() == '.' && name != "." && name != "..";
}

}  // namespace

// Windows attributes of an entry's status. Devices, pipes and sockets count as the system's
// own entries, so that nothing reads them as ordinary files.
std::uint32_t AttributesOf(const struct stat& info, std::string_view name) {
  std::uint32_t attributes = 0;
  if (S_ISDIR(info.st_mode))
    attributes |= kDirectory;
  else if (!S_ISREG(info.st_mode))
    attributes |= kSystem;
  if ((info.st_mode & S_IWUSR) == 0) attributes |= kReadOnly;
  if (IsHiddenName(name)) attributes |= kHidden;
  return attributes;
}

// Status of an entry, following a link; a dangling link reports itself.
bool EntryStatus(int directory, const char* name, struct stat& info) {
  return ::fstatat(directory, name, &info, 0) == 0 ||
         ::fstatat(directory, name, &info, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace posix

std::int64_t EntryAttributes(std::string_view path) {
  const std::string native = NativePath(path);
  struct stat info;
  if (native.empty() || !posix::EntryStatus(AT_FDCWD, native.c_str(), info)) return -1;
  return posix::AttributesOf(info, posix::LastComponent(native));
}

// Hidden is a matter of the name here and cannot be set; read-only takes away every write
// permission, and clearing it gives the owner's back.
bool SetEntryAttributes(std::string_view path, std::uint32_t attributes) {
  const std::string native = NativePath(path);
  struct stat info;
  if (native.empty() || ::stat(native.c_str(), &info) != 0) return false;
  mode_t mode = info.st_mode & 07777;
  if (attributes & kReadOnly)
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  else if ((mode & S_IWUSR) == 0)
    mode |= S_IWUSR;
  return mode == (info.st_mode & 07777) || ::chmod(native.c_str(), mode) == 0;
}

// A read-only file cannot be deleted, as on Windows, whatever its directory allows.
bool RemoveFile(std::string_view path) {
  const std::string native = NativePath(path);
  struct stat info;
  if (native.empty() || ::lstat(native.c_str(), &info) != 0) return false;
  if (S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0) {
    errno = EACCES;
    return false;
  }
  if (::unlink(native.c_str()) != 0) return false;
  posix::NoteEntryChanged(native, false);
  return true;
}

namespace {

// Renames without replacing; target may change to the given letter case of the same entry.
bool RenameNative(const std::string& source, std::string& target, std::string_view to) {
  struct stat source_info, target_info;
  if (::lstat(source.c_str(), &source_info) != 0) return false;
  if (::lstat(target.c_str(), &target_info) == 0) {
    if (source_info.st_dev != target_info.st_dev || source_info.st_ino != target_info.st_ino) {
      errno = EEXIST;
      return false;
    }
    // A change of letter case only finds the entry itself under the new name: the entry
    // takes the name as given.
    std::string given = ToSystemText(to);
    while (!given.empty() && (given.back() == '\\' || given.back() == '/')) given.pop_back();
    given.erase(0, given.find_last_of("\\/:") + 1);
    const std::string_view found = posix::LastComponent(target);
    target.resize(static_cast<std::size_t>(found.data() - target.data()));
    target += given;
    return target == source || ::rename(source.c_str(), target.c_str()) == 0;
  }
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  // Where the file system cannot refuse to replace, a link refuses a target that appeared
  // since the test above; directories and link-less file systems rename after the test.
  if (!S_ISDIR(source_info.st_mode)) {
    if (::link(source.c_str(), target.c_str()) == 0) return ::unlink(source.c_str()) == 0;
    if (errno == EEXIST) return false;
  }
  return ::rename(source.c_str(), target.c_str()) == 0;
}

}  // namespace

bool RenameFile(std::string_view from, std::string_view to) {
  const std::string source = NativePath(from);
  std::string target = NativePath(to);
  if (source.empty() || target.empty() || !RenameNative(source, target, to)) return false;
  // Both directories are read again at their next lookup.
  posix::ForgetPendingDirectory();
  posix::NoteEntryChanged(source, false);
  posix::NoteEntryChanged(target, true);
  return true;
}

namespace {

// The new file takes over the old one's permissions, and its group where this process may
// give it, so that a settings file shared through its group stays writable for the group
// whoever rewrote it last. Links are followed on neither side, so nothing planted under
// either name lends its permissions or has them changed.
void TakeOverPermissions(const std::string& source, const std::string& target) {
  struct stat target_info;
  if (::lstat(target.c_str(), &target_info) != 0 || !S_ISREG(target_info.st_mode)) return;
  const int fd = ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  struct stat source_info;
  if (::fstat(fd, &source_info) == 0 && S_ISREG(source_info.st_mode)) {
    if (source_info.st_gid != target_info.st_gid) (void)::fchown(fd, static_cast<uid_t>(-1), target_info.st_gid);
    (void)::fchmod(fd, target_info.st_mode & 0777);
  }
  ::close(fd);
}

}  // namespace

bool ReplaceByRename(std::string_view from, std::string_view to) {
  const std::string source = NativePath(from);
  const std::string target = NativePath(to);
  if (source.empty() || target.empty()) return false;
  TakeOverPermissions(source, target);
  if (::rename(source.c_str(), target.c_str()) != 0) return false;
  posix::NoteEntryChanged(target, true);
  posix::NoteEntryChanged(source, false);
  // The rename is only lasting once the directory holding it is on the disk.
  const std::string_view name = posix::LastComponent(target);
  const std::string directory = target.substr(0, static_cast<std::size_t>(name.data() - target.data()));
  const int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool flushed = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot
  ::close(fd);
  return flushed;
}

bool MakeDirectory(std::string_view path) {
  const std::string native = NativePath(path);
  if (native.empty() || ::mkdir(native.c_str(), 0777) != 0) return false;
  posix::NoteEntryChanged(native, true);
  return true;
}

bool RemoveEmptyDirectory(std::string_view path) {
  const std::string native = NativePath(path);
  if (native.empty() || ::rmdir(native.c_str()) != 0) return false;
  posix::NoteEntryChanged(native, false);
  return true;
}

bool LastWriteTime(std::string_view path, CalendarTime& time) {
  const std::string native = NativePath(path);
  struct stat info;
  if (native.empty() || !posix::EntryStatus(AT_FDCWD, native.c_str(), info)) return false;
  time = posix::LocalCalendarTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
  return true;
}

int LastErrorCode() { return errno != 0 ? errno : EIO; }

}  // namespace kel::platform
