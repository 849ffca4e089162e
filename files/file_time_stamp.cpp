#include <string>

#include "files/file_utils.h"
#include "platform/process.h"
#include "platform/file_system.h"
#include "textfmt/zero_pad.h"

namespace kel {
namespace {

std::string StampText(const platform::CalendarTime& time) {
  return ZeroPad(time.year, 4) + ZeroPad(time.month, 2) + ZeroPad(time.day, 2) + ZeroPad(time.hour, 2) +
         ZeroPad(time.minute, 2) + ZeroPad(time.second, 2);
}

}  // namespace

std::string FileTimeStamp(std::string_view file) {
  const platform::FileHandle handle = platform::OpenFileHandle(file, platform::OpenMode::Read, platform::ShareMode::ReadWrite);
  platform::CalendarTime time;
  const bool known = handle != platform::kNoFile && platform::LastWriteTime(file, time);
  if (handle != platform::kNoFile) platform::CloseFile(handle);
  if (!known) platform::EndProcessWithMessage("Error dirTime " + std::string(file) + "\n", 0);
  return StampText(time);
}

std::string OpenFileTimeStamp(platform::FileHandle file) {
  platform::CalendarTime time;
  return file != platform::kNoFile && platform::LastWriteTimeOf(file, time) ? StampText(time) : std::string();
}

}  // namespace kel
