#include <gtest/gtest.h>

#include <string>

#include "console/console_fixture.h"
#include "console/message.h"
#include "console/window.h"

namespace kel {
namespace {

using testing::ConsoleTest;

class MessageBoxTest : public ConsoleTest {
 protected:
  // First and last screen column of a row that are not blank.
  std::pair<int, int> Extent(int row) {
    std::string bytes = console().RowBytes(row);
    auto first = bytes.find_first_not_of(' ');
    if (first == std::string::npos) return {0, 0};
    return {static_cast<int>(first) + 1, static_cast<int>(bytes.find_last_not_of(' ')) + 1};
  }
};

TEST_F(MessageBoxTest, OneLineIsCentredAroundTheRow) {
  SetColour("n");
  EXPECT_TRUE(ShowMessage(12, "twenty characters ok"));
  EXPECT_EQ(console().RowText(8), "");
  EXPECT_EQ(Extent(9), std::make_pair(29, 52));
  EXPECT_EQ(Extent(10), std::make_pair(29, 52));
  EXPECT_EQ(Extent(11), std::make_pair(29, 52));
  EXPECT_EQ(console().RowText(12), "");
  EXPECT_EQ(console().RowBytes(10).substr(30, 20), "twenty characters ok");
  EXPECT_EQ(console().RowBytes(9).substr(28, 1), "\xDA");  // single frame
  EXPECT_EQ(console().AttributeAt(10, 31), testing::kAttributeR);
  EXPECT_EQ(console().AttributeAt(9, 29), testing::kAttributeR);
  EXPECT_EQ(CurrentColourRole(), kRoleN);
  EXPECT_EQ(ColourStackDepth(), 0u);
  EXPECT_EQ(CurrentWindow().open_count, 1);
}

TEST_F(MessageBoxTest, CloseWindowRemovesTheBox) {
  PaintMixedScreen();
  auto before = Cells();
  ASSERT_TRUE(ShowMessage(12, "Fitxer bloquejat"));
  CloseWindow();
  EXPECT_EQ(Cells(), before);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(MessageBoxTest, FullWidthLineSpansTheScreen) {
  ASSERT_TRUE(ShowMessage(12, std::string(76, 'w')));
  EXPECT_EQ(Extent(10), std::make_pair(1, 80));
  EXPECT_EQ(console().RowBytes(10).substr(2, 76), std::string(76, 'w'));
}

TEST_F(MessageBoxTest, LongTextIsBrokenIntoLinesAndTheBoxGrows) {
  std::string text = std::string(70, 'a') + " " + std::string(30, 'b') + " " +
                     std::string(10, 'c');
  ASSERT_TRUE(ShowMessage(12, text));
  // Two lines: the box covers rows 9 to 12 and is as wide as the longer line.
  EXPECT_EQ(Extent(9), std::make_pair(4, 77));
  EXPECT_EQ(console().RowBytes(10).substr(5, 70), std::string(70, 'a'));
  EXPECT_EQ(console().RowBytes(11).substr(5, 41), std::string(30, 'b') + " " +
                                                      std::string(10, 'c'));
  EXPECT_EQ(Extent(12), std::make_pair(4, 77));
  EXPECT_EQ(console().RowText(13), "");
}

TEST_F(MessageBoxTest, BoxNearTheEdgesStaysOnTheScreen) {
  ASSERT_TRUE(ShowMessage(1, "top"));
  EXPECT_NE(Extent(1).first, 0);
  CloseWindow();
  ASSERT_TRUE(ShowMessage(25, "bottom"));
  EXPECT_EQ(console().RowBytes(23).substr(37, 6), "bottom");
  CloseWindow();
  // A row below the screen puts the box on its last rows.
  ASSERT_TRUE(ShowMessage(40, "bottom"));
  EXPECT_EQ(console().RowBytes(24).substr(37, 6), "bottom");
  EXPECT_NE(Extent(25).first, 0);
}

TEST_F(MessageBoxTest, TextThatDoesNotFitShowsNothing) {
  SetColour("u");
  console().SetSize(4, 80, false);
  auto before = Cells();
  std::string text = std::string(70, 'a') + " " + std::string(70, 'b') + " " +
                     std::string(70, 'c');
  EXPECT_FALSE(ShowMessage(2, text));
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(CurrentColourRole(), kRoleU);
  EXPECT_EQ(console().TextAttribute(), testing::kAttributeU);
  EXPECT_EQ(ColourStackDepth(), 0u);
  EXPECT_EQ(CurrentWindow().open_count, 0);
}

TEST_F(MessageBoxTest, NarrowScreenShowsNothingRatherThanDrawingInTheWindowBelow) {
  console().SetSize(25, 60, false);
  OpenWindow(2, 2, 20, 50);
  DrawFrame(1);
  auto before = Cells();
  EXPECT_FALSE(ShowMessage(12, std::string(70, 'x')));
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(CurrentWindow().open_count, 1);
  EXPECT_EQ(CurrentWindow().top, 2);
}

}  // namespace
}  // namespace kel
