#include <gtest/gtest.h>

#include "console/window.h"

namespace kel {
namespace {

TEST(ZeroPad, PadsAndKeepsTheLastDigits) {
  EXPECT_EQ(ZeroPad(7, 2), "07");
  EXPECT_EQ(ZeroPad(123, 2), "23");
  EXPECT_EQ(ZeroPad(-5, 3), "005");
  EXPECT_EQ(ZeroPad(0, 5), "00000");
  EXPECT_EQ(ZeroPad(2000, 5), "02000");
  EXPECT_EQ(ZeroPad(12, 0), "");
}

TEST(IsAllChar, TrueOnlyForOneRepeatedCharacter) {
  EXPECT_TRUE(IsAllChar("", 32));
  EXPECT_TRUE(IsAllChar("   ", 32));
  EXPECT_FALSE(IsAllChar("  a", 32));
  EXPECT_TRUE(IsAllChar("\xC4\xC4", 0xC4));
}

}  // namespace
}  // namespace kel
