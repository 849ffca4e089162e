// The keyboard's scan codes as the console reports them, and the terminal key numbers they
// come from. One table per kind of key, in the order a reader checks them against a PC
// keyboard.
#pragma once

#include <cstdint>

namespace kel::platform::terminal_keys {

// Scan codes of the keys without a character.
inline constexpr std::uint8_t kF1 = 0x3B;   // F1-F10 follow one another up to 0x44
inline constexpr std::uint8_t kF11 = 0x85;
inline constexpr std::uint8_t kF12 = 0x86;
inline constexpr std::uint8_t kHome = 0x47;
inline constexpr std::uint8_t kUp = 0x48;
inline constexpr std::uint8_t kPageUp = 0x49;
inline constexpr std::uint8_t kLeft = 0x4B;
inline constexpr std::uint8_t kKeypadCentre = 0x4C;
inline constexpr std::uint8_t kRight = 0x4D;
inline constexpr std::uint8_t kEnd = 0x4F;
inline constexpr std::uint8_t kDown = 0x50;
inline constexpr std::uint8_t kPageDown = 0x51;
inline constexpr std::uint8_t kInsert = 0x52;
inline constexpr std::uint8_t kDelete = 0x53;
inline constexpr std::uint8_t kBackTab = 0x0F;     // Shift+Tab
inline constexpr std::uint8_t kCtrlAt = 0x03;      // Ctrl+Space, Ctrl+@
inline constexpr std::uint8_t kAltTopRowDigit1 = 0x78;  // Alt+1 ... Alt+9 0x80, Alt+0 0x81
inline constexpr std::uint8_t kAltMinus = 0x82;
inline constexpr std::uint8_t kAltEquals = 0x83;

// Scan code of a function key F1-F12 (0 otherwise).
constexpr std::uint8_t FunctionKey(int number) {
  if (number >= 1 && number <= 10) return static_cast<std::uint8_t>(kF1 + number - 1);
  if (number == 11) return kF11;
  if (number == 12) return kF12;
  return 0;
}

// Scan codes of the keypad keys by digit: with Num Lock off they are the cursor keys, and
// the console reports them so while Alt is held.
inline constexpr std::uint8_t kKeypadDigit[10] = {
    kInsert, kEnd, kDown, kPageDown, kLeft, kKeypadCentre, kRight, kHome, kUp, kPageUp};

// Scan codes of the letter keys a-z, which the console gives with Alt.
inline constexpr std::uint8_t kLetter[26] = {
    0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,  // a-m
    0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C,  // n-z
};

// Keys that xterm-style terminals send as CSI number "~".
struct TildeKey {
  int number;
  std::uint8_t scan_code;
};
inline constexpr TildeKey kTildeKeys[] = {
    {1, kHome},  {2, kInsert}, {3, kDelete},  {4, kEnd},     {5, kPageUp},   {6, kPageDown},
    {7, kHome},  {8, kEnd},    {11, 0x3B},    {12, 0x3C},    {13, 0x3D},     {14, 0x3E},
    {15, 0x3F},  {17, 0x40},   {18, 0x41},    {19, 0x42},    {20, 0x43},     {21, 0x44},
    {23, kF11},  {24, kF12},   {57427, kKeypadCentre},
};

// Keys that the Linux console sends as CSI number "~" in place of (or besides) the ones
// above: Shift+F1 to Shift+F10, which its keymaps give as F11 to F20. F11 and F12 send what
// Shift+F1 and Shift+F2 send, so there they read as those.
struct ShiftedFunctionKey {
  int number;
  std::uint8_t scan_code;  // of the unshifted key
};
inline constexpr ShiftedFunctionKey kLinuxConsoleShiftedKeys[] = {
    {23, 0x3B}, {24, 0x3C}, {25, 0x3D}, {26, 0x3E}, {28, 0x3F},
    {29, 0x40}, {31, 0x41}, {32, 0x42}, {33, 0x43}, {34, 0x44},
};

// Keys that terminals send as CSI or SS3 followed by a letter (the Linux console's keypad
// centre is CSI G).
struct LetterKey {
  char final;
  std::uint8_t scan_code;
};
inline constexpr LetterKey kLetterKeys[] = {
    {'A', kUp},   {'B', kDown}, {'C', kRight}, {'D', kLeft}, {'H', kHome}, {'F', kEnd},
    {'E', kKeypadCentre}, {'G', kKeypadCentre}, {'P', 0x3B},   {'Q', 0x3C},  {'R', 0x3D},  {'S', 0x3E},
};

// Key numbers of the kitty keyboard protocol.
inline constexpr int kKittyKeypad0 = 57399;  // KP_0 ... KP_9 57408
inline constexpr int kKittyKeypadDecimal = 57409;
inline constexpr int kKittyKeypadDivide = 57410;
inline constexpr int kKittyKeypadMultiply = 57411;
inline constexpr int kKittyKeypadSubtract = 57412;
inline constexpr int kKittyKeypadAdd = 57413;
inline constexpr int kKittyKeypadEnter = 57414;
inline constexpr int kKittyKeypadEqual = 57415;
inline constexpr int kKittyKeypadSeparator = 57416;
// KP_LEFT 57417 ... KP_BEGIN 57427, in this order.
inline constexpr std::uint8_t kKittyKeypadMoves[11] = {
    kLeft, kRight, kUp, kDown, kPageUp, kPageDown, kHome, kEnd, kInsert, kDelete, kKeypadCentre};
inline constexpr int kKittyKeypadLeft = 57417;
inline constexpr int kKittyLeftShift = 57441;
inline constexpr int kKittyLeftControl = 57442;
inline constexpr int kKittyLeftAlt = 57443;
inline constexpr int kKittyRightShift = 57447;
inline constexpr int kKittyRightControl = 57448;
inline constexpr int kKittyRightAlt = 57449;
inline constexpr int kKittyFirstModifier = 57441;  // LEFT_SHIFT ... ISO_LEVEL5_SHIFT 57454
inline constexpr int kKittyLastModifier = 57454;

// Modifier bits of xterm and kitty key parameters (the parameter is 1 + these bits).
inline constexpr int kParameterShift = 1;
inline constexpr int kParameterAlt = 2;
inline constexpr int kParameterCtrl = 4;
inline constexpr int kParameterNumLock = 128;

}  // namespace kel::platform::terminal_keys
