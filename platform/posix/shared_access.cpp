#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/posix/posix_names.h"
#include "platform/process.h"

namespace kel::platform {
namespace {

int Descriptor(FileHandle file) { return static_cast<int>(file); }

int OpenNative(const std::string& native, int flags, mode_t permissions = 0) {
  int fd;
  do {
    fd = ::open(native.c_str(), flags | O_CLOEXEC, permissions);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Keeps a descriptor only when it holds a regular file, and makes its reads and writes wait
// as usual again.
FileHandle KeepRegular(int fd) {
  if (fd < 0) return kNoFile;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return kNoFile;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

// The permissions a new file gets: the umask can only be read by setting it, and this
// process's one thread sets it straight back.
mode_t DefaultPermissions() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

EntryKind KindOfEntry(std::string_view path) {
  const std::string native = NativePath(path);
  struct stat info;
  if (native.empty() || ::lstat(native.c_str(), &info) != 0) return EntryKind::Missing;
  if (S_ISLNK(info.st_mode)) return EntryKind::Link;
  if (S_ISDIR(info.st_mode)) return EntryKind::Directory;
  if (S_ISREG(info.st_mode)) return EntryKind::File;
  return EntryKind::Other;
}

std::string ResolvedPath(std::string_view path) {
  const std::string native = NativePath(path);
  return native.empty() ? std::string() : posix::FromSystemName(native);
}

FileHandle OpenRegularFile(std::string_view path, bool for_writing) {
  const std::string native = NativePath(path);
  if (native.empty()) return kNoFile;
  const FileHandle file =
      KeepRegular(OpenNative(native, (for_writing ? O_RDWR | O_NOFOLLOW : O_RDONLY) | O_NONBLOCK));
  if (file == kNoFile || !for_writing) return file;
  // Read-only keeps even a privileged writer out, as on Windows.
  struct stat info;
  if (::fstat(Descriptor(file), &info) != 0 || (info.st_mode & S_IWUSR) == 0) {
    ::close(Descriptor(file));
    errno = EACCES;
    return kNoFile;
  }
  return file;
}

FileHandle OpenLockFile(std::string_view path, std::string_view guarded) {
  const std::string native = NativePath(path);
  if (native.empty()) return kNoFile;
  const FileHandle file = KeepRegular(OpenNative(native, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK, 0600));
  if (file == kNoFile) return kNoFile;
  posix::NoteEntryChanged(native, true);
  // A lock file made before the guarded file existed, or by an older writer under the umask,
  // is brought up to the guarded file's group and write permissions by its owner.
  struct stat lock, model;
  const std::string guarded_native = NativePath(guarded);
  const bool has_model = !guarded_native.empty() && ::stat(guarded_native.c_str(), &model) == 0 &&
                         S_ISREG(model.st_mode);
  if (::fstat(Descriptor(file), &lock) == 0 && lock.st_uid == ::geteuid()) {
    if (has_model && lock.st_gid != model.st_gid) (void)::fchown(Descriptor(file), static_cast<uid_t>(-1), model.st_gid);
    const mode_t wanted = S_IRUSR | S_IWUSR | (has_model ? model.st_mode & 0066 : DefaultPermissions() & 0066);
    if ((lock.st_mode & 07777) != wanted) (void)::fchmod(Descriptor(file), wanted);
  }
  return file;
}

// The wait is a series of attempts with pauses that grow to a tenth of a second: a lock file
// is held for the few milliseconds of one rewrite, and a holder that never lets go must not
// hang its waiters.
bool LockWholeFileWithin(FileHandle file, int milliseconds) {
  struct flock lock{};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  int waited = 0, pause = 2;
  for (;;) {
    if (::fcntl(Descriptor(file), F_OFD_SETLK, &lock) == 0) return true;
    if (errno != EAGAIN && errno != EACCES && errno != EINTR) return false;
    if (waited >= milliseconds) return false;
    const int step = std::min(pause, milliseconds - waited);
    PauseMilliseconds(step);
    waited += step;
    pause = std::min(pause * 2, 100);
  }
}

// The owner first: a change of owner may clear permission bits.
bool TakeAccessOf(FileHandle file, FileHandle model) {
  struct stat info, mine;
  if (::fstat(Descriptor(model), &info) != 0 || ::fstat(Descriptor(file), &mine) != 0) return false;
  if (mine.st_uid != info.st_uid || mine.st_gid != info.st_gid) {
    if (::fchown(Descriptor(file), info.st_uid, info.st_gid) != 0)
      (void)::fchown(Descriptor(file), static_cast<uid_t>(-1), info.st_gid);
  }
  return ::fchmod(Descriptor(file), info.st_mode & 07777) == 0;
}

bool GiveDefaultAccess(FileHandle file) { return ::fchmod(Descriptor(file), DefaultPermissions()) == 0; }

bool LastWriteTimeOf(FileHandle file, CalendarTime& time) {
  struct stat info;
  if (::fstat(Descriptor(file), &info) != 0) return false;
  time = posix::LocalCalendarTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
  return true;
}

bool RemoveOpenedFile(std::string_view path, FileHandle file) {
  const std::string native = NativePath(path);
  struct stat named, opened;
  if (native.empty() || ::lstat(native.c_str(), &named) != 0 || ::fstat(Descriptor(file), &opened) != 0) return false;
  if (!S_ISREG(named.st_mode) || named.st_dev != opened.st_dev || named.st_ino != opened.st_ino) {
    errno = EEXIST;
    return false;
  }
  if (::unlink(native.c_str()) != 0) return false;
  posix::NoteEntryChanged(native, false);
  return true;
}

bool FlushDirectory(std::string_view path) {
  const std::string native = path.empty() ? std::string() : NativePath(path);
  const int fd = OpenNative(native.empty() ? std::string(".") : native, O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  const bool flushed = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot
  ::close(fd);
  return flushed;
}

std::string MakePrivateDirectory(std::string_view path_prefix) {
  std::string pattern = posix::ToSystemName(path_prefix);
  pattern = posix::TranslatePath(pattern);
  if (pattern.empty()) return "";
  pattern += "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return "";
  posix::NoteEntryChanged(pattern, true);
  return posix::FromSystemName(pattern);
}

}  // namespace kel::platform
