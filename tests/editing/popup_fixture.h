// The pop-ups on a virtual 25 x 80 console: a temporary directory as the installation root,
// the session's TempDir and the terminal's directory, the work date 2024-03-15, default
// display settings, and a snapshot key: scan code FEh, which no keyboard sends, records the
// whole screen at the moment it is read and is then dropped.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "console/console_fixture.h"
#include "editing/calculator.h"
#include "editing/calendar_popup.h"
#include "editing/edit_settings.h"
#include "editing/key_reader.h"
#include "platform/virtual_console.h"
#include "startup/session_environment.h"
#include "textfmt/calendar.h"
#include "textfmt/date_format.h"
#include "textfmt/fold.h"
#include "textfmt/number_format.h"

namespace kel::testing {

inline constexpr std::uint8_t kSnapshotScanCode = 0xFE;

class SnapshotConsole : public platform::VirtualConsole {
 public:
  using VirtualConsole::VirtualConsole;
  platform::InputEvent PollInput() override {
    platform::InputEvent input = VirtualConsole::PollInput();
    if (input.kind == platform::InputEvent::Kind::Key && input.scan_code == kSnapshotScanCode) {
      snapshots.push_back(Snapshot());
      std::vector<std::uint8_t> attributes;
      for (int row = 1; row <= Rows(); ++row) {
        for (int column = 1; column <= Columns(); ++column) {
          attributes.push_back(AttributeAt(row, column));
        }
      }
      attribute_snapshots.push_back(std::move(attributes));
      return {};
    }
    return input;
  }
  std::vector<std::string> snapshots;
  std::vector<std::vector<std::uint8_t>> attribute_snapshots;  // row by row
};

class PopupTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    UseConsole(25, 80);
    SessionToFill().RootDir = temp_.dir();
    SessionToFill().TerminalDir = temp_.dir();
    SessionToFill().WorkDate = PackDate(2024, 3, 15);
    ForgetSettings();
  }
  void TearDown() override {
    ForgetSettings();
    ConsoleTest::TearDown();
  }
  static void ForgetSettings() {
    ResetEditSettings();
    ResetCalendarPopup();
    ResetDateFormatSettings();
    ResetNumberFormatSettings();
    ResetFoldState();
  }

  // A fresh console of another size in place of the fixture's.
  void UseConsole(int rows, int columns) {
    auto console = std::make_unique<SnapshotConsole>(rows, columns);
    snapshot_console_ = console.get();
    console_ = console.get();
    platform::InstallConsole(std::move(console));
  }

  // ---- Script ----
  void Type(std::string_view text) { console().PushText(text); }
  void Key(KeyCode key) {
    if (key > 0 && key < 256) {
      console().PushKey(static_cast<unsigned char>(key));
    } else {
      console().PushExtendedKey(static_cast<std::uint8_t>(static_cast<std::uint16_t>(key) >> 8));
    }
  }
  void Alt(std::uint8_t scan_code) {
    console().PushExtendedKey(scan_code, platform::kLeftAlt);
    console().PushKeyUp(0);
  }
  void AltX() { Alt(0x2D); }
  void AltC() { Alt(0x2E); }
  void AltF() { Alt(0x21); }
  void Snap() { console().PushExtendedKey(kSnapshotScanCode); }

  const std::vector<std::string>& Snapshots() const { return snapshot_console_->snapshots; }
  // Snapshot i, or a failure when fewer were taken.
  std::string Shot(std::size_t i) const {
    if (i < Snapshots().size()) return Snapshots()[i];
    ADD_FAILURE() << "snapshot " << i << " was never taken";
    return {};
  }
  // Attribute of a cell in the last snapshot.
  std::uint8_t SnapshotAttribute(int row, int column) const {
    if (snapshot_console_->attribute_snapshots.empty()) {
      ADD_FAILURE() << "no snapshot was taken";
      return 0;
    }
    const auto& attributes = snapshot_console_->attribute_snapshots.back();
    return attributes[static_cast<std::size_t>((row - 1) * console_->Columns() + column - 1)];
  }
  std::string LastSnapshot() const {
    return Snapshots().empty() ? std::string() : Snapshots().back();
  }

  // Every key WaitKey gives up to a final marker key added to the script.
  std::vector<KeyCode> WaitAll() {
    constexpr KeyCode kMarker = 0xFF;
    console().PushKey(kMarker);
    std::vector<KeyCode> keys;
    for (KeyCode key = WaitKey(); key != kMarker; key = WaitKey()) keys.push_back(key);
    return keys;
  }
  // The characters of the keys WaitKey gives, up to the marker; hotkeys as "<X>" and "<C>".
  std::string TypedText() {
    std::string text;
    for (KeyCode key : WaitAll()) {
      if (key == kKeyAltX) text += "<X>";
      else if (key == kKeyAltC) text += "<C>";
      else if (key > 0 && key < 256) text += static_cast<char>(key);
      else text += "<" + KeyName(key) + ">";
    }
    return text;
  }

  std::string StateFile() const { return temp_.Read(kCalculatorStateFileName); }
  static constexpr const char* kCalculatorStateFileName = "KELCALC.TMP";

  SnapshotConsole* snapshot_console_ = nullptr;
};

// Rows of a screen as a snapshot writes them, from a list of row texts.
inline std::string Screen(std::initializer_list<std::string_view> rows) {
  std::string text;
  for (std::string_view row : rows) text.append(row).append("\n");
  return text;
}

}  // namespace kel::testing
