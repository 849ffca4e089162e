// Temporary files through which other small files of the suite are replaced the way settings
// files are (the calculator's state, for one).
#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kel::ini {

// Creates a temporary file next to a target, under a rewrite file's name of the target (see
// ini_companions.h) that no entry already holds, with the permissions of a new file; kNoFile
// (and name "") when none can be created. The caller writes it and renames it over the target.
platform::FileHandle CreateTempFile(std::string_view target, std::string& name);

}  // namespace kel::ini
