// The kitty keyboard protocol: CSI key ; modifiers:event ; text u.
#include "platform/terminal_decoder.h"

#include <algorithm>
#include <vector>

#include "platform/terminal_keys.h"
#include "platform/terminal_parameters.h"

namespace kel::platform {
namespace {

namespace keys = terminal_keys;
using terminal_parameters::kAnyAlt;
using terminal_parameters::kAnyCtrl;
using terminal_parameters::Parameters;

constexpr unsigned char kEsc = 0x1B;

}  // namespace

void TerminalDecoder::KittyKey(std::string_view parameters, std::uint32_t extra_state) {
  const Parameters values(parameters);
  const long code = values.Get(0, 0, 0);
  const long shifted = values.Get(0, 1, -1);
  const long bits = std::max(values.Get(1, 0, 1) - 1, 0L);
  const long event_type = values.Get(1, 1, 1);

  if (code >= keys::kKittyFirstModifier && code <= keys::kKittyLastModifier) {
    std::uint32_t mask = 0;
    if (code == keys::kKittyLeftShift || code == keys::kKittyRightShift) mask = kShift;
    if (code == keys::kKittyLeftControl) mask = kLeftCtrl;
    if (code == keys::kKittyRightControl) mask = kRightCtrl;
    if (code == keys::kKittyLeftAlt) mask = kLeftAlt;
    if (code == keys::kKittyRightAlt) mask = kRightAlt;
    if (event_type == 3) {
      kitty_held_ &= ~mask;
      if (held_ & ~kitty_held_) Release(held_ & kitty_held_);
    } else {
      kitty_held_ |= mask;
    }
    return;
  }
  if (event_type == 3) return;

  // Which Alt and which Ctrl: the side the terminal reported pressed, else the left one.
  std::uint32_t state = extra_state;
  if (bits & keys::kParameterShift) state |= kShift;
  if (bits & keys::kParameterAlt) state |= (kitty_held_ & kAnyAlt) ? (kitty_held_ & kAnyAlt) : kLeftAlt;
  if (bits & keys::kParameterCtrl) state |= (kitty_held_ & kAnyCtrl) ? (kitty_held_ & kAnyCtrl) : kLeftCtrl;
  const bool alt = (state & kAnyAlt) != 0;
  const bool ctrl = (state & kAnyCtrl) != 0;
  const bool shift = (state & kShift) != 0;
  std::vector<long> text;
  for (long code_point : values.Field(2)) {
    if (code_point > 0) text.push_back(code_point);
  }

  switch (code) {
    case 27:
      PlainKey(kEsc, state);
      return;
    case 13:
      PlainKey('\r', state);
      return;
    case 9:
      if (shift) {
        ExtendedKey(keys::kBackTab, state);
      } else {
        PlainKey('\t', state);
      }
      return;
    case 8:
    case 127:
      PlainKey(0x08, state);
      return;
    default:
      break;
  }
  if (code >= keys::kKittyKeypad0 && code <= keys::kKittyKeypad0 + 9) {
    const int digit = static_cast<int>(code - keys::kKittyKeypad0);
    const bool digits_on = !text.empty() || (bits & keys::kParameterNumLock);
    if (!alt && !ctrl && digits_on) {
      PlainKey(static_cast<unsigned char>('0' + digit), state);
    } else {
      ExtendedKey(keys::kKeypadDigit[digit], state);
    }
    return;
  }
  if (code == keys::kKittyKeypadDecimal) {
    if (!text.empty() || (bits & keys::kParameterNumLock)) {
      CharacterKey(text.empty() ? U'.' : static_cast<char32_t>(text[0]), state, false);
    } else {
      ExtendedKey(keys::kDelete, state);
    }
    return;
  }
  if (code >= keys::kKittyKeypadDivide && code <= keys::kKittyKeypadSeparator) {
    constexpr std::string_view kCharacters = "/*-+\r=,";
    const char ch = kCharacters[static_cast<std::size_t>(code - keys::kKittyKeypadDivide)];
    if (ch == '\r') {
      PlainKey('\r', state);
    } else {
      CharacterKey(static_cast<char32_t>(ch), state, false);
    }
    return;
  }
  if (code >= keys::kKittyKeypadLeft && code < keys::kKittyKeypadLeft + 11) {
    ExtendedKey(keys::kKittyKeypadMoves[code - keys::kKittyKeypadLeft], state);
    return;
  }
  // Other keys of the private use area (F13 and up, media keys, locks) mean nothing here.
  if (code >= 0xE000 && code <= 0xF8FF) return;
  if (code > 0x10FFFF) return;

  if (ctrl && !alt && code > 0 && code < 0x80) {
    const char ch = static_cast<char>(code);
    if (ch >= 'a' && ch <= 'z') {
      PlainKey(static_cast<unsigned char>(ch - 'a' + 1), state);
      return;
    }
    constexpr std::string_view kKeys = "@ 2[3\\4]5^6~_/7";
    constexpr unsigned char kBytes[] = {0, 0, 0, 27, 27, 28, 28, 29, 29, 30, 30, 30, 31, 31, 31};
    const std::size_t at = kKeys.find(ch);
    if (at != std::string_view::npos) {
      if (kBytes[at] == 0) {
        ExtendedKey(keys::kCtrlAt, state);
      } else {
        PlainKey(kBytes[at], state);
      }
      return;
    }
  }
  if (!alt && !ctrl && !text.empty()) {
    for (long code_point : text) CharacterKey(static_cast<char32_t>(code_point), state, false);
    return;
  }
  if (code == 0) return;
  char32_t ch = static_cast<char32_t>(code);
  if (shift && shifted > 0 && shifted <= 0x10FFFF) {
    ch = static_cast<char32_t>(shifted);
  } else if (shift && ch >= 'a' && ch <= 'z') {
    ch = ch - 'a' + 'A';
  }
  CharacterKey(ch, state, false);
}

}  // namespace kel::platform
