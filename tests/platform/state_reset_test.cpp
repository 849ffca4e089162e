#include "platform/state_reset.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "textfmt/fold.h"

namespace kel {
namespace {

std::string& ResetLog() {
  static std::string log;
  return log;
}

TEST(StateReset, CallsTheResetsLastRegisteredFirst) {
  ResetLog().clear();
  RegisterStateReset([] { ResetLog() += 'a'; });
  RegisterStateReset([] { ResetLog() += 'b'; });
  ResetProcessState();
  EXPECT_EQ(ResetLog().substr(0, 2), "ba");
}

TEST(StateReset, ModulesRegisterTheirOwnResets) {
  SetBoundaryCodePage(BoundaryCodePage::Oem);
  SetFoldAccents(true);
  ResetProcessState();
  EXPECT_EQ(CurrentBoundaryCodePage(), BoundaryCodePage::Ansi);
  EXPECT_FALSE(FoldAccents());
}

}  // namespace
}  // namespace kel
