#include <gtest/gtest.h>

#include <string>

#include "console/message.h"

namespace kel {
namespace {

std::string Format(std::string text, int indent, char align, int width) {
  FormatParagraph(text, indent, align, width);
  return text;
}

TEST(FormatParagraph, RightAndCentredLines) {
  EXPECT_EQ(Format("abc def", 0, 'R', 5), "  abc" "  def");
  EXPECT_EQ(Format("abc def", 0, 'd', 5), "  abc" "  def");
  EXPECT_EQ(Format("abc def", 0, 'C', 5), " abc " " def ");
  // The odd blank goes to the right.
  EXPECT_EQ(Format("ab", 0, 'c', 5), " ab  ");
}

TEST(FormatParagraph, LeftAlignedWithFirstLineIndent) {
  EXPECT_EQ(Format("one two three", 2, 'E', 10), "  one two " "three     ");
  EXPECT_EQ(Format("one two three", 2, 'l', 10), "  one two " "three     ");
  EXPECT_EQ(Format("one two three", 2, 'I', 10), "  one two " "three     ");
}

TEST(FormatParagraph, HangingIndentAppliesToEveryLineButTheFirst) {
  EXPECT_EQ(Format("aaa bbb ccc ddd", -2, 'E', 8), "aaa bbb " "  ccc   " "  ddd   ");
}

TEST(FormatParagraph, DashesFillWithN) {
  EXPECT_EQ(Format("total", 0, 'N', 9), "total----");
}

TEST(FormatParagraph, OtherLettersAddNothing) {
  EXPECT_EQ(Format("abc def", 0, 'X', 5), "abc" "def");
}

TEST(FormatParagraph, LongWordIsCutHard) {
  EXPECT_EQ(Format("abcdefghij", 0, 'E', 4), "abcd" "efgh" "ij  ");
  EXPECT_EQ(Format("ab abcdefghij", 0, 'E', 4), "ab  " "abcd" "efgh" "ij  ");
}

TEST(FormatParagraph, JustifiedLinesWidenTheFirstGapsFirst) {
  EXPECT_EQ(Format("aa b cc dd ee", 0, 'A', 12), "aa  b  cc dd" "ee");
  EXPECT_EQ(Format("aa b cc dd ee", 0, 'b', 12), "aa  b  cc dd" "ee");
  // A gap widened on every round when the line is far from full.
  EXPECT_EQ(Format("a b c dddddddddd", 0, 'A', 9), "a   b   c" "dddddddddd");
  // A line that is one word stays unpadded.
  EXPECT_EQ(Format("abcdefgh xy", 0, 'A', 10), "abcdefgh" "xy");
}

TEST(FormatParagraph, BlanksAfterABreakAreSkipped) {
  EXPECT_EQ(Format("abc    def", 0, 'E', 5), "abc  " "def  ");
}

TEST(FormatParagraph, ControlCharactersTakeNoRoom) {
  // Each control character taken widens its line's target by one.
  EXPECT_EQ(Format("a\x01" "bc def", 0, 'E', 4), "a\x01" "bc " "def ");
  EXPECT_EQ(Format("abc\x02 de", 0, 'R', 4), " abc\x02" "  de");
  EXPECT_EQ(Format("ab\x01\x01", 0, 'E', 2), "ab\x01\x01");
}

TEST(FormatParagraph, EmptyTextGivesNoLines) {
  EXPECT_EQ(Format("", 0, 'E', 10), "");
}

TEST(FormatParagraph, NoRoomStillEnds) {
  // An indent as wide as the line, or no width, would otherwise never move on.
  EXPECT_EQ(Format("ab", 4, 'E', 4), "    a" "b   ");
  EXPECT_EQ(Format("ab", 0, 'E', 0), "ab");
  EXPECT_EQ(Format("ab cd ef", -6, 'E', 5), "ab cd" "      e" "      f");
}

}  // namespace
}  // namespace kel
