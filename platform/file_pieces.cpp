#include "platform/file_pieces.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace kel::platform {

std::int64_t CopyFilePieces(FileHandle from, FileHandle to, std::int64_t size, std::int64_t done) {
  std::vector<char> buffer(static_cast<std::size_t>(std::clamp<std::int64_t>(size - done, 1, 1 << 20)));
  while (done < size) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(size - done, buffer.size()));
    const std::int64_t got = ReadFromFile(from, buffer.data(), want);
    if (got < 0) return -1;
    if (got == 0) break;
    if (!WriteToFile(to, buffer.data(), static_cast<std::size_t>(got))) return -1;
    done += got;
  }
  return done;
}

bool ReadWholeFile(std::string_view path, std::string& contents) {
  contents.clear();
  const FileHandle file = OpenFileHandle(path, OpenMode::Read);
  if (file == kNoFile) return false;
  char buffer[65536];
  bool ok = true;
  for (;;) {
    const std::int64_t got = ReadFromFile(file, buffer, sizeof buffer);
    if (got < 0) ok = false;
    if (got <= 0) break;
    contents.append(buffer, static_cast<std::size_t>(got));
  }
  CloseFile(file);
  return ok;
}

}  // namespace kel::platform
