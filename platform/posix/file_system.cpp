#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/file_pieces.h"
#include "platform/posix/posix_names.h"

namespace kel::platform {
namespace {

int Descriptor(FileHandle file) { return static_cast<int>(file); }

// Writing never goes through a link planted at the name (O_NOFOLLOW), and never waits on a
// FIFO or a device (O_NONBLOCK; only regular files are kept, below).
int OpenFlags(OpenMode mode) {
  constexpr int kGuarded = O_NOFOLLOW | O_NONBLOCK;
  switch (mode) {
    case OpenMode::Read: return O_RDONLY;
    case OpenMode::ReadWrite: return O_RDWR | kGuarded;
    case OpenMode::OpenOrCreate: return O_RDWR | O_CREAT | kGuarded;
    // Emptied only once the file is known not to be read-only.
    case OpenMode::CreateAlways: return O_RDWR | O_CREAT | kGuarded;
    // O_EXCL alone already refuses a link of the name, dangling or not; O_NOFOLLOW says so
    // twice for systems that are lax about it.
    case OpenMode::CreateNew:
    case OpenMode::CreatePrivate: return O_RDWR | O_CREAT | O_EXCL | kGuarded;
  }
  return O_RDONLY;
}

int OpenNative(const std::string& native, int flags, mode_t permissions = 0666) {
  int fd;
  do {
    fd = ::open(native.c_str(), flags | O_CLOEXEC, permissions);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Takes back the O_NONBLOCK of an opening, so that reads and writes of the file wait as usual.
void MakeBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0 && (flags & O_NONBLOCK)) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

}  // namespace

// Share modes have no counterpart here: POSIX openers never exclude each other. A file that
// exists under the name as given is opened at once; the directory's entries are looked into
// when it does not, so that a name differing in letter case only finds the entry that holds
// it, and a new file never takes the place of one.
FileHandle OpenFileHandle(std::string_view path, OpenMode mode, ShareMode /*share*/) {
  if (path.find('\0') != std::string_view::npos) return kNoFile;
  const int flags = OpenFlags(mode);
  const std::string given = posix::ToSystemName(path);
  std::string native = posix::TranslatePath(given);
  if (native.empty()) return kNoFile;
  int fd = -1;
  bool looked_into = false;  // the directory's entries were consulted, so a creation is noted
  const bool exclusive = (flags & O_EXCL) != 0;
  const mode_t permissions = mode == OpenMode::CreatePrivate ? 0600 : 0666;
  if ((flags & O_CREAT) && posix::KnownAbsent(native)) {
    looked_into = true;
  } else if (!exclusive) {
    fd = OpenNative(native, flags & ~O_CREAT);
    if (fd < 0 && errno != ENOENT) return kNoFile;
  }
  if (fd < 0) {
    if (!looked_into) native = posix::ResolveNativePath(given, !exclusive);
    fd = OpenNative(native, flags, permissions);
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
  // A read-only file is not opened for writing, as on Windows, even by a process whose
  // privileges would let it through; nothing but a regular file is written.
  if (mode != OpenMode::Read) {
    int failure = 0;
    if (::fstat(fd, &info) != 0)
      failure = errno;
    else if (!S_ISREG(info.st_mode))
      failure = EINVAL;
    else if (!exclusive && (info.st_mode & S_IWUSR) == 0)
      failure = EACCES;
    else if (mode == OpenMode::CreateAlways && S_ISREG(info.st_mode) && info.st_size != 0 && !ResizeFile(fd, 0))
      failure = errno;
    if (failure != 0) {
      ::close(fd);
      errno = failure;
      return kNoFile;
    }
    MakeBlocking(fd);
  }
  return fd;
}

bool CloseFile(FileHandle file) {
  if (file == kNoFile) return false;
  // Linux releases the descriptor even when close reports EINTR, so it is never retried.
  return ::close(Descriptor(file)) == 0 || errno == EINTR;
}

std::int64_t ReadFromFile(FileHandle file, void* buffer, std::size_t size) {
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

bool WriteToFile(FileHandle file, const void* buffer, std::size_t size) {
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

std::int64_t ReadFromFileAt(FileHandle file, std::int64_t offset, void* buffer, std::size_t size) {
  if (offset < 0) return -1;
  auto* bytes = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(Descriptor(file), bytes + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? static_cast<std::int64_t>(done) : -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

bool WriteToFileAt(FileHandle file, std::int64_t offset, const void* buffer, std::size_t size) {
  if (offset < 0) return false;
  const auto* bytes = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t put = ::pwrite(Descriptor(file), bytes + done, size - done, static_cast<off_t>(offset + done));
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
// as they do on Windows. A handle opened for reading only cannot hold a write lock; it holds a
// read lock, which still excludes every write lock.
bool LockWholeFile(FileHandle file) {
  struct flock lock{};
  lock.l_whence = SEEK_SET;
  for (const short type : {F_WRLCK, F_RDLCK}) {
    lock.l_type = type;
    int result;
    do {
      result = ::fcntl(Descriptor(file), F_OFD_SETLKW, &lock);
    } while (result != 0 && errno == EINTR);
    if (result == 0) return true;
    if (errno != EBADF) return false;
  }
  return false;
}

bool UnlockWholeFile(FileHandle file) {
  struct flock lock{};
  lock.l_type = F_UNLCK;
  lock.l_whence = SEEK_SET;
  return ::fcntl(Descriptor(file), F_OFD_SETLK, &lock) == 0;
}

// Open-file-description locks belong to the handle, not to the process, so that two record
// files opened by one process lock against each other, and a process's other handles of the
// same file do not drop its locks when they close.
RangeLock TryLockFileRange(FileHandle file, std::int64_t offset, std::int64_t length) {
  struct flock lock{};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  int result;
  do {
    result = ::fcntl(Descriptor(file), F_OFD_SETLK, &lock);
  } while (result != 0 && errno == EINTR);
  if (result == 0) return RangeLock::Taken;
  return (errno == EAGAIN || errno == EACCES) ? RangeLock::HeldElsewhere : RangeLock::Failed;
}

bool UnlockFileRange(FileHandle file, std::int64_t offset, std::int64_t length) {
  struct flock lock{};
  lock.l_type = F_UNLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  return ::fcntl(Descriptor(file), F_OFD_SETLK, &lock) == 0;
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
  return CopyFilePieces(from, to, size, done);
}

}  // namespace kel::platform
