// A virtual 25 x 80 console, a temporary directory as the session's TempDir and colour roles
// with five different attributes, fresh for every test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "console/window.h"
#include "editing/key_reader.h"
#include "platform/console.h"
#include "platform/virtual_console.h"
#include "startup/session_environment.h"
#include "support/temp_dir.h"

namespace kel::testing {

// Roles H 15/1, N 7/2, R 0/3, RN 14/4, U 12/5.
inline constexpr const char* kTestColours = "15010702000314041205";
inline constexpr std::uint8_t kAttributeH = 0x1F;
inline constexpr std::uint8_t kAttributeN = 0x27;
inline constexpr std::uint8_t kAttributeR = 0x30;
inline constexpr std::uint8_t kAttributeRN = 0x4E;
inline constexpr std::uint8_t kAttributeU = 0x5C;

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSessionEnvironment();
    SessionToFill().TempDir = temp_.dir();
    SessionToFill().ColourTable = ParseColourTable(kTestColours);
    auto console = std::make_unique<platform::VirtualConsole>(25, 80);
    console_ = console.get();
    platform::InstallConsole(std::move(console));
    ResetWindowState();
    ResetColourState();
    ResetKeyReader();
  }
  void TearDown() override {
    platform::InstallConsole(nullptr);
    ResetWindowState();
    ResetColourState();
    ResetKeyReader();
    ResetSessionEnvironment();
  }

  platform::VirtualConsole& console() { return *console_; }

  // Every cell of the screen, row by row.
  std::vector<platform::Cell> Cells() const {
    std::vector<platform::Cell> cells;
    for (int row = 1; row <= console_->Rows(); ++row) {
      for (int column = 1; column <= console_->Columns(); ++column) {
        cells.push_back(console_->CellAt(row, column));
      }
    }
    return cells;
  }

  // Fills the screen with letters in many different colours.
  void PaintMixedScreen() {
    for (int row = 1; row <= console_->Rows(); ++row) {
      for (int column = 1; column <= console_->Columns(); ++column) {
        platform::Cell cell{static_cast<unsigned char>('A' + (row * 7 + column) % 26),
                            static_cast<unsigned char>((row * 31 + column * 17) % 256)};
        console_->WriteCells(row, column, &cell, 1);
      }
    }
  }

  std::pair<int, int> Cursor() const {
    const platform::CursorPlace place = console_->CursorPosition();
    return {place.row, place.column};
  }

  bool StackFileExists() const { return temp_.Exists(kWindowStackFile); }

  TempDir temp_;
  platform::VirtualConsole* console_ = nullptr;
};

}  // namespace kel::testing
