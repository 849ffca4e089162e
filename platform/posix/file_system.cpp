#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/posix/posix_names.h"

namespace kel::platform {
namespace {

int Descriptor(FileHandle file) { return static_cast<int>(file); }

int OpenFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::Read: return O_RDONLY;
    case OpenMode::ReadWrite: return O_RDWR;
    case OpenMode::OpenOrCreate: return O_RDWR | O_CREAT;
    case OpenMode::CreateAlways: return O_RDWR | O_CREAT | O_TRUNC;
    // O_EXCL alone already refuses a link of the name, dangling or not; O_NOFOLLOW says so
    // twice for systems that are lax about it.
    case OpenMode::CreateNew: return O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
  }
  return O_RDONLY;
}

bool IsHiddenName(std::string_view name) {
  return !name.empty() && name.front() == '.' && name != "." && name != "..";
}

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

}  // namespace

// ---- Files ------------------------------------------------------------------------------------

namespace {

int OpenNative(const std::string& native, int flags) {
  int fd;
  do {
    fd = ::open(native.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

// Share modes have no counterpart here: POSIX openers never exclude each other. A file that
// exists under the name as given is opened at once; the names of the entries are looked
// into only when it does not, or when a new file must not take the place of one whose name
// differs in letter case only.
FileHandle OpenFile(std::string_view path, OpenMode mode, ShareMode /*share*/) {
  const int flags = OpenFlags(mode);
  int fd = -1;
  std::string native;
  if (mode != OpenMode::CreateNew && path.find('\0') == std::string_view::npos) {
    native = posix::TranslatePath(ToSystemText(path));
    if (native.empty()) return kNoFile;
    fd = OpenNative(native, flags & ~O_CREAT);
    if (fd < 0 && errno != ENOENT) return kNoFile;
  }
  if (fd < 0) {
    native = NativePath(path);
    if (native.empty()) return kNoFile;
    fd = OpenNative(native, flags);
    if (fd < 0) return kNoFile;
    if (flags & O_CREAT) posix::NoteEntryChanged(native, true);
  }
  // Directories are not files to the callers, as on Windows; only a read-only opening can
  // have opened one.
  struct stat info;
  if (mode == OpenMode::Read && (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode))) {
    ::close(fd);
    errno = EISDIR;
    return kNoFile;
  }
  return fd;
}

bool CloseFile(FileHandle file) {
  if (file == kNoFile) return false;
  // Linux releases the descriptor even when close reports EINTR, so it is never retried.
  return ::close(Descriptor(file)) == 0 || errno == EINTR;
}

std::int64_t ReadFile(FileHandle file, void* buffer, std::size_t size) {
  auto* bytes = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(Descriptor(file), bytes + done, size - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? static_cast<std::int64_t>(done) : -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

bool WriteFile(FileHandle file, const void* buffer, std::size_t size) {
  const auto* bytes = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t put = ::write(Descriptor(file), bytes + done, size - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(put);
  }
  return true;
}

bool SeekFile(FileHandle file, std::int64_t offset) {
  return offset >= 0 && ::lseek(Descriptor(file), static_cast<off_t>(offset), SEEK_SET) == offset;
}

std::int64_t FileSize(FileHandle file) {
  struct stat info;
  if (::fstat(Descriptor(file), &info) != 0) return -1;
  return static_cast<std::int64_t>(info.st_size);
}

bool ResizeFile(FileHandle file, std::int64_t size) {
  if (size < 0) return false;
  int result;
  do {
    result = ::ftruncate(Descriptor(file), static_cast<off_t>(size));
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

bool FlushFile(FileHandle file) { return ::fsync(Descriptor(file)) == 0; }

// An open-file-description lock belongs to the open file, not to the process: it is released
// by the handle's close or the holder's end, and two handles of one process exclude each other
// as they do on Windows. A handle opened for reading only cannot take a write lock, so it
// takes the equally exclusive flock lock instead.
bool LockFile(FileHandle file) {
#ifdef F_OFD_SETLKW
  struct flock lock{};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  int result;
  do {
    result = ::fcntl(Descriptor(file), F_OFD_SETLKW, &lock);
  } while (result != 0 && errno == EINTR);
  if (result == 0) return true;
  if (errno != EBADF) return false;
#endif
  int taken;
  do {
    taken = ::flock(Descriptor(file), LOCK_EX);
  } while (taken != 0 && errno == EINTR);
  return taken == 0;
}

bool UnlockFile(FileHandle file) {
  bool released = false;
#ifdef F_OFD_SETLK
  struct flock lock{};
  lock.l_type = F_UNLCK;
  lock.l_whence = SEEK_SET;
  released = ::fcntl(Descriptor(file), F_OFD_SETLK, &lock) == 0;
#endif
  released = (::flock(Descriptor(file), LOCK_UN) == 0) || released;
  return released;
}

// The kernel copies between the files without a user buffer where it can (and shares the
// blocks where the file system allows); elsewhere a fixed buffer bounds the memory used.
std::int64_t CopyFileData(FileHandle from, FileHandle to, std::int64_t size) {
  constexpr std::int64_t kPiece = std::int64_t{1} << 30;
  std::int64_t done = 0;
  bool kernel_copy = true;
  while (done < size && kernel_copy) {
    const ssize_t copied = ::copy_file_range(Descriptor(from), nullptr, Descriptor(to), nullptr,
                                             static_cast<std::size_t>(std::min(size - done, kPiece)), 0);
    if (copied > 0) {
      done += copied;
    } else if (copied == 0) {
      return done;
    } else if (errno != EINTR) {
      // Other file systems, other devices or an older kernel: copy through the buffer.
      if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF)
        return -1;
      kernel_copy = false;
    }
  }
  std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(size - done, 1 << 20)));
  while (done < size) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(size - done, buffer.size()));
    const std::int64_t got = ReadFile(from, buffer.data(), want);
    if (got < 0) return -1;
    if (got == 0) break;
    if (!WriteFile(to, buffer.data(), static_cast<std::size_t>(got))) return -1;
    done += got;
  }
  return done;
}

bool ReadWholeFile(std::string_view path, std::string& contents) {
  contents.clear();
  const FileHandle file = OpenFile(path, OpenMode::Read);
  if (file == kNoFile) return false;
  char buffer[65536];
  bool ok = true;
  for (;;) {
    const std::int64_t got = ReadFile(file, buffer, sizeof buffer);
    if (got < 0) ok = false;
    if (got <= 0) break;
    contents.append(buffer, static_cast<std::size_t>(got));
  }
  CloseFile(file);
  return ok;
}

// ---- Entries ----------------------------------------------------------------------------------

std::int64_t GetAttributes(std::string_view path) {
  const std::string native = NativePath(path);
  struct stat info;
  if (native.empty() || !EntryStatus(AT_FDCWD, native.c_str(), info)) return -1;
  return AttributesOf(info, posix::LastComponent(native));
}

// Hidden is a matter of the name here and cannot be set; read-only takes away every write
// permission, and clearing it gives the owner's back.
bool SetAttributes(std::string_view path, std::uint32_t attributes) {
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
bool DeleteFile(std::string_view path) {
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

bool ReplaceFile(std::string_view from, std::string_view to) {
  const std::string source = NativePath(from);
  const std::string target = NativePath(to);
  if (source.empty() || target.empty() || ::rename(source.c_str(), target.c_str()) != 0) return false;
  posix::NoteEntryChanged(target, true);
  posix::NoteEntryChanged(source, false);
  return true;
}

bool MakeDirectory(std::string_view path) {
  const std::string native = NativePath(path);
  if (native.empty() || ::mkdir(native.c_str(), 0777) != 0) return false;
  posix::NoteEntryChanged(native, true);
  return true;
}

bool RemoveDirectory(std::string_view path) {
  const std::string native = NativePath(path);
  if (native.empty() || ::rmdir(native.c_str()) != 0) return false;
  posix::NoteEntryChanged(native, false);
  return true;
}

bool LastWriteTime(std::string_view path, CalendarTime& time) {
  const std::string native = NativePath(path);
  struct stat info;
  if (native.empty() || !EntryStatus(AT_FDCWD, native.c_str(), info)) return false;
  time = posix::LocalCalendarTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
  return true;
}

int LastErrorCode() { return errno != 0 ? errno : EIO; }

namespace {

// A name can be given in the system's form when it has no control characters or "\" and
// comes back unchanged from program text.
bool AddressableName(std::string_view native_name, const std::string& name) {
  for (const char c : native_name)
    if (static_cast<unsigned char>(c) < 0x20 || c == '\\') return false;
  return ToSystemText(name) == native_name;
}

DirectoryEntry EntryOf(std::string name, std::string_view native_name, const struct stat& info) {
  DirectoryEntry entry;
  entry.name = std::move(name);
  entry.attributes = AttributesOf(info, native_name);
  entry.size = S_ISREG(info.st_mode) ? static_cast<std::int64_t>(info.st_size) : 0;
  entry.last_write = posix::LocalCalendarTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
  return entry;
}

}  // namespace

std::vector<DirectoryEntry> FindFiles(std::string_view pattern_path) {
  std::vector<DirectoryEntry> found;
  const std::size_t cut = pattern_path.find_last_of("\\/:");
  const std::string_view directory = cut == std::string_view::npos ? "" : pattern_path.substr(0, cut + 1);
  std::string_view pattern = cut == std::string_view::npos ? pattern_path : pattern_path.substr(cut + 1);
  if (pattern.empty()) pattern = "*";

  // A plain name is looked up, not searched for among all the directory's entries.
  if (pattern.find_first_of("*?") == std::string_view::npos) {
    const std::string native = NativePath(pattern_path);
    const std::string_view native_name = posix::LastComponent(native);
    struct stat info;
    if (native.empty() || native_name == "." || native_name == ".." || native_name == "/" ||
        !EntryStatus(AT_FDCWD, native.c_str(), info))
      return found;
    const std::string name = FromSystemText(native_name);
    if (AddressableName(native_name, name)) found.push_back(EntryOf(name, native_name, info));
    return found;
  }

  const std::string native = directory.empty() ? std::string(".") : NativePath(directory);
  if (native.empty()) return found;

  std::unique_ptr<DIR, int (*)(DIR*)> stream(::opendir(native.c_str()), ::closedir);
  if (!stream) return found;
  const int directory_fd = ::dirfd(stream.get());
  while (const dirent* entry = ::readdir(stream.get())) {
    const std::string_view native_name(entry->d_name);
    if (native_name == "." || native_name == "..") continue;
    std::string name = FromSystemText(native_name);
    if (!WildcardMatch(pattern, name) || !AddressableName(native_name, name)) continue;
    struct stat info;
    if (EntryStatus(directory_fd, entry->d_name, info)) found.push_back(EntryOf(std::move(name), native_name, info));
  }
  return found;
}

}  // namespace kel::platform
