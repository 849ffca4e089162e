// Files and directories, as the system sees them.
//
// Paths are program text (code page 850) in the system's Windows form: "\" or "/" as
// separators, an optional drive letter, "." and "..". On POSIX the path is translated here:
// the drive letter is dropped, separators become "/", blanks and dots that end a name are
// dropped as Windows drops them, and every component is matched against the existing entries
// of its directory, exact name first, then ignoring letter case, so that
// "TERM\1\nuroterm.ini" finds "TERM/1/NuroTerm.ini". Components that do not exist keep the
// letter case they were given.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kel::platform {

// ---- Paths ----------------------------------------------------------------------------------

// The native (UTF-8 on POSIX) path of a path in the system's form.
std::string NativePath(std::string_view path);

// While one lives, the case-insensitive reading of a directory stays trusted after this
// process's own changes to it, so that a copy of many files does not read the destination
// again for every file. Outside such a bulk operation a reading is trusted only once the
// directory has been still for a while, so that an entry another workstation adds in another
// letter case between this process's look and its change is never missed for long.
class BulkDirectoryChanges {
 public:
  BulkDirectoryChanges();
  ~BulkDirectoryChanges();
  BulkDirectoryChanges(const BulkDirectoryChanges&) = delete;
  BulkDirectoryChanges& operator=(const BulkDirectoryChanges&) = delete;
};

// ---- Files ------------------------------------------------------------------------------------

using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

enum class OpenMode {
  Read,           // existing file, read only
  ReadWrite,      // existing file, read and write
  OpenOrCreate,   // read and write, created empty when missing
  CreateAlways,   // read and write, created or emptied
  CreateNew,      // read and write, only when no entry (not even a link) has that name
  CreatePrivate,  // as CreateNew, the file readable and writable by its owner only
};
// The modes that write open regular files only, never through a link at the name, and never
// wait on a FIFO or a device.

// What other openers may do while the file is open (honoured where the system can).
enum class ShareMode { None, Read, ReadWrite };

// Opens a file; kNoFile on failure (a read-only file is never opened for writing).
FileHandle OpenFileHandle(std::string_view path, OpenMode mode, ShareMode share = ShareMode::ReadWrite);
// Closes a file handle; false on failure.
bool CloseFile(FileHandle file);
// Reads up to size bytes at the file position; bytes read, 0 at the end, -1 on failure.
std::int64_t ReadFromFile(FileHandle file, void* buffer, std::size_t size);
// Writes all bytes at the file position; false when not all were written.
bool WriteToFile(FileHandle file, const void* buffer, std::size_t size);
// Reads up to size bytes at an offset (0-based) without moving the file position; bytes
// read, 0 at the end, -1 on failure.
std::int64_t ReadFromFileAt(FileHandle file, std::int64_t offset, void* buffer, std::size_t size);
// Writes all bytes at an offset (0-based) without moving the file position.
bool WriteToFileAt(FileHandle file, std::int64_t offset, const void* buffer, std::size_t size);
// Moves the file position to an absolute offset from the start (0-based).
bool SeekFile(FileHandle file, std::int64_t offset);
// Size of an open file in bytes, -1 on failure.
std::int64_t FileSize(FileHandle file);
// Cuts or extends an open file to a size.
bool ResizeFile(FileHandle file, std::int64_t size);
// Forces the file's data to the disk.
bool FlushFile(FileHandle file);
// Takes an exclusive lock on the whole open file, waiting for it; the lock dies with its
// holder (the handle's close or the process's end).
bool LockWholeFile(FileHandle file);
// Releases the lock of LockWholeFile.
bool UnlockWholeFile(FileHandle file);

// Answer of TryLockFileRange.
enum class RangeLock { Taken, HeldElsewhere, Failed };
// Takes an exclusive lock on length bytes from an offset (0-based) of an open file without
// waiting. Each handle holds its own locks, so two handles of one process exclude each other
// as two processes do; the locks die with the handle's close or the holder's end.
RangeLock TryLockFileRange(FileHandle file, std::int64_t offset, std::int64_t length);
// Releases a lock of TryLockFileRange; false on failure.
bool UnlockFileRange(FileHandle file, std::int64_t offset, std::int64_t length);

// Copies up to size bytes from one file's position to the other's in bounded pieces (the
// system's own copy where it has one); bytes copied (fewer at the source's end), -1 on failure.
std::int64_t CopyFileData(FileHandle from, FileHandle to, std::int64_t size);

// Reads a whole file into a string; false when it cannot be opened or read.
bool ReadWholeFile(std::string_view path, std::string& contents);

// ---- Entries ----------------------------------------------------------------------------------

// Entry attributes, with the Windows values.
enum Attribute : std::uint32_t {
  kReadOnly = 0x01,   // POSIX: the owner may not write
  kHidden = 0x02,     // POSIX: the name starts with "."
  kSystem = 0x04,
  kDirectory = 0x10,
  kArchive = 0x20,
};

// Local calendar time of a file or of the clock.
struct CalendarTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, hundredths = 0;
};

// Attributes of an entry, or -1 when there is none.
std::int64_t EntryAttributes(std::string_view path);
// Sets read-only (and, where the system has it, hidden) of an entry.
bool SetEntryAttributes(std::string_view path, std::uint32_t attributes);
// Deletes a file (not a directory).
bool RemoveFile(std::string_view path);
// Renames an entry; fails when the target exists.
bool RenameFile(std::string_view from, std::string_view to);
// Renames a file over an existing one in one step, so readers find the old or the new file,
// and forces the directory to the disk; the new file keeps the old one's permissions (and its
// group, where the process may set it).
bool ReplaceByRename(std::string_view from, std::string_view to);
// Creates one directory.
bool MakeDirectory(std::string_view path);
// Removes one empty directory.
bool RemoveEmptyDirectory(std::string_view path);
// Last-write time of an entry in local time; false when there is no entry.
bool LastWriteTime(std::string_view path, CalendarTime& time);

// One entry found by a directory search.
struct DirectoryEntry {
  std::string name;        // the entry's name, program text
  std::string short_name;  // its short (8.3) name where the system has one, else empty
  std::uint32_t attributes = 0;
  std::int64_t size = 0;
  CalendarTime last_write;
};

// Entries of a directory whose names match the wildcard pattern of the path's last component
// ("*" any run, "?" one character, "*.*" also names without a dot, letter case ignored; an
// empty one matches all), "." and ".." left out, in the system's order. Names that a path in
// the system's form cannot address (control characters, "\", characters the code page
// lacks) are left out too.
std::vector<DirectoryEntry> FindFiles(std::string_view pattern_path);

// True when a name matches a wildcard pattern by the system's rules.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// ---- Shared directories -------------------------------------------------------------------
// Other users may plant links, FIFOs and files in a shared directory, or swap one entry for
// another between two calls: these calls look at entries without following links and act on
// the descriptor they opened.

// What an entry is, looked at without following a link at its name.
enum class EntryKind { Missing, File, Directory, Link, Other };
EntryKind KindOfEntry(std::string_view path);
// The path as the system resolves it (existing components in their own letter case, the
// blanks and dots that end names dropped), in program text with "/" separators.
std::string ResolvedPath(std::string_view path);
// Opens an existing regular file, never waiting on a FIFO or a device. For writing only when
// this user may write it and it is not read-only, and then never through a link at its name;
// for reading a link to a regular file is followed. kNoFile otherwise.
FileHandle OpenRegularFile(std::string_view path, bool for_writing);
// Opens, creating it when missing, the lock file that guards another file: never through a
// link at its name, a regular file only. A lock file this user owns gets the guarded file's
// group and its read and write permissions, so that whoever may write that file may take it.
FileHandle OpenLockFile(std::string_view path, std::string_view guarded);
// Takes the lock of LockWholeFile, waiting at most a number of milliseconds; false when
// another holder kept it all that time (or the handle cannot be locked).
bool LockWholeFileWithin(FileHandle file, int milliseconds);
// Gives an open file the group and permissions of another (and its owner, where this process
// may give it), so that a copy of it is never more exposed than the original.
bool TakeAccessOf(FileHandle file, FileHandle model);
// Gives an open file the permissions a new file gets by the process's umask.
bool GiveDefaultAccess(FileHandle file);
// Last-write time of an open file in local time.
bool LastWriteTimeOf(FileHandle file, CalendarTime& time);
// Removes a name while it still names the open file: never a link or another entry that was
// put in its place.
bool RemoveOpenedFile(std::string_view path, FileHandle file);
// Forces a directory's entries (a rename or a creation in it) to the disk.
bool FlushDirectory(std::string_view path);
// Creates a new directory that only this user may enter, named the path followed by random
// characters; its path (program text), "" on failure.
std::string MakePrivateDirectory(std::string_view path_prefix);

// Code of the last failure of a call of this layer, nonzero.
int LastErrorCode();

}  // namespace kel::platform
