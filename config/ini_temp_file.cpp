#include "config/ini_temp_file.h"

#include "config/ini_companions.h"

namespace kel::ini {

// Made private first and opened up before the caller writes a byte, as a settings rewrite is.
platform::FileHandle CreateTempFile(std::string_view target, std::string& name) {
  const platform::FileHandle file = CreateRewriteFile(target, name);
  if (file != platform::kNoFile && !platform::GiveDefaultAccess(file)) {
    platform::CloseFile(file);
    platform::RemoveFile(name);
    name.clear();
    return platform::kNoFile;
  }
  return file;
}

}  // namespace kel::ini
