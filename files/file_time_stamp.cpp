#include <cstdio>
#include <string>

#include "files/file_utils.h"
#include "platform/process.h"
#include "platform/codepage.h"
#include "platform/file_system.h"

namespace kel {
namespace {

std::string Digits(int value, int width) {
  std::string text = std::to_string(value < 0 ? 0 : value);
  if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
  return text;
}

}  // namespace

std::string FileTimeStamp(std::string_view file) {
  const platform::FileHandle handle = platform::OpenFileHandle(file, platform::OpenMode::Read, platform::ShareMode::ReadWrite);
  platform::CalendarTime time;
  const bool known = handle != platform::kNoFile && platform::LastWriteTime(file, time);
  if (handle != platform::kNoFile) platform::CloseFile(handle);
  if (!known) {
    const std::string message = "Error dirTime " + std::string(file) + "\n";
    std::fputs(ToSystemText(message).c_str(), stdout);
    platform::EndProcess(0);
  }
  return Digits(time.year, 4) + Digits(time.month, 2) + Digits(time.day, 2) + Digits(time.hour, 2) +
         Digits(time.minute, 2) + Digits(time.second, 2);
}

}  // namespace kel
