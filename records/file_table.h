// The table of open record files: 40 slots, each an open file of the record manager with the
// caller's record area, the key path in use, its key value and the lock mode; and the
// lock-mode stack through which a screen switches the locking of a file and puts it back.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "records/record_manager.h"

namespace kel {

inline constexpr int kFileSlots = 40;
// The longest record area a slot may name (the size of the layer's data buffer).
inline constexpr int kRecordAreaLimit = 1536;

// Lock modes of a slot.
enum LockMode : std::int16_t { kLockNone = 0, kLockWait = 1, kLockNoWait = 2 };

struct FileSlot {
  std::int16_t handle = 0;  // 0: the slot is free
  std::array<char, kPositionBlockSize> position_block{};
  char* record_area = nullptr;  // the caller's record variable
  std::int32_t record_length = 0;
  std::int16_t key_number = 0;
  std::string key_value;  // as long as the key
  std::int16_t lock_mode = kLockNone;
};

// Slot 1 to 40 of the table.
FileSlot& FileTableSlot(int slot);
// Slot number of a handle; otherwise minus the highest free slot number, 0 when the table is
// full. Handle 0 names no file.
int FindFileSlot(std::int16_t handle);
// Applies lock-mode letters to a handle's slot: D none, A lock and wait, B lock without
// waiting, + save the mode, - restore the mode saved last for the slot. Status 3 when the
// handle has no slot, else left as it was.
void SetLockMode(std::int16_t handle, std::string_view letters, std::int16_t& status);
// The saved (slot, mode) byte pairs, oldest first.
const std::string& LockModeStack();

// Opens a record file under a handle into a free slot with the caller's record area, a key
// path and a lock mode; the key value starts as NUL bytes of the key's length. Statuses of
// the record manager, and 1 for handle 0, a handle in use or a record area longer than the
// limit, 6 for a key the file lacks, 86 when the table is full.
std::int16_t OpenRecordFile(std::int16_t handle, std::string_view path, char* record_area,
                            std::int32_t record_length, std::int16_t key_number,
                            std::int16_t lock_mode = kLockNone);
// Closes a handle's file and frees its slot; 3 when the handle has no slot.
std::int16_t CloseRecordFile(std::int16_t handle);
// Closes every open file of the table.
void CloseAllRecordFiles();

// Frees every slot without calling the record manager and empties the stack (tests).
void ResetFileTable();

}  // namespace kel
