#include "console/browse_record_files.h"

#include <utility>

#include "records/file_table.h"
#include "records/record_access.h"

namespace kel {

BrowseRecordOperations RecordFileBrowseOperations() {
  BrowseRecordOperations o;
  o.keep_state = [](std::int16_t file, std::string_view command) {
    // The status stays 0 for a file without a slot: the browse then finds no record anyway.
    std::int16_t status = 0;
    SetLockMode(file, command, status);
  };
  o.find_at_least = [](std::int16_t file, std::int16_t key, std::string_view text) {
    std::int16_t status = 0;
    SeekKey(file, key, text, 1, status);
    return static_cast<int>(status);
  };
  o.read_next = [](std::int16_t file, std::int16_t) {
    std::int16_t status = 0;
    MoveRecords(file, 1, status);
    return static_cast<int>(status);
  };
  // The current key in its collation form, so that it compares with the stored high bound.
  o.current_key = [](std::int16_t file, std::int16_t) { return CurrentKeyCollationForm(file); };
  o.stored_key = [](std::int16_t file, std::int16_t, std::string_view text) {
    return KeyCollationForm(text, file);
  };
  o.current_position = [](std::int16_t file) { return RecordPosition(file, 0); };
  o.read_at = [](std::int16_t file, std::int32_t position) {
    // Position 0 would ask for the current position instead of reading: no record lives there.
    if (position == 0) return 8;
    return static_cast<int>(RecordPosition(file, position));
  };
  return o;
}

void InstallRecordFileBrowsing() { InstallBrowseRecords(RecordFileBrowseOperations()); }

}  // namespace kel
