// The one reset of all process-wide state, for tests.
//
// Every module keeps its process-wide state in one struct in its .cpp and offers a function
// that puts it back to its start. The module registers that function here once, at start,
// from its own .cpp:
//
//     [[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetFoldState);
//
// and the tests' GoogleTest listener calls ResetProcessState() after every test, so no test
// sees what an earlier one left behind.
#pragma once

namespace kel {

using StateReset = void (*)();

// Adds a module's reset to those ResetProcessState calls; true, so that it can initialise a
// constant at start.
bool RegisterStateReset(StateReset reset);

// Calls every registered reset, the one registered last first.
void ResetProcessState();

}  // namespace kel
