// The temporary files through which settings files are rewritten.
//
// A temporary file lives next to its target, named by 8 random decimal digits and ".tmp".
// The names come from one generator per process, seeded from the time of day in hundredths
// of a second on first use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kel::ini {

// A new name for a temporary file next to a target: the target's directory part (up to its
// last ":", "\" or "/") followed by 8 random digits and ".tmp".
std::string DrawTempName(std::string_view target);

// Creates a temporary file next to a target that no existing entry (file, directory or link)
// already names, drawing new names as needed; kNoFile when none can be created.
platform::FileHandle CreateTempFile(std::string_view target, std::string& name);

// Seeds the name generator with a fixed number, so that tests know the names to come.
void SeedTempNames(std::uint32_t seed);

// Forgets the generator's seed; the next name seeds it from the clock again.
void ResetTempNames();

}  // namespace kel::ini
