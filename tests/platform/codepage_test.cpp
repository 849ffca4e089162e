#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

TEST(CodePage850, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  EXPECT_EQ(Utf8ToCp850(Cp850ToUtf8(all)), all);
}

TEST(CodePage850, ReadableLiteralsBecomeTheirBytes) {
  EXPECT_EQ(Cp850("CATALÀ"), "CATAL\xB7");
  EXPECT_EQ(Cp850("ARANÉS"), "ARAN\x90S");
  EXPECT_EQ(Cp850("FICHÈR"), "FICH\xD4R");
  EXPECT_EQ(Cp850("ñÑçÇ"), "\xA4\xA5\x87\x80");
  EXPECT_EQ(Cp850("中"), "?");
}

TEST(CodePage850, ScreenGlyphsOfControlBytes) {
  EXPECT_EQ(Cp850Glyph(0x10), U'►');
  EXPECT_EQ(Cp850Glyph(0x11), U'◄');
  EXPECT_EQ(Cp850Glyph(0xC9), U'╔');
  EXPECT_EQ(Cp850Glyph(0x7F), U'⌂');
  EXPECT_EQ(Cp850ToUnicode(0x10), U'\x10');  // as text it stays a control character
  EXPECT_EQ(UnicodeToCp850(U'►'), 0x10);
}

TEST(CodePage850, EuroSignAndDotlessIShareByte213) {
  EXPECT_EQ(Cp850ToUnicode(0xD5), U'€');
  EXPECT_EQ(UnicodeToCp850(U'€'), 0xD5);
  EXPECT_EQ(UnicodeToCp850(U'ı'), 0xD5);
}

TEST(Utf8, MalformedAndOverlongFormsAreNoCharacters) {
  for (std::string bad : {"\xC0\x80", "\xE0\x80\x80", "\xF0\x80\x80\x80", "\xED\xA0\x80",
                          "\xF4\x90\x80\x80", "\xE2\x82", "\x80", "\xFF"}) {
    std::size_t pos = 0;
    EXPECT_EQ(NextUtf8(bad, pos), 0xFFFDu) << testing::PrintToString(bad);
    EXPECT_EQ(Utf8ToCp850(bad).find('\0'), std::string::npos);
  }
  std::size_t pos = 0;
  EXPECT_EQ(NextUtf8("\xF0\x9F\x98\x80", pos), 0x1F600u);
  EXPECT_EQ(pos, 4u);
}

TEST(BoundaryCodePage, AnsiUntilTheSessionDeclaresOem) {
  ResetCodePageState();
  EXPECT_EQ(CurrentBoundaryCodePage(), BoundaryCodePage::Ansi);
  EXPECT_EQ(ToSystemText("\x80\xE9"), "€é");  // Windows-1252
  EXPECT_EQ(FromSystemText("é"), "\xE9");
  SetBoundaryCodePage(BoundaryCodePage::Oem);
  EXPECT_EQ(ToSystemText("\x82"), "é");
  EXPECT_EQ(FromSystemText("é"), "\x82");
  ResetCodePageState();
}

}  // namespace
}  // namespace kel
