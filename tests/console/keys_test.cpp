#include <gtest/gtest.h>

#include <string>

#include "console/keys.h"

namespace kel {
namespace {

TEST(KeyName, LowerCaseHexadecimalWithoutLeadingZeros) {
  EXPECT_EQ(KeyName(kKeyEnter), "d");
  EXPECT_EQ(KeyName(kKeyEsc), "1b");
  EXPECT_EQ(KeyName(kKeyF1), "3b00");
  EXPECT_EQ(KeyName(kKeyRight), "4d00");
  EXPECT_EQ(KeyName(kKeyF11), "8500");  // a negative code keeps its 16-bit name
  EXPECT_EQ(KeyName(kKeyNone), "0");
}

TEST(KeyName, NamesReadBackInEitherCase) {
  EXPECT_EQ(KeyCodeOfName("3B00"), kKeyF1);
  EXPECT_EQ(KeyCodeOfName("4b00"), kKeyLeft);
  EXPECT_EQ(KeyCodeOfName("8600"), kKeyF12);
  EXPECT_LT(KeyCodeOfName("8600"), 0);
  EXPECT_EQ(KeyCodeOfName("zz"), kKeyNone);
  EXPECT_EQ(KeyCodeOfName("12345"), kKeyNone);
}

TEST(KeyCodeOfText, FirstTwoBytesLittleEndian) {
  EXPECT_EQ(KeyCodeOfText("a"), 'a');
  EXPECT_EQ(KeyCodeOfText(std::string("\0\x3B", 2)), kKeyF1);
  EXPECT_EQ(KeyCodeOfText(std::string("\0\x85", 2)), kKeyF11);
  EXPECT_EQ(KeyCodeOfText(""), kKeyNone);
  EXPECT_EQ(KeyCodeOfText("\x82"), 0x82);
}

TEST(KeyList, ParsesAndWritesCommaSeparatedNames) {
  auto keys = ParseKeyList("d,1b,4800,5000,4900,5100,4b00,4d00");
  ASSERT_EQ(keys.size(), 8u);
  EXPECT_EQ(keys[0], kKeyEnter);
  EXPECT_EQ(keys[1], kKeyEsc);
  EXPECT_EQ(keys[7], kKeyRight);
  EXPECT_EQ(KeyListText(keys), "d,1b,4800,5000,4900,5100,4b00,4d00");
  EXPECT_TRUE(KeyInList(kKeyPgDn, "d,1B,5100"));
  EXPECT_FALSE(KeyInList(kKeyPgUp, "d,1b,5100"));
  EXPECT_TRUE(ParseKeyList("").empty());
  EXPECT_EQ(ParseKeyList("d,,1b").size(), 2u);
}

}  // namespace
}  // namespace kel
