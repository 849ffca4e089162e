// The toolkit's working files in the session's temporary directory: the window stack
// ("WinPush.tmp") and the browse list's row cache ("Browse.tmp"). A screen claims its working
// file while it uses it; every way the process ends (the normal end, EndProcess, a signal that
// ends it, a terminal that is gone) removes the files still claimed, so that the next run of
// the session does not build on them.
//
// A claim also tells other processes that the file is in use: a program started from inside a
// window stacks its windows on its caller's, while a file that no running process claims was
// left behind by one that ended and is stale.
//
// Use: claim right after the file is created, release just before it is deleted. The browse
// list's row cache, for example:
//   ClaimWorkingFile(Session().TempDir + "Browse.tmp");   // after creating it
//   ReleaseWorkingFile(Session().TempDir + "Browse.tmp"); // before deleting it
#pragma once

#include <cstdint>
#include <string_view>

namespace kel::platform {

// Claims an existing regular file (not a link) for removal at the end of the process; false
// when it cannot be opened or too many files are claimed. Claiming it again changes nothing.
bool ClaimWorkingFile(std::string_view path);
// Claims a working file that a running process started (its caller's window stack): at the
// end it is cut back to keep_bytes bytes, with head (at most 16 bytes) written at its start,
// instead of being removed.
bool ClaimSharedWorkingFile(std::string_view path, std::int64_t keep_bytes,
                            std::string_view head);
// Gives up the claim; the file is left as it is.
void ReleaseWorkingFile(std::string_view path);
// Whether this process or another one that runs claims the file.
bool WorkingFileInUse(std::string_view path);
// Removes (or cuts back) every claimed file now; the end of the process runs this, and it is
// safe inside a signal handler.
void EndWorkingFiles();
// Forgets every claim without touching the files (tests, after the process's clean-ups were
// reset).
void ResetWorkingFiles();

}  // namespace kel::platform
