#include "platform/state_reset.h"

#include <vector>

namespace kel {
namespace {

// Filled while the program starts, before anything else runs; a function-local static so
// that it exists before the first module registers.
std::vector<StateReset>& Resets() {
  static std::vector<StateReset> resets;
  return resets;
}

}  // namespace

bool RegisterStateReset(StateReset reset) {
  Resets().push_back(reset);
  return true;
}

void ResetProcessState() {
  const std::vector<StateReset>& resets = Resets();
  for (auto it = resets.rbegin(); it != resets.rend(); ++it) (*it)();
}

}  // namespace kel
