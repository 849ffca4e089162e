// Browse lists and forms on a small virtual console: definition lists built in the test,
// hooks installed per test, and screen snapshots taken while a screen waits for keys.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "console/browse.h"
#include "console/browse_records.h"
#include "console/browse_value_stack.h"
#include "console/console_fixture.h"
#include "console/definitions.h"
#include "console/form.h"
#include "console/form_hooks.h"
#include "editing/edit_settings.h"
#include "editing/field_editor.h"

namespace kel::testing {

// A screen as the user sees it, and the screen row shown in the input role U (0: none).
struct Shot {
  std::string screen;
  int highlighted_row = 0;
  std::pair<int, int> highlighted_columns;  // first and last column shown in role U
};

// The virtual console, taking a snapshot when the key script reaches a marker; the marker
// itself reads as an empty poll.
class ShotConsole : public platform::VirtualConsole {
 public:
  using VirtualConsole::VirtualConsole;
  void PushShot() {
    platform::InputEvent marker;
    marker.kind = platform::InputEvent::Kind::Resize;
    marker.mouse_row = kMarker;
    PushEvent(marker);
  }
  platform::InputEvent PollInput() override {
    platform::InputEvent input = VirtualConsole::PollInput();
    if (input.kind != platform::InputEvent::Kind::Resize || input.mouse_row != kMarker) {
      return input;
    }
    Shot shot{Snapshot(), 0, {0, 0}};
    for (int row = 1; row <= Rows() && shot.highlighted_row == 0; ++row) {
      for (int column = 1; column <= Columns(); ++column) {
        if (AttributeAt(row, column) != kAttributeU) continue;
        if (shot.highlighted_row == 0) shot.highlighted_columns.first = column;
        shot.highlighted_row = row;
        shot.highlighted_columns.second = column;
      }
    }
    shots.push_back(shot);
    if (on_shot) on_shot();
    return {};
  }
  std::vector<Shot> shots;
  std::function<void()> on_shot;  // runs at each snapshot

 private:
  static constexpr std::int16_t kMarker = -4242;
};

class ScreenTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    auto console = std::make_unique<ShotConsole>(25, 80);
    console_ = console.get();
    shot_console_ = console.get();
    platform::InstallConsole(std::move(console));
    ResetAll();
  }
  void TearDown() override {
    ResetAll();
    ConsoleTest::TearDown();
  }
  static void ResetAll() {
    ResetScreenDefinitions();
    ResetScreenHooks();
    ResetBrowse();
    ResetBrowseRecords();
    ResetValueStack();
    ResetEditSettings();
    ResetForms();
    ResetFieldEditor();
  }

  // Loads a definition list.
  void Load(const std::vector<std::string>& texts) {
    list_ = texts;
    views_.assign(list_.begin(), list_.end());
    ASSERT_TRUE(LoadScreenDefinitions(views_, nullptr));
  }

  // Keys the screens wait for.
  void Key(std::uint8_t scan_code) { console().PushExtendedKey(scan_code); }
  void Type(std::string_view text) { console().PushText(text); }
  void Enter() { console().PushKey(13); }
  void Esc() { console().PushKey(27); }
  void Up(int times = 1) { for (int i = 0; i < times; ++i) Key(0x48); }
  void Down(int times = 1) { for (int i = 0; i < times; ++i) Key(0x50); }
  void Left() { Key(0x4B); }
  void Right() { Key(0x4D); }
  void PgUp() { Key(0x49); }
  void PgDn() { Key(0x51); }
  void F4() { Key(0x3E); }
  // Takes a snapshot at this point of the key script.
  void Snap() { shot_console_->PushShot(); }
  const std::vector<Shot>& Shots() const { return shot_console_->shots; }
  // Runs at each snapshot, while the screen waits for its keys.
  void AtEachSnap(std::function<void()> action) { shot_console_->on_shot = std::move(action); }

  // The rows of a snapshot, from the first to the last given (1-based), "\n" after each.
  static std::string Rows(const std::string& screen, int first, int last) {
    std::string out;
    int row = 1;
    std::size_t at = 0;
    while (at < screen.size() && row <= last) {
      std::size_t end = screen.find('\n', at);
      if (end == std::string::npos) end = screen.size();
      if (row >= first) out += screen.substr(at, end - at) + "\n";
      at = end + 1;
      ++row;
    }
    for (; row <= last; ++row) out += "\n";
    return out;
  }

 private:
  ShotConsole* shot_console_ = nullptr;
  std::vector<std::string> list_;
  std::vector<std::string_view> views_;
};

}  // namespace kel::testing
