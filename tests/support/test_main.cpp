// The main of every test program: GoogleTest with a listener that resets all process-wide
// state after every test, so that no test depends on what an earlier one left behind.
#include <gtest/gtest.h>

#include "platform/state_reset.h"

namespace {

class ProcessStateReset : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo&) override { kel::ResetProcessState(); }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new ProcessStateReset);
  return RUN_ALL_TESTS();
}
