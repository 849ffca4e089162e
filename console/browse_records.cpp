#include "console/browse_records.h"

#include <utility>
#include "platform/state_reset.h"

namespace kel {
namespace {

struct BrowseRecordState {
  BrowseRecordOperations operations;
};

BrowseRecordState& State() {
  static BrowseRecordState state;
  return state;
}

}  // namespace

void InstallBrowseRecords(BrowseRecordOperations operations) {
  State().operations = std::move(operations);
}

const BrowseRecordOperations& BrowseRecords() { return State().operations; }

bool BrowseRecordsInstalled() {
  const BrowseRecordOperations& o = State().operations;
  return o.keep_state && o.find_at_least && o.read_next && o.current_key && o.stored_key &&
         o.current_position && o.read_at;
}

void ResetBrowseRecords() { State() = BrowseRecordState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetBrowseRecords);
}  // namespace

}  // namespace kel
