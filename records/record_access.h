// Walking an open record file by key: seek, move, physical positions, key lengths and key
// collation forms, and the record manager call that waits for a locked record with a notice
// on row 24 in the session's language.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "textfmt/language.h"

namespace kel {

// The layer's data and key buffer sizes.
inline constexpr int kDataBufferSize = 1536;
inline constexpr int kLayerKeyBufferSize = 256;
// Status of SeekKey for a key number without segments.
inline constexpr std::int16_t kStatusNoSuchKey = 1004;
// Screen row of the lock notice.
inline constexpr int kLockMessageRow = 24;

// With position 0 the current record's physical position (0 on failure); otherwise reads the
// record at that position into the record area and answers the status.
std::int32_t RecordPosition(std::int16_t handle, std::int32_t position);
// Moves count records on (positive) or back (negative) on the slot's key; the last one is read
// into the record area.
void MoveRecords(std::int16_t handle, std::int16_t count, std::int16_t& status);
// Reads the record whose key equals (direction 0), is at least (positive) or at most
// (negative) the key value, and makes the key path current.
void SeekKey(std::int16_t handle, std::int16_t key_number, std::string_view key_value,
             std::int16_t direction, std::int16_t& status);
// Length of a key and of the file's records, from the file status; 0 and 0 when unknown.
void KeyInfo(std::int16_t handle, std::int16_t key_number, std::int32_t& key_length,
             std::int32_t& record_length);
// The key value as a text that compares byte by byte in the order of the handle's current key.
std::string KeyCollationForm(std::string_view key_value, std::int16_t handle);
// KeyCollationForm of the slot's key value; "" when the handle has no slot.
std::string CurrentKeyCollationForm(std::int16_t handle);
// One record manager call for a slot with the lock bias of its lock mode; with lock mode 1 a
// locked record is waited for, the notice shown from the second attempt on.
void CallWithLockWait(int slot, std::int16_t operation, std::int16_t& status);

// The lock notice in a language.
std::string LockWaitMessage(Language language);

// What the lock wait sleeps with, given the milliseconds.
using LockPause = std::function<void(int milliseconds)>;
// Puts a pause in place of the system's sleep; an empty one puts the sleep back.
void InstallLockPause(LockPause pause);
// A random pause length of the lock wait: 1 to 10,001 milliseconds.
int RandomLockPause();
// Puts the system's sleep back (tests).
void ResetRecordAccess();

}  // namespace kel
