// The companion files of a settings file: the lock its writers queue on and the rewrite
// files through which it is replaced.
//
// Both are named after the settings file as the system resolves it, its name folded to
// capitals, so that every spelling of one file ("s.ini", "S.INI", "s.ini ") meets the same
// companions: the lock ".NAME.lck" and the rewrite files ".NAME.<8 random digits>.tmp", beside
// the file. Hidden names keep them out of copies and listings of a terminal's directory.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kel::ini {

// Path of the lock file of a settings file.
std::string LockFileName(std::string_view file);

// A new name for a rewrite file of a settings file, its 8 digits from the system's random
// source.
std::string DrawRewriteName(std::string_view file);

// Creates a rewrite file, readable and writable by its owner only, under a name that no entry
// (file, directory or link) holds; kNoFile when none can be created.
platform::FileHandle CreateRewriteFile(std::string_view file, std::string& name);

// Removes the rewrite files of a settings file that writers left behind when they were ended
// before their rename. Only for the holder of the file's lock: no other writer of the file
// can then be at work, so every rewrite file of it is abandoned.
void RemoveAbandonedRewrites(std::string_view file);

}  // namespace kel::ini
