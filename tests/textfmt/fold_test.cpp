#include "textfmt/fold.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace kel {
namespace {

class FoldTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetFoldState(); }

  static std::string Fold(const char* utf8) { return Cp850ToUtf8(FoldText(Cp850(utf8))); }
  static std::string Byte(int code) { return std::string(1, static_cast<char>(code)); }
};

// Every small letter of code page 850 with a capital, and that capital.
constexpr const char* kSmallLetters = "abcdefghijklmnopqrstuvwxyzüéâäàåçêëèïîìæôöòûùáíóúñãðõý";
constexpr const char* kCapitalLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZÜÉÂÄÀÅÇÊËÈÏÎÌÆÔÖÒÛÙÁÍÓÚÑÃÐÕÝ";

// Every letter of code page 850 beyond a to z, and its plain capital in the folding mode.
constexpr const char* kAccented =
    "ÇüéâäàåçêëèïîìÄÅ" "ÉæÆôöòûùÿÖÜøØ" "áíóúñÑªº" "ÁÂÀ" "ãÃ" "ðÐÊËÈÍÎÏÌ" "ÓßÔÒõÕþÞÚÛÙýÝ";
constexpr const char* kPlain =
    "CUEAAAACEEEIIIAA" "EAAOOOUUYOUOO" "AIOUNNAO" "AAA" "AA" "DDEEEIIII" "OSOOOOTTUUUYY";

TEST_F(FoldTest, NormalModeIsTheDefault) {
  EXPECT_FALSE(FoldAccents());
  SetFoldAccents(true);
  EXPECT_TRUE(FoldAccents());
  ResetFoldState();
  EXPECT_FALSE(FoldAccents());
}

TEST_F(FoldTest, NormalModeKeepsAccents) {
  EXPECT_EQ(Fold("junhsega"), "JUNHSEGA");
  EXPECT_EQ(Fold("març"), "MARÇ");
  EXPECT_EQ(Fold("0123 456789 "), "0123 456789 ");
  EXPECT_EQ(Fold("Àvila"), "ÀVILA");
  EXPECT_EQ(Fold("@_[]{}"), "@_[]{}");
}

TEST_F(FoldTest, NormalModeCapitalisesEverySmallLetter) {
  EXPECT_EQ(Fold(kSmallLetters), kCapitalLetters);
  EXPECT_EQ(Fold(kCapitalLetters), kCapitalLetters);
}

TEST_F(FoldTest, NormalModeLeavesLettersWithoutCapital) {
  EXPECT_EQ(Fold("ÿßµ"), "ÿßµ");
  EXPECT_EQ(FoldText(Byte(213)), Byte(213));  // dotless i
}

TEST_F(FoldTest, NormalModeChangesOnlyTheSmallLetters) {
  int changed = 0;
  for (int code = 0; code < 256; ++code) changed += FoldText(Byte(code)) != Byte(code);
  EXPECT_EQ(changed, 26 + 28);
}

TEST_F(FoldTest, FoldingModeGivesPlainCapitals) {
  SetFoldAccents(true);
  EXPECT_EQ(Fold("Àvila"), "AVILA");
  EXPECT_EQ(Fold("avila"), "AVILA");
  EXPECT_EQ(Fold("ÁVILA"), "AVILA");
  EXPECT_EQ(Fold("març"), "MARC");
  EXPECT_EQ(Fold(kAccented), kPlain);
  EXPECT_EQ(FoldText(Byte(213)), "E");
}

TEST_F(FoldTest, FoldingModeFindsSmallAndCapitalAlike) {
  SetFoldAccents(true);
  EXPECT_EQ(Fold(kSmallLetters), Fold(kCapitalLetters));
}

TEST_F(FoldTest, FoldingModeBlanksPunctuationAndSymbols) {
  SetFoldAccents(true);
  EXPECT_EQ(Fold("@[\\]^_`{|}~"), "           ");
  EXPECT_EQ(FoldText(Byte(127)), " ");
  EXPECT_EQ(Fold("0123456789 !?"), "0123456789 !?");
  const std::string symbols = Cp850("£×ƒ¿®¬½¼¡«»░▒▓│┤©╣║╗╝¢¥┐└┴┬├─┼╚╔╩╦╠═╬¤┘┌█▄¦▀µ");
  EXPECT_EQ(FoldText(symbols), std::string(symbols.size(), ' '));
}

TEST_F(FoldTest, FoldingModeOutputIsBlankOrPlainCapital) {
  SetFoldAccents(true);
  for (int code = 64; code <= 237; ++code) {
    const unsigned char folded = static_cast<unsigned char>(FoldText(Byte(code))[0]);
    EXPECT_TRUE(folded == ' ' || (folded >= 'A' && folded <= 'Z')) << code;
  }
}

TEST_F(FoldTest, CodesOutsideTheTablesNeverChange) {
  for (bool fold : {false, true}) {
    SetFoldAccents(fold);
    for (int code = 0; code < 64; ++code) EXPECT_EQ(FoldText(Byte(code)), Byte(code)) << code;
    for (int code = 238; code < 256; ++code) EXPECT_EQ(FoldText(Byte(code)), Byte(code)) << code;
  }
}

TEST_F(FoldTest, KeepsLengthWithEmbeddedNul) {
  const std::string text("a\0b", 3);
  EXPECT_EQ(FoldText(text), std::string("A\0B", 3));
  EXPECT_EQ(FoldText(""), "");
}

}  // namespace
}  // namespace kel
