// A damaged window stack file never makes a close touch anything outside the screen or the
// file; it restores what it can verify, or nothing.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "console/console_fixture.h"
#include "console/window.h"
#include "textfmt/zero_pad.h"

namespace kel {
namespace {

using testing::ConsoleTest;

std::string Pointer(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
  return bytes;
}

// A record in the shared layout, with cells of one character and attribute.
std::string Record(std::string header, int cells, std::string length = "") {
  std::string record = std::move(header);
  for (int i = 0; i < cells; ++i) record += "Z\x4F";
  if (length.empty()) {
    length = std::to_string(25 + 2 * cells);
    length.insert(0, 5 - length.size(), '0');
  }
  return record + length;
}

class DamagedStackTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    PaintMixedScreen();
    MoveCursor(9, 9);
    before_ = Cells();
  }
  // Closes over a stack file of these bytes; the screen and cursor must stay as they were.
  void ExpectNothingRestored(const std::string& file) {
    temp_.Write(kWindowStackFile, file);
    CloseWindow();
    EXPECT_EQ(Cells(), before_);
    EXPECT_EQ(Cursor(), std::make_pair(9, 9));
  }
  std::vector<platform::Cell> before_;
};

TEST_F(DamagedStackTest, PointerBeyondTheEndDropsTheStack) {
  std::string record = Record("0101" "00000000" "01010202", 4);
  ExpectNothingRestored(Pointer(5 + record.size() + 100) + record);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(DamagedStackTest, TruncatedFileDropsTheStack) {
  std::string record = Record("0101" "00000000" "01010505", 25);
  std::string file = Pointer(5 + record.size()) + record;
  ExpectNothingRestored(file.substr(0, file.size() - 20));
  EXPECT_FALSE(StackFileExists());
}

TEST_F(DamagedStackTest, NegativeOrTinyPointerDropsTheStack) {
  std::string record = Record("0101" "00000000" "01010202", 4);
  ExpectNothingRestored(Pointer(0xFFFFFFF0u) + record);
  ExpectNothingRestored(Pointer(7) + record);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(DamagedStackTest, LengthFieldThatIsNotANumberDropsTheStack) {
  std::string record = Record("0101" "00000000" "01010202", 4, "0x3F!");
  ExpectNothingRestored(Pointer(5 + record.size()) + record);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(DamagedStackTest, LengthReachingBeforeTheFirstRecordDropsTheStack) {
  std::string record = Record("0101" "00000000" "01010202", 4, "99999");
  ExpectNothingRestored(Pointer(5 + record.size()) + record);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(DamagedStackTest, LengthThatDisagreesWithTheRectangleRestoresNoCells) {
  // Claims 20 x 20 cells but holds 4.
  std::string record = Record("0303" "00000000" "01012020", 4);
  ExpectNothingRestored(Pointer(5 + record.size()) + record);
  EXPECT_FALSE(StackFileExists());
  EXPECT_EQ(CurrentWindow().top, 0);
}

TEST_F(DamagedStackTest, GarbledHeaderPopsTheRecordAndKeepsTheOnesBelow) {
  OpenWindow(2, 2, 6, 30);
  SetColour("r");
  DrawFrame(1);
  auto framed = Cells();
  OpenWindow(3, 5, 5, 12);
  DrawFrame(2);

  std::string file = temp_.Read(kWindowStackFile);
  std::size_t second = 4 + 25 + 2 * 5 * 29;
  file[second + 13] = '?';  // inside the saved rectangle's top row
  temp_.Write(kWindowStackFile, file);

  CloseWindow();  // nothing of the damaged record can be trusted
  EXPECT_NE(Cells(), framed);
  EXPECT_EQ(CurrentWindow().open_count, 1);
  EXPECT_TRUE(StackFileExists());

  CloseWindow();  // the first window is intact and comes back whole
  EXPECT_EQ(Cells(), before_);
  EXPECT_EQ(Cursor(), std::make_pair(9, 9));
  EXPECT_FALSE(StackFileExists());
}

TEST_F(DamagedStackTest, RectangleBeyondAShrunkenScreenIsRestoredWholeIntoTheBuffer) {
  OpenWindow(20, 70, 25, 80);
  SetColour("u");
  DrawFrame(2);
  console().SetSize(22, 75, false);
  CloseWindow();
  console().SetSize(25, 80, false);
  EXPECT_EQ(Cells(), before_);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(DamagedStackTest, RecordOfALargerScreenRestoresWhatTheBufferHas) {
  // Written by a program on a larger console (30 x 90): the cells beyond this console's
  // buffer are left out, and none of them wraps onto the next row.
  std::string cells;
  for (int row = 1; row <= 30; ++row) {
    for (int column = 1; column <= 90; ++column) {
      cells += static_cast<char>('A' + row % 26);
      cells += '\x1e';
    }
  }
  const int length = 25 + static_cast<int>(cells.size());
  temp_.Write(kWindowStackFile, Pointer(static_cast<std::uint32_t>(5 + length)) + "0101" +
                                    "00000000" + "01013090" + cells + ZeroPad(length, 5));
  CloseWindow();
  EXPECT_EQ(console().CellAt(1, 80), (platform::Cell{'B', 0x1E}));
  EXPECT_EQ(console().CellAt(2, 1), (platform::Cell{'C', 0x1E}));
  EXPECT_EQ(console().CellAt(25, 80), (platform::Cell{'Z', 0x1E}));
  EXPECT_FALSE(StackFileExists());
}

TEST_F(DamagedStackTest, OpenOverAGarbledPointerStartsTheStackAgain) {
  temp_.Write(kWindowStackFile, Pointer(1000000) + "rubbish");
  OpenWindow(3, 3, 4, 4);
  std::string file = temp_.Read(kWindowStackFile);
  EXPECT_EQ(file.substr(0, 4), Pointer(5 + 25 + 8));
  DrawFrame(1);
  CloseWindow();
  EXPECT_EQ(Cells(), before_);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(DamagedStackTest, RandomFilesNeverHarmTheScreenOutsideTheirRectangles) {
  std::mt19937 random(20240613);
  for (int round = 0; round < 300; ++round) {
    std::string file;
    std::size_t size = random() % 120;
    for (std::size_t i = 0; i < size; ++i) {
      // Mostly digits, so that some files get far enough to be parsed.
      file += (random() % 4 != 0) ? static_cast<char>('0' + random() % 10)
                                  : static_cast<char>(random() % 256);
    }
    if (size >= 4 && random() % 2 == 0) {
      file.replace(0, 4, Pointer(static_cast<std::uint32_t>(random() % (size + 8))));
    }
    temp_.Write(kWindowStackFile, file);
    CloseWindow();
    const auto [row, column] = console().CursorPosition();
    EXPECT_TRUE(row >= 1 && row <= 25 && column >= 1 && column <= 80);
  }
}

}  // namespace
}  // namespace kel
