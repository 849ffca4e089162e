// Key codes and key names, shared by every screen.
//
// A key is a signed 16-bit code: the character code of a key that types a character, or its
// scan code times 256 for a key without one; codes from 8000h up are negative. A key's name is
// its code in lower-case hexadecimal; key lists are names separated by commas ("d,1b,4800").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kel {

using KeyCode = std::int16_t;

// A code from its unsigned 16-bit value (keys from 8000h up are negative codes).
constexpr KeyCode MakeKeyCode(unsigned value) {
  return static_cast<KeyCode>(static_cast<std::uint16_t>(value));
}

// Keys with a fixed meaning in the toolkit, and the others the key reader forms.
inline constexpr KeyCode kKeyNone = 0;
inline constexpr KeyCode kKeyBackspace = 8;
inline constexpr KeyCode kKeyTab = 9;
inline constexpr KeyCode kKeyEnter = 13;
inline constexpr KeyCode kKeyEsc = 27;
inline constexpr KeyCode kKeyAltE = MakeKeyCode(0x1200);
inline constexpr KeyCode kKeyAltF = MakeKeyCode(0x2100);
inline constexpr KeyCode kKeyAltX = MakeKeyCode(0x2D00);
inline constexpr KeyCode kKeyAltC = MakeKeyCode(0x2E00);
inline constexpr KeyCode kKeyF1 = MakeKeyCode(0x3B00);
inline constexpr KeyCode kKeyF2 = MakeKeyCode(0x3C00);
inline constexpr KeyCode kKeyF3 = MakeKeyCode(0x3D00);
inline constexpr KeyCode kKeyF4 = MakeKeyCode(0x3E00);
inline constexpr KeyCode kKeyF10 = MakeKeyCode(0x4400);
inline constexpr KeyCode kKeyHome = MakeKeyCode(0x4700);
inline constexpr KeyCode kKeyUp = MakeKeyCode(0x4800);
inline constexpr KeyCode kKeyPgUp = MakeKeyCode(0x4900);
inline constexpr KeyCode kKeyLeft = MakeKeyCode(0x4B00);
inline constexpr KeyCode kKeyCentre = MakeKeyCode(0x4C00);
inline constexpr KeyCode kKeyRight = MakeKeyCode(0x4D00);
inline constexpr KeyCode kKeyEnd = MakeKeyCode(0x4F00);
inline constexpr KeyCode kKeyDown = MakeKeyCode(0x5000);
inline constexpr KeyCode kKeyPgDn = MakeKeyCode(0x5100);
inline constexpr KeyCode kKeyInsert = MakeKeyCode(0x5200);
inline constexpr KeyCode kKeyDelete = MakeKeyCode(0x5300);
inline constexpr KeyCode kKeyShiftF1 = MakeKeyCode(0x5400);
inline constexpr KeyCode kKeyCtrlF1 = MakeKeyCode(0x5E00);
inline constexpr KeyCode kKeyAltF1 = MakeKeyCode(0x6800);
inline constexpr KeyCode kKeyCtrlLeft = MakeKeyCode(0x7300);
inline constexpr KeyCode kKeyCtrlRight = MakeKeyCode(0x7400);
inline constexpr KeyCode kKeyCtrlHome = MakeKeyCode(0x7700);
inline constexpr KeyCode kKeyF11 = MakeKeyCode(0x8500);
inline constexpr KeyCode kKeyF12 = MakeKeyCode(0x8600);
inline constexpr KeyCode kKeyEuro = 0xD5;  // the euro sign of code page 858

// Lower-case hexadecimal name of a key, without leading zeros ("d", "1b", "3b00", "8500").
std::string KeyName(KeyCode key);
// Code of a key name, read as hexadecimal in either case; 0 for a name that is not one.
KeyCode KeyCodeOfName(std::string_view name);
// Code of a console key text: its first two bytes as a little-endian number, zero-completed.
KeyCode KeyCodeOfText(std::string_view key_text);
// Codes of a comma-separated key list, in order; empty names are left out.
std::vector<KeyCode> ParseKeyList(std::string_view list);
// Key list text of codes ("d,1b,4800").
std::string KeyListText(const std::vector<KeyCode>& keys);
// True when the key is named in the key list.
bool KeyInList(KeyCode key, std::string_view list);

}  // namespace kel
