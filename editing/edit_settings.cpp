// The exit-key map as two byte strings, as screens save and restore it.
#include "editing/edit_settings.h"

#include <cstdint>
#include <string>

#include "platform/hex_text.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

constexpr std::int16_t kMaskX = 'X';

EditSettingsState& State() {
  static EditSettingsState state;
  return state;
}

std::string CodeBytes(std::uint16_t code) {
  return {static_cast<char>(code & 0xFF), static_cast<char>(code >> 8)};
}

// An item's text read as hexadecimal, as far as it holds hexadecimal digits; blanks in front
// are skipped and an empty item reads as 0. Only the low 16 bits are kept.
std::uint16_t HexItem(std::string_view item) {
  std::size_t i = item.find_first_not_of(' ');
  if (i == std::string_view::npos) return 0;
  std::uint32_t value = 0;
  for (; i < item.size(); ++i) {
    const int digit = HexDigitValue(item[i]);
    if (digit < 0) break;
    value = ((value << 4) | static_cast<std::uint32_t>(digit)) & 0xFFFF;
  }
  return static_cast<std::uint16_t>(value);
}

// Byte offset of the first exit key equal to the code. A match must start on a key's first
// byte: one that straddles two keys is passed over and the search goes on.
std::size_t FindCode(const std::string& keys, std::uint16_t code) {
  const std::string wanted = CodeBytes(code);
  std::size_t at = keys.find(wanted);
  while (at != std::string::npos && at % 2 != 0) at = keys.find(wanted, at + 1);
  return at;
}

// Calls the action with each comma-separated item of the codes.
template <typename Action>
void ForEachItem(std::string_view codes, Action action) {
  std::size_t i = 0;
  while (i < codes.size()) {
    std::size_t comma = codes.find(',', i);
    if (comma == std::string_view::npos) comma = codes.size();
    action(codes.substr(i, comma - i));
    i = comma + 1;
  }
}

void AddKeys(EditSettingsState& state, std::string_view codes) {
  ForEachItem(codes, [&state](std::string_view item) {
    const std::size_t equals = item.find('=');
    const std::uint16_t code = HexItem(item.substr(0, equals));
    const std::uint16_t replacement =
        equals == std::string_view::npos ? code : HexItem(item.substr(equals + 1));
    state.exit_keys += CodeBytes(code);
    state.replacements += CodeBytes(replacement);
  });
}

void RemoveKeys(EditSettingsState& state, std::string_view codes) {
  ForEachItem(codes, [&state](std::string_view item) {
    const std::size_t at = FindCode(state.exit_keys, HexItem(item));
    if (at == std::string::npos) return;
    state.exit_keys.erase(at, 2);
    state.replacements.erase(at, 2);
  });
}

}  // namespace

void EditSettings(std::string_view commands, std::string_view codes) {
  EditSettingsState& state = State();
  for (char command : commands) {
    switch (command) {
      case 'D': case 'd':
        RemoveKeys(state, codes);
        break;
      case 'A': case 'a':
        AddKeys(state, codes);
        break;
      case 'E': case 'e':
        state.exit_keys.clear();
        state.replacements.clear();
        break;
      case '+':
        if (state.saved_count == 0) {
          state.saved_exit_keys = state.exit_keys;
          state.saved_replacements = state.replacements;
          state.saved_count = 1;
        }
        break;
      case '-':
        if (state.saved_count != 0) {
          state.exit_keys = std::move(state.saved_exit_keys);
          state.replacements = std::move(state.saved_replacements);
          state.saved_exit_keys.clear();
          state.saved_replacements.clear();
          state.saved_count = 0;
        }
        break;
      case 'H': case 'h':
        state.mask = kMaskX;
        break;
      case 'V': case 'v':
        state.mask = 0;
        break;
      default:
        break;
    }
  }
}

bool ExitKeyMapEmpty() { return State().exit_keys.empty(); }

bool FindExitKey(KeyCode key, KeyCode& replacement) {
  const EditSettingsState& state = State();
  const std::size_t at = FindCode(state.exit_keys, static_cast<std::uint16_t>(key));
  if (at == std::string::npos) return false;
  const auto low = static_cast<unsigned char>(state.replacements[at]);
  const auto high = static_cast<unsigned char>(state.replacements[at + 1]);
  replacement = MakeKeyCode(low + 256u * high);
  return true;
}

bool ExitKeysContain(KeyCode key) {
  return FindCode(State().exit_keys, static_cast<std::uint16_t>(key)) != std::string::npos;
}

std::int16_t MaskCharacter() { return State().mask; }

EditSettingsState SaveEditSettings() { return State(); }

void RestoreEditSettings(const EditSettingsState& state) { State() = state; }

void ResetEditSettings() { State() = EditSettingsState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetEditSettings);
}  // namespace


}  // namespace kel
