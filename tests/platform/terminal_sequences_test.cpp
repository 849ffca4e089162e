#include "platform/terminal_sequences.h"

#include <gtest/gtest.h>

namespace kel::platform::terminal_sequences {
namespace {

TEST(TerminalClipboard, Base64PadsEveryLength) {
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("f"), "Zg==");
  EXPECT_EQ(Base64("fo"), "Zm8=");
  EXPECT_EQ(Base64("foo"), "Zm9v");
  EXPECT_EQ(Base64("\xff\xfe\xfd\xfc"), "//79/A==");
}

TEST(TerminalClipboard, Osc52CarriesUtf8) {
  EXPECT_EQ(SetClipboard("é"), "\x1b]52;c;w6k=\a");
}

}  // namespace
}  // namespace kel::platform::terminal_sequences
