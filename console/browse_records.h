// What a browse list over a record file needs of the record-file layer. The layer installs
// these operations at start; a browse over a record file finds nothing to show while they are
// missing. Files are the record layer's file handles, keys its key numbers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kel {

struct BrowseRecordOperations {
  // "+d" before the browse saves the file's lock mode and reads without locks; "-" after it
  // gives the saved mode back. The record chosen with Enter stays the current record.
  std::function<void(std::int16_t file, std::string_view command)> keep_state;
  // Positions on the first record whose key is at least the text; 0 when there is one.
  std::function<int(std::int16_t file, std::int16_t key, std::string_view text)> find_at_least;
  // Reads the next record in the key's order; 0 when there is one.
  std::function<int(std::int16_t file, std::int16_t key)> read_next;
  // Key text of the current record.
  std::function<std::string(std::int16_t file, std::int16_t key)> current_key;
  // A text in the key's stored form, so that it compares with current keys as text.
  std::function<std::string(std::int16_t file, std::int16_t key, std::string_view text)>
      stored_key;
  // Position of the current record in its file.
  std::function<std::int32_t(std::int16_t file)> current_position;
  // Reads the record at a position and makes it current; 0 when it was read.
  std::function<int(std::int16_t file, std::int32_t position)> read_at;
};

// Installs the record-file layer's operations.
void InstallBrowseRecords(BrowseRecordOperations operations);
// The installed operations.
const BrowseRecordOperations& BrowseRecords();
// True when every operation is installed.
bool BrowseRecordsInstalled();
// Forgets the operations (tests).
void ResetBrowseRecords();

}  // namespace kel
