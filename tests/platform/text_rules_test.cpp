// The small text rules every layer shares: capitals of names, paths as text, hexadecimal.
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/hex_text.h"
#include "platform/name_case.h"
#include "platform/path_text.h"

namespace kel {
namespace {

TEST(NameCase, CapitalisesAsciiAndSevenAccentedLettersOnly) {
  EXPECT_EQ(NameInCapitals("nuroterm.ini"), "NUROTERM.INI");
  EXPECT_EQ(NameInCapitals(Cp850("äöüéñåç")), Cp850("ÄÖÜÉÑÅÇ"));
  // à, è, ò and the others keep their case; digits and signs stay.
  EXPECT_EQ(NameInCapitals(Cp850("càmera_2-è")), Cp850("CàMERA_2-è"));
  EXPECT_EQ(NameCapital('z'), 'Z');
  EXPECT_EQ(NameCapital('{'), '{');
}

TEST(PathText, DirectoryIsCutAfterTheLastSeparator) {
  EXPECT_EQ(DirectoryOf("TERM\\1\\NuroTerm.ini"), "TERM\\1\\");
  EXPECT_EQ(DirectoryOf("C:KEL.INI"), "C:");
  EXPECT_EQ(DirectoryOf("/tmp/x/*.ini"), "/tmp/x/");
  EXPECT_EQ(DirectoryOf("NuroTerm.ini"), "");
  EXPECT_EQ(DirectoryOf(""), "");
}

TEST(PathText, TrailingSeparatorIsAddedOnlyWhenMissing) {
  EXPECT_EQ(WithTrailingSeparator("C:\\TMP"), "C:\\TMP\\");
  EXPECT_EQ(WithTrailingSeparator("C:\\TMP\\"), "C:\\TMP\\");
  EXPECT_EQ(WithTrailingSeparator("/tmp/"), "/tmp/");
  EXPECT_EQ(WithTrailingSeparator("C:"), "C:");
  EXPECT_EQ(WithTrailingSeparator(""), "");
}

TEST(HexText, DigitsReadInEitherCase) {
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_EQ(HexDigitValue('F'), 15);
  EXPECT_EQ(HexDigitValue('g'), -1);
  EXPECT_EQ(HexDigitValue(' '), -1);
}

TEST(HexText, ValuesAreWrittenSmallAndBytesInCapitalPairs) {
  EXPECT_EQ(HexText(0), "0");
  EXPECT_EQ(HexText(0x1b), "1b");
  EXPECT_EQ(HexText(0x4800), "4800");
  EXPECT_EQ(HexText(0xffff), "ffff");
  EXPECT_EQ(HexBytes(std::string("\x00\x1b\xa0\xff", 4)), "001BA0FF");
  EXPECT_EQ(HexBytes(""), "");
}

}  // namespace
}  // namespace kel
