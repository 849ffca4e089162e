#include "records/record_access.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "console/message.h"
#include "console/window.h"
#include "platform/codepage.h"
#include "platform/process.h"
#include "records/file_definition.h"
#include "records/file_table.h"
#include "records/record_manager.h"
#include "startup/session_environment.h"
#include "textfmt/language.h"

namespace kel {
namespace {

struct RecordAccessState {
  LockPause pause;
  std::mt19937 random{std::random_device{}()};
};

RecordAccessState& State() {
  static RecordAccessState state;
  return state;
}

std::uint16_t Get16(const char* bytes) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) |
                                    (static_cast<unsigned char>(bytes[1]) << 8));
}

std::int16_t CountsAsSuccess(std::int16_t status) {
  return status == kStatusDataBufferShort ? std::int16_t{kStatusOk} : status;
}

// The codes that the lock bias applies to.
bool TakesLockBias(int operation) {
  return (operation >= 5 && operation <= 13) || operation == 19 ||
         (operation >= 22 && operation <= 24) || (operation >= 33 && operation <= 35);
}

// The file status as KeyInfo reads it: a first call for the record length, page size and
// number of keys, and a second one whose buffer starts with (page size) zero bytes. False when
// the file status cannot be had.
bool ReadFileStatus(FileSlot& file, std::string& status_bytes) {
  std::string data(kDataBufferSize, ' ');
  std::string key(kLayerKeyBufferSize, ' ');
  std::int32_t length = kDataBufferSize;
  std::int16_t status = RecordManagerCall(kOpStat, file.position_block.data(), data.data(), length,
                                          key.data(), 255, 0);
  if (CountsAsSuccess(status) != kStatusOk || length < 6) return false;
  const std::size_t page_size = std::min<std::size_t>(Get16(data.data() + 2), kDataBufferSize);
  std::fill(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(page_size), '\0');
  length = kDataBufferSize;
  status = RecordManagerCall(kOpStat, file.position_block.data(), data.data(), length, key.data(), 255, 0);
  if (CountsAsSuccess(status) != kStatusOk || length < 6) return false;
  status_bytes.assign(data.data(), static_cast<std::size_t>(std::min(length, kDataBufferSize)));
  return true;
}

// Offset of the first segment description of a key in the file status, with its segment count;
// false when the status does not hold that key.
bool FindKeySegments(const std::string& status, int key_number, std::size_t& first, int& count,
                     std::size_t& after_last) {
  const int keys = Get16(status.data() + 4);
  std::size_t offset = kStatusSegmentsOffset;
  bool found = false;
  for (int key = 0; key < keys; ++key) {
    const std::size_t start = offset;
    int segments = 0;
    for (;;) {
      if (offset + kStatusSegmentSize > status.size()) return false;
      ++segments;
      const std::uint16_t flags = Get16(status.data() + offset + 4);
      offset += kStatusSegmentSize;
      if ((flags & kSegmentContinues) == 0) break;
    }
    if (key == key_number) {
      first = start;
      count = segments;
      found = true;
    }
  }
  after_last = offset;
  return found;
}

// One record manager call that reads without the record area: an empty key buffer, the
// slot's key value taken from what comes back.
std::int16_t PlainRead(FileSlot& file, std::int16_t operation, std::string& data, std::int32_t& length) {
  std::string key(kLayerKeyBufferSize, '\0');
  const std::int16_t status = RecordManagerCall(operation, file.position_block.data(), data.data(), length,
                                                key.data(), 0, file.key_number);
  file.key_value = key.substr(0, file.key_value.size());
  return CountsAsSuccess(status);
}

}  // namespace

std::string LockWaitMessage(Language language) {
  return Cp850(PickText(language, "FITXER BLOQUEJAT. ESPEREU UN MOMENT.",
                        "FICHERO BLOQUEADO. ESPERE UN MOMENTO.", "FICHEIRO BLOQUEADO. ESPERE UM MOMENTO.",
                        "FICHÈR BLOQUEJAT. ESPERATZ UN MOMENT."));
}

int RandomLockPause() {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  return static_cast<int>(std::nearbyint(10000.0 * unit(State().random) + 1.0));
}

void InstallLockPause(LockPause pause) { State().pause = std::move(pause); }

void ResetRecordAccess() { State().pause = nullptr; }

void CallWithLockWait(int slot, std::int16_t operation, std::int16_t& status) {
  FileSlot& file = FileTableSlot(slot);
  if (file.handle == 0) {
    status = kStatusFileNotOpen;
    return;
  }
  if (file.lock_mode != kLockNone && TakesLockBias(operation)) operation = static_cast<std::int16_t>(operation + kLockBias);
  int attempt = 0;
  bool shown = false;
  const std::size_t area = static_cast<std::size_t>(std::clamp(file.record_length, 0, kRecordAreaLimit));
  for (;;) {
    if (attempt == 1) {
      shown = ShowMessage(kLockMessageRow, LockWaitMessage(SessionLanguage()));
      // A terminal is drawn when a key is awaited; the wait sleeps instead, so the notice is
      // sent now.
      FlushScreen();
    }
    std::string data(kDataBufferSize, ' ');
    if (area) std::memcpy(data.data(), file.record_area, area);
    std::int32_t length = static_cast<std::int32_t>(area);
    const char fill = (operation == 8 || operation == 9) ? '\0' : (operation == 10 || operation == 11) ? '\xFF' : ' ';
    std::string key = file.key_value;
    key.resize(kLayerKeyBufferSize, fill);
    status = RecordManagerCall(operation, file.position_block.data(), data.data(), length, key.data(),
                               static_cast<std::int16_t>(std::min<std::size_t>(file.key_value.size(), kLayerKeyBufferSize)),
                               file.key_number);
    const std::size_t returned = std::min<std::size_t>(static_cast<std::size_t>(std::max(length, 0)), area);
    if (returned) std::memcpy(file.record_area, data.data(), returned);
    file.key_value = key.substr(0, file.key_value.size());
    if ((status == kStatusRecordLocked || status == kStatusFileLocked) && file.lock_mode == kLockWait) {
      const int pause = RandomLockPause();
      if (State().pause)
        State().pause(pause);
      else
        platform::PauseMilliseconds(pause);
      attempt = std::min(attempt + 1, 2);
      continue;
    }
    break;
  }
  // The notice is closed only when it was shown: on a screen too small for it nothing opened.
  if (shown) {
    CloseWindow();
    FlushScreen();
  }
}

void MoveRecords(std::int16_t handle, std::int16_t count, std::int16_t& status) {
  const int slot = FindFileSlot(handle);
  if (slot <= 0) {
    status = kStatusFileNotOpen;
    return;
  }
  FileSlot& file = FileTableSlot(slot);
  const std::int16_t operation = count >= 0 ? kOpGetNext : kOpGetPrevious;
  int n = std::abs(static_cast<int>(count));
  status = kStatusOk;
  std::string data(kDataBufferSize, ' ');
  while (n > 1 && status == kStatusOk) {
    std::int32_t length = kDataBufferSize;
    status = PlainRead(file, operation, data, length);
    --n;
  }
  if (n == 1 && status == kStatusOk) {
    CallWithLockWait(slot, operation, status);
    status = CountsAsSuccess(status);
  }
}

void SeekKey(std::int16_t handle, std::int16_t key_number, std::string_view key_value, std::int16_t direction,
             std::int16_t& status) {
  const int slot = FindFileSlot(handle);
  if (slot <= 0) {
    status = kStatusFileNotOpen;
    return;
  }
  std::int32_t key_length = 0, record_length = 0;
  KeyInfo(handle, key_number, key_length, record_length);
  if (key_length == 0) {
    status = kStatusNoSuchKey;
    return;
  }
  FileSlot& file = FileTableSlot(slot);
  file.key_number = key_number;
  file.key_value.assign(key_value.substr(0, static_cast<std::size_t>(key_length)));
  file.key_value.resize(static_cast<std::size_t>(key_length), '\0');
  const std::int16_t operation = direction == 0 ? kOpGetEqual : direction > 0 ? kOpGetGreaterOrEqual : kOpGetLessOrEqual;
  status = kStatusOk;
  CallWithLockWait(slot, operation, status);
  status = CountsAsSuccess(status);
}

std::int32_t RecordPosition(std::int16_t handle, std::int32_t position) {
  const int slot = FindFileSlot(handle);
  if (slot <= 0) return 0;
  FileSlot& file = FileTableSlot(slot);
  std::string data(kDataBufferSize, ' ');
  if (position == 0) {
    std::memset(data.data(), 0, 4);
    std::string key(kLayerKeyBufferSize, '\0');
    std::int32_t length = kDataBufferSize;
    const std::int16_t status = RecordManagerCall(kOpGetPosition, file.position_block.data(), data.data(), length,
                                                  key.data(), 0, 0);
    if (status != kStatusOk) return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(Get16(data.data())) |
                                     (static_cast<std::uint32_t>(Get16(data.data() + 2)) << 16));
  }
  for (int i = 0; i < 4; ++i) data[static_cast<std::size_t>(i)] = static_cast<char>((static_cast<std::uint32_t>(position) >> (8 * i)) & 0xFF);
  std::int32_t length = kDataBufferSize;
  const std::int16_t status = PlainRead(file, kOpGetDirect, data, length);
  if (status == kStatusOk) {
    const std::size_t returned = std::min<std::size_t>(static_cast<std::size_t>(std::max(length, 0)),
                                                       static_cast<std::size_t>(std::clamp(file.record_length, 0, kRecordAreaLimit)));
    if (returned) std::memcpy(file.record_area, data.data(), returned);
  }
  return status;
}

void KeyInfo(std::int16_t handle, std::int16_t key_number, std::int32_t& key_length, std::int32_t& record_length) {
  key_length = 0;
  record_length = 0;
  const int slot = FindFileSlot(handle);
  if (slot <= 0) return;
  FileSlot& file = FileTableSlot(slot);
  std::string status;
  if (!ReadFileStatus(file, status)) return;
  record_length = Get16(status.data());
  if (key_number < 0 || key_number >= Get16(status.data() + 4)) return;
  std::size_t first = 0, after_last = 0;
  int count = 0;
  if (!FindKeySegments(status, key_number, first, count, after_last)) return;
  for (int segment = 0; segment < count; ++segment)
    key_length += Get16(status.data() + first + static_cast<std::size_t>(segment) * kStatusSegmentSize + 2);
}

std::string KeyCollationForm(std::string_view key_value, std::int16_t handle) {
  std::string form(key_value);
  const int slot = FindFileSlot(handle);
  if (slot <= 0) return form;
  FileSlot& file = FileTableSlot(slot);
  std::string status;
  std::size_t first = 0, after_last = 0;
  int count = 0;
  if (!ReadFileStatus(file, status) || !FindKeySegments(status, file.key_number, first, count, after_last))
    return form;
  const bool has_table = after_last + kAlternateSize <= status.size();
  std::size_t p = 0;
  for (int segment = 0; segment < count; ++segment) {
    const char* description = status.data() + first + static_cast<std::size_t>(segment) * kStatusSegmentSize;
    const std::size_t length = Get16(description + 2);
    const std::uint16_t flags = Get16(description + 4);
    if (flags & kSegmentBinary) {
      if (form.size() < p + length) form.resize(p + length, '\0');
      std::reverse(form.begin() + static_cast<std::ptrdiff_t>(p), form.begin() + static_cast<std::ptrdiff_t>(p + length));
    } else if ((flags & kSegmentAlternate) && has_table) {
      for (std::size_t i = p; i < p + length && i < form.size(); ++i)
        form[i] = status[after_last + 9 + static_cast<unsigned char>(form[i])];
    }
    p += length;
  }
  return form;
}

std::string CurrentKeyCollationForm(std::int16_t handle) {
  const int slot = FindFileSlot(handle);
  if (slot <= 0) return "";
  return KeyCollationForm(FileTableSlot(slot).key_value, handle);
}

}  // namespace kel
