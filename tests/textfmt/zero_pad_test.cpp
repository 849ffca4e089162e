#include "textfmt/zero_pad.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kel
