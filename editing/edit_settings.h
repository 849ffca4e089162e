// Editing settings: the exit-key map and the mask character that the field editor reads when
// a field ends, set through short command strings.
//
// Every screen that edits fields saves the map, installs its own and restores the saved one
// when it closes:
//
//   EditSettings("+ea", "d,1b,3b00");  // save, empty, then Enter, Esc and F1 end the field
//   ...                                // EditField
//   EditSettings("-", "");             // back to the map in force before
//
// Commands, applied from left to right in either letter case (other letters are skipped):
//   D  remove each listed key (and its replacement) from the map
//   A  append each listed key; "1b=4f00" lists Esc returned as End
//   E  empty the map
//   +  save the map in the one-level save area, unless a copy is held already
//   -  restore the saved copy, if one is held, and free the save area
//   H  mask typed text with "X"        V  show typed text again
// Codes are key names (hexadecimal, "d", "1b", "4f00") separated by commas, each read as an
// unsigned 16-bit value so that F11, F12 and their modified forms (8500h and up, negative
// key codes) can be listed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/keys.h"

namespace kel {

// Everything the settings hold: the map, the mask, and the save area with its count.
struct EditSettingsState {
  std::string exit_keys;      // 2 bytes a key, little-endian
  std::string replacements;   // the code each exit key is returned as, at the same place
  std::int16_t mask = 0;
  std::string saved_exit_keys;
  std::string saved_replacements;
  int saved_count = 0;
};

// Applies the commands, with the key codes they take, to the editing settings.
void EditSettings(std::string_view commands, std::string_view codes);

// True when no exit key is listed: every key then ends editing unchanged.
bool ExitKeyMapEmpty();
// Looks a key up among the exit keys; on a match gives the code it is returned as.
bool FindExitKey(KeyCode key, KeyCode& replacement);
// True when the key is one of the exit keys.
bool ExitKeysContain(KeyCode key);
// The character shown for each typed character, 0 when typed text is shown.
std::int16_t MaskCharacter();

// A copy of all the settings, for a pop-up that must give back exactly what it found.
EditSettingsState SaveEditSettings();
// Puts back settings taken by SaveEditSettings.
void RestoreEditSettings(const EditSettingsState& state);
// Empties the map, the mask and the save area (tests).
void ResetEditSettings();

}  // namespace kel
