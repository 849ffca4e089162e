#include <gtest/gtest.h>

#include "console/window.h"

namespace kel {
namespace {

TEST(IsAllChar, TrueOnlyForOneRepeatedCharacter) {
  EXPECT_TRUE(IsAllChar("", 32));
  EXPECT_TRUE(IsAllChar("   ", 32));
  EXPECT_FALSE(IsAllChar("  a", 32));
  EXPECT_TRUE(IsAllChar("\xC4\xC4", 0xC4));
}

}  // namespace
}  // namespace kel
