#include "console/browse_rows.h"

#include <algorithm>
#include <array>
#include <limits>

#include "console/definitions.h"
#include "platform/working_files.h"
#include "startup/session_environment.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

namespace fs = platform;

// Texts are at most as long as their 16-bit length can say.
constexpr std::size_t kLongestText = std::numeric_limits<std::int16_t>::max();
// Bytes read at once when a row is read: the header and a text of ordinary length.
constexpr std::size_t kReadAhead = 256;
// Appended rows are written once this many bytes wait.
constexpr std::size_t kWriteBatch = 64 * 1024;

struct RowCacheState {
  RowCache* prepared = nullptr;
};

RowCacheState& State() {
  static RowCacheState state;
  return state;
}

void PutNumber(std::string& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t GetNumber(const char* bytes, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
  return value;
}

bool ReadExactly(fs::FileHandle file, std::int64_t offset, char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const std::int64_t got = fs::ReadFromFileAt(file, offset + static_cast<std::int64_t>(done),
                                               buffer + done, size - done);
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace

std::string BrowseCachePath() { return Session().TempDir + kBrowseCacheFile; }

bool OpenRowCache(RowCache& cache) {
  cache = RowCache{};
  const std::string path = BrowseCachePath();
  // A file left by a run that ended abruptly, or anything planted at the name, goes first;
  // the new file is then created only where no entry at all has the name.
  fs::RemoveFile(path);
  // Shared for reading and writing: the claim below opens the file again, and on Windows a
  // handle that shares nothing would keep it from doing so (the cache would then outlive a
  // process that ends abruptly).
  cache.file = fs::OpenFileHandle(path, fs::OpenMode::CreateNew, fs::ShareMode::ReadWrite);
  if (cache.file == fs::kNoFile) return false;
  // However the process ends, the cache goes with it.
  fs::ClaimWorkingFile(path);
  return true;
}

bool EmptyRowCache(RowCache& cache) {
  if (cache.file == fs::kNoFile) return false;
  cache.end = 1;
  cache.last_row = 0;
  cache.unwritten.clear();
  return fs::ResizeFile(cache.file, 0);
}

bool AppendRow(RowCache& cache, std::int32_t value, std::string_view text) {
  if (cache.file == fs::kNoFile) return false;
  text = text.substr(0, kLongestText);
  const std::int64_t after = std::int64_t{cache.end} + kBrowseRowHeader +
                             static_cast<std::int64_t>(text.size());
  // Positions are 32-bit numbers in the file.
  if (after > std::numeric_limits<std::int32_t>::max()) return false;
  std::string& bytes = cache.unwritten;
  PutNumber(bytes, static_cast<std::uint32_t>(cache.last_row), 4);
  PutNumber(bytes, static_cast<std::uint32_t>(value), 4);
  PutNumber(bytes, static_cast<std::uint32_t>(text.size()), 2);
  bytes.append(text);
  cache.last_row = cache.end;
  cache.end = static_cast<std::int32_t>(after);
  return bytes.size() < kWriteBatch || WriteAppendedRows(cache);
}

bool WriteAppendedRows(RowCache& cache) {
  if (cache.unwritten.empty()) return true;
  const auto size = static_cast<std::int32_t>(cache.unwritten.size());
  const std::int32_t start = cache.end - size;
  if (cache.file != fs::kNoFile &&
      fs::WriteToFileAt(cache.file, start - 1, cache.unwritten.data(), cache.unwritten.size())) {
    cache.unwritten.clear();
    return true;
  }
  // Rows written in part are cut off again, so that the file keeps whole rows only; the last
  // row is then found again from the rows that remain.
  cache.unwritten.clear();
  cache.end = start;
  fs::ResizeFile(cache.file, start - 1);
  cache.last_row = 0;
  for (std::int32_t position = 1; position < cache.end;) {
    BrowseRow row;
    if (!ReadRow(cache, position, row)) break;
    cache.last_row = position;
    position = PositionAfter(position, row);
  }
  return false;
}

bool ReadRow(RowCache& cache, std::int32_t position, BrowseRow& row) {
  if (!cache.unwritten.empty()) WriteAppendedRows(cache);
  if (cache.file == fs::kNoFile || position < 1 ||
      std::int64_t{position} + kBrowseRowHeader > cache.end) {
    return false;
  }
  std::array<char, kReadAhead> buffer;
  const std::size_t wanted =
      std::min<std::size_t>(buffer.size(), static_cast<std::size_t>(cache.end - position));
  if (!ReadExactly(cache.file, position - 1, buffer.data(), wanted)) return false;
  const auto previous = static_cast<std::int32_t>(GetNumber(buffer.data(), 4));
  const auto value = static_cast<std::int32_t>(GetNumber(buffer.data() + 4, 4));
  const auto length = static_cast<std::int16_t>(GetNumber(buffer.data() + 8, 2));
  if (length < 0 || std::int64_t{position} + kBrowseRowHeader + length > cache.end ||
      previous < 0 || previous >= position) {
    return false;
  }
  row.previous = previous;
  row.value = value;
  const auto size = static_cast<std::size_t>(length);
  if (kBrowseRowHeader + size <= wanted) {
    row.text.assign(buffer.data() + kBrowseRowHeader, size);
    return true;
  }
  row.text.assign(size, '\0');
  return ReadExactly(cache.file, position - 1 + kBrowseRowHeader, row.text.data(), size);
}

std::int32_t PositionAfter(std::int32_t position, const BrowseRow& row) {
  return position + kBrowseRowHeader + static_cast<std::int32_t>(row.text.size());
}

void CloseRowCache(RowCache& cache) {
  if (cache.file != fs::kNoFile) {
    const std::string path = BrowseCachePath();
    fs::CloseFile(cache.file);
    fs::ReleaseWorkingFile(path);
    fs::RemoveFile(path);
  }
  cache = RowCache{};
}

RowCache* PreparedRowCache() { return State().prepared; }

void SetPreparedRowCache(RowCache* cache) { State().prepared = cache; }

bool AppendBrowseRow(std::int32_t value, std::string_view text) {
  RowCache* cache = State().prepared;
  return cache != nullptr && AppendRow(*cache, value, text);
}

bool AppendBrowseListRows() {
  bool all = true;
  for (int number = 0; number < kBrowseListSize; ++number) {
    const std::string& text = BrowseList(number);
    if (!text.empty()) all = AppendBrowseRow(number, text) && all;
  }
  return all;
}

namespace {
void ResetRowCacheState() { State() = RowCacheState{}; }
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetRowCacheState);
}  // namespace

}  // namespace kel
