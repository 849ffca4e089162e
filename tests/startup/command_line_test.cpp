#include "startup/command_line.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

TEST(CommandLine, SplitsAtEverySeparator) {
  CommandLine line = ParseCommandLine("a,b;c\td  e");
  ASSERT_EQ(line.count, 5);
  EXPECT_EQ(line.arguments[0], "A");
  EXPECT_EQ(line.arguments[2], "C");
  EXPECT_EQ(line.arguments[3], "D");
  EXPECT_EQ(line.arguments[4], "E");
  EXPECT_EQ(line.arguments[5], "");
}

TEST(CommandLine, QuotesKeepSeparatorsAndAreDropped) {
  CommandLine line = ParseCommandLine("\"two words\" third");
  ASSERT_EQ(line.count, 2);
  EXPECT_EQ(line.arguments[0], "TWO WORDS");
  EXPECT_EQ(line.arguments[1], "THIRD");
}

TEST(CommandLine, UnclosedQuoteRunsToTheEnd) {
  CommandLine line = ParseCommandLine("x \"open, to the end");
  ASSERT_EQ(line.count, 2);
  EXPECT_EQ(line.arguments[1], "OPEN, TO THE END");
}

TEST(CommandLine, KeepsOnlyNineArguments) {
  CommandLine line = ParseCommandLine("1 2 3 4 5 6 7 8 9 10");
  EXPECT_EQ(line.count, 9);
  EXPECT_EQ(line.arguments[8], "9");
}

TEST(CommandLine, SessionEndInAnyCaseOrQuoted) {
  EXPECT_TRUE(ParseCommandLine("/off").session_end);
  EXPECT_TRUE(ParseCommandLine("\"/OFF\"").session_end);
  EXPECT_TRUE(ParseCommandLine("  /Off extra").session_end);
  EXPECT_FALSE(ParseCommandLine("extra /OFF").session_end);
  EXPECT_FALSE(ParseCommandLine("/OFFX").session_end);
}

TEST(CommandLine, EmptyTailIsASessionStart) {
  CommandLine line = ParseCommandLine("");
  EXPECT_EQ(line.count, 0);
  EXPECT_FALSE(line.session_end);
  EXPECT_EQ(ParseCommandLine(" ,; ").count, 0);
}

TEST(CommandLine, LoneQuoteGivesAnEmptyArgument) {
  CommandLine line = ParseCommandLine("\" a");
  ASSERT_EQ(line.count, 1);
  EXPECT_EQ(line.arguments[0], " A");
}

}  // namespace
}  // namespace kel
