// Paths as text, written the Windows way ("TERM\1\", "C:\KEL\"); "/" counts as a separator
// as well, since paths from the environment of a POSIX system hold it.
#pragma once

#include <string>
#include <string_view>

namespace kel {

// The path cut back to its last separator (":", "\" or "/"), the separator included; empty
// when the path holds none.
std::string_view DirectoryOf(std::string_view path);

// The directory with "\" appended, unless it is empty or already ends in ":", "\" or "/".
std::string WithTrailingSeparator(std::string directory);

}  // namespace kel
