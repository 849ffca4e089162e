// File and directory utilities: copying files by name pattern, directory listings held in
// temporary files, existence tests, directory paths, unique file names, time stamps and the
// parts of a path.
//
// Paths are program text in the system's form ("\", "/" and ":" separate, except where an
// operation says otherwise) and may be absolute, drive-relative or relative to the current
// directory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kel {

// ---- Entry selection ------------------------------------------------------------------------

// Bits of the entry selection: which directory entries FileExists and the listings admit.
inline constexpr std::uint16_t kSelectReadOnly = 1;   // entries that carry read-only
inline constexpr std::uint16_t kSelectHidden = 2;     // entries that carry hidden
inline constexpr std::uint16_t kSelectSystem = 4;     // entries that carry system
inline constexpr std::uint16_t kSelectVolume = 8;     // the volume label
inline constexpr std::uint16_t kSelectDirectory = 16; // directories
inline constexpr std::uint16_t kSelectFile = 32;      // ordinary files

// The module-wide entry selection word (0 until the first search makes it ordinary files).
std::uint16_t EntrySelection();
// Replaces the entry selection word.
void SetEntrySelection(std::uint16_t selection);
// True when an entry of these attributes is admitted under the entry selection.
bool EntryAdmitted(std::uint32_t attributes);

// ---- Copying --------------------------------------------------------------------------------

// Copies every admitted file that matches the source pattern into the destination's
// directory (the destination cut back to its last separator), under its listed upper-case
// name, overwriting what was there. A destination that is a link or not a regular file is not
// written. Files that cannot be copied are left out; false when one was, or when the listing
// of the source could not be made.
bool CopyFiles(std::string_view source_pattern, std::string_view destination);

// ---- Listings -------------------------------------------------------------------------------

// Writes the names of the admitted entries that match a pattern into a new listing file in
// the temporary directory and makes it the current listing (listings nest).
void OpenFileListing(std::string_view pattern);
// Next name of the current listing; true (and name "") when there is none left.
bool NextListedFile(std::string& name);
// Deletes the current listing; the one opened before it becomes current again.
void CloseFileListing();
// Names of the open listing files, each followed by "|", the current one first.
std::string ListingStack();

// ---- Entries --------------------------------------------------------------------------------

// True when the first entry matching the path (wildcards allowed) is admitted under the
// entry selection; a read-only file or a directory does not count with the usual selection.
bool FileExists(std::string_view path);
// Creates each level of a path ("\" separates levels); 0 when the last level was created,
// -1 otherwise (also when it already existed).
int MakeDirectoryPath(std::string_view path);
// Deletes the files matching a path, else the files of the directory it names and the
// directory itself; 0 on success, else the failure's code. A link is removed itself, never
// what it points to.
int RemoveFileOrDirectory(std::string_view path);
// Directory + prefix (3 characters at most) + random characters 0-9 A-Z up to 8, + "." and
// extension (3 characters at most): a name that was free, now taken by a new empty file
// created exclusively, so that no one else can take it or have it pointed elsewhere.
std::string UniqueFileName(std::string_view directory, std::string_view prefix, std::string_view extension);
// The new file of UniqueFileName, readable and writable by its owner only and kept open, so
// that the caller acts on the file itself and never on whatever may later hold its name;
// kNoFile (and name "") when none can be created.
platform::FileHandle CreateUniqueFile(std::string_view directory, std::string_view prefix,
                                      std::string_view extension, std::string& name);
// Last-write time of a file as YYYYMMDDhhmmss local time; ends the program with
// "Error dirTime <file>" when the file cannot be opened.
std::string FileTimeStamp(std::string_view file);
// Last-write time of an open file as YYYYMMDDhhmmss local time; "" when it cannot be read.
std::string OpenFileTimeStamp(platform::FileHandle file);

// ---- Paths and memory -----------------------------------------------------------------------

// Bits of a path part mask.
inline constexpr int kPartDrive = 1;       // drive letter and ":"
inline constexpr int kPartDirectory = 2;   // directories with their trailing separator
inline constexpr int kPartName = 4;        // name without extension
inline constexpr int kPartExtension = 8;   // extension with its "."

// The parts of a path chosen by the mask, in the order drive, directories, name, extension.
std::string PathPart(std::string_view path, int mask);
// Available physical memory in bytes, capped at 2,147,483,647.
std::int32_t FreePhysicalMemory();

// ---- Tests ----------------------------------------------------------------------------------

// Draws names from a fixed sequence that starts from a seed instead of the system's random
// source; 0 goes back to the random source (tests).
void SeedFileNames(std::uint32_t seed);
// Forgets the entry selection, the listing stack and a fixed seed (tests).
void ResetFileUtils();

}  // namespace kel
