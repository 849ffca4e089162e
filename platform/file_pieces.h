// File contents moved through the system's read and write calls, the same on every system.
#pragma once

#include <cstdint>

#include "platform/file_system.h"

namespace kel::platform {

// Copies from the files' positions, 1 MB at a time, until size bytes in all are copied (done
// of them already); the bytes copied (fewer at the source's end), -1 on failure.
std::int64_t CopyFilePieces(FileHandle from, FileHandle to, std::int64_t size, std::int64_t done);

}  // namespace kel::platform
