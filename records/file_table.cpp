#include "records/file_table.h"

#include <cctype>
#include <cstring>

#include "records/record_access.h"

namespace kel {
namespace {

struct FileTableState {
  std::array<FileSlot, kFileSlots + 1> slots{};  // slot 0 unused
  std::string lock_mode_stack;
};

FileTableState& State() {
  static FileTableState state;
  return state;
}

}  // namespace

FileSlot& FileTableSlot(int slot) {
  if (slot < 1 || slot > kFileSlots) return State().slots[0];
  return State().slots[static_cast<std::size_t>(slot)];
}

int FindFileSlot(std::int16_t handle) {
  int free_slot = 0;
  for (int slot = 1; slot <= kFileSlots; ++slot) {
    const std::int16_t held = State().slots[static_cast<std::size_t>(slot)].handle;
    // A free slot's handle is 0, which names no file.
    if (held == 0)
      free_slot = slot;
    else if (held == handle)
      return slot;
  }
  return -free_slot;
}

void SetLockMode(std::int16_t handle, std::string_view letters, std::int16_t& status) {
  const int slot = FindFileSlot(handle);
  if (slot <= 0) {
    status = kStatusFileNotOpen;
    return;
  }
  FileSlot& file = FileTableSlot(slot);
  std::string& stack = State().lock_mode_stack;
  for (const char letter : letters) {
    switch (std::toupper(static_cast<unsigned char>(letter))) {
      case 'D': file.lock_mode = kLockNone; break;
      case 'A': file.lock_mode = kLockWait; break;
      case 'B': file.lock_mode = kLockNoWait; break;
      case '+':
        stack.push_back(static_cast<char>(slot));
        stack.push_back(static_cast<char>(file.lock_mode));
        break;
      case '-':
        for (std::size_t pair = stack.size() / 2; pair-- > 0;) {
          if (static_cast<unsigned char>(stack[2 * pair]) == slot) {
            file.lock_mode = static_cast<std::int16_t>(static_cast<unsigned char>(stack[2 * pair + 1]));
            stack.erase(2 * pair, 2);
            break;
          }
        }
        break;
      default: break;
    }
  }
}

const std::string& LockModeStack() { return State().lock_mode_stack; }

std::int16_t OpenRecordFile(std::int16_t handle, std::string_view path, char* record_area,
                            std::int32_t record_length, std::int16_t key_number, std::int16_t lock_mode) {
  if (handle == 0 || !record_area || record_length <= 0 || record_length > kRecordAreaLimit ||
      path.size() > static_cast<std::size_t>(kKeyBufferSize))
    return kStatusInvalidOperation;
  const int found = FindFileSlot(handle);
  if (found > 0) return kStatusInvalidOperation;
  if (found == 0) return kStatusTooManyFiles;
  FileSlot& file = FileTableSlot(-found);
  FileSlot opened;
  char key[kKeyBufferSize + 1] = {};
  std::memcpy(key, path.data(), path.size());
  std::int32_t no_data = 0;
  const std::int16_t status = RecordManagerCall(kOpOpen, opened.position_block.data(), nullptr, no_data, key,
                                                static_cast<std::int16_t>(path.size()), 0);
  if (status != kStatusOk) return status;
  opened.handle = handle;
  opened.record_area = record_area;
  opened.record_length = record_length;
  opened.key_number = key_number;
  opened.lock_mode = lock_mode;
  file = std::move(opened);
  std::int32_t key_length = 0, file_record_length = 0;
  KeyInfo(handle, key_number, key_length, file_record_length);
  if (key_length == 0) {
    CloseRecordFile(handle);
    return kStatusInvalidKeyNumber;
  }
  file.key_value.assign(static_cast<std::size_t>(key_length), '\0');
  return kStatusOk;
}

std::int16_t CloseRecordFile(std::int16_t handle) {
  const int slot = FindFileSlot(handle);
  if (slot <= 0) return kStatusFileNotOpen;
  FileSlot& file = FileTableSlot(slot);
  std::int32_t no_data = 0;
  char key[kKeyBufferSize + 1] = {};
  const std::int16_t status = RecordManagerCall(kOpClose, file.position_block.data(), nullptr, no_data, key, 0, 0);
  // The slot is freed whatever the answer: a file the record manager no longer knows is closed.
  file = FileSlot{};
  // Saved modes of the slot belong to the file that held it.
  std::string& stack = State().lock_mode_stack;
  for (std::size_t pair = stack.size() / 2; pair-- > 0;)
    if (static_cast<unsigned char>(stack[2 * pair]) == slot) stack.erase(2 * pair, 2);
  return status;
}

void CloseAllRecordFiles() {
  for (int slot = 1; slot <= kFileSlots; ++slot) {
    const std::int16_t handle = FileTableSlot(slot).handle;
    if (handle != 0) CloseRecordFile(handle);
  }
}

void ResetFileTable() {
  for (FileSlot& slot : State().slots) slot = FileSlot{};
  State().lock_mode_stack.clear();
}

}  // namespace kel
