#include "platform/terminal_decoder.h"

#include <algorithm>
#include <vector>

#include "platform/codepage.h"
#include "platform/terminal_keys.h"
#include "platform/terminal_parameters.h"

namespace kel::platform {
namespace {

namespace keys = terminal_keys;
using terminal_parameters::kAnyAlt;
using terminal_parameters::kAnyCtrl;
using terminal_parameters::ModifierState;
using terminal_parameters::Parameters;

constexpr std::uint32_t kModifiers = kAnyAlt | kAnyCtrl | kShift;
constexpr unsigned char kEsc = 0x1B;
// Longer sequences are noise (or an attack on the parser) and are dropped.
constexpr std::size_t kMaxSequenceBytes = 256;
constexpr std::string_view kPasteEnd = "\x1b[201~";

std::size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

void TerminalDecoder::Feed(std::string_view bytes) {
  if (bytes.empty()) return;
  idle_ms_ = 0;
  pending_.append(bytes);
  Decode(false);
}

void TerminalDecoder::Elapse(int milliseconds) {
  if (milliseconds < 0) milliseconds = 0;
  constexpr int kCeiling = 1 << 30;
  idle_ms_ = std::min(idle_ms_ + std::min(milliseconds, kCeiling), kCeiling);
  modifier_idle_ms_ = std::min(modifier_idle_ms_ + std::min(milliseconds, kCeiling), kCeiling);
  if (in_paste_) {
    if (idle_ms_ >= kPasteTimeoutMs) Decode(true);
  } else if (!pending_.empty() && idle_ms_ >= kEscapeTimeoutMs) {
    Decode(true);
  }
  if (held_ != 0 && !reports_releases_ && modifier_idle_ms_ >= kModifierReleaseMs) Release(0);
}

int TerminalDecoder::MillisecondsToDeadline() const {
  int deadline = -1;
  auto consider = [&deadline](int left) {
    left = std::max(left, 0);
    deadline = deadline < 0 ? left : std::min(deadline, left);
  };
  if (in_paste_) {
    consider(kPasteTimeoutMs - idle_ms_);
  } else if (!pending_.empty()) {
    consider(kEscapeTimeoutMs - idle_ms_);
  }
  if (held_ != 0 && !reports_releases_) consider(kModifierReleaseMs - modifier_idle_ms_);
  return deadline;
}

TerminalEvent TerminalDecoder::TakeEvent() {
  if (events_.empty()) return {};
  TerminalEvent event = std::move(events_.front());
  events_.pop_front();
  return event;
}

void TerminalDecoder::Reset() {
  const TerminalKeyboard keyboard = keyboard_;
  const TerminalCharset charset = charset_;
  *this = TerminalDecoder();
  keyboard_ = keyboard;
  charset_ = charset;
}

void TerminalDecoder::Decode(bool force) {
  while (true) {
    if (in_paste_) {
      DecodePaste(force);
      if (in_paste_) return;
      continue;
    }
    if (pending_.empty()) return;
    const auto lead = static_cast<unsigned char>(pending_[0]);
    const std::size_t used =
        lead == kEsc ? DecodeEscape(0, force, 0) : DecodeText(0, force, 0);
    if (used == 0) return;
    pending_.erase(0, used);
  }
}

std::size_t TerminalDecoder::DecodeEscape(std::size_t start, bool force,
                                          std::uint32_t extra_state) {
  const std::size_t available = pending_.size() - start;
  if (available == 1) {
    if (!force) return 0;
    PlainKey(kEsc, extra_state);
    return 1;
  }
  const char next = pending_[start + 1];
  if (next == '[') return DecodeCsi(start, force, extra_state);
  if (next == 'O') return DecodeSs3(start, force, extra_state);
  if (static_cast<unsigned char>(next) == kEsc) {
    // Terminals send Alt with a cursor or function key as a modifier parameter, never as an
    // ESC in front of the key's sequence: ESC ESC is Esc typed (fast, held, or ahead of a
    // busy program), and what follows it is a key of its own.
    PlainKey(kEsc, extra_state);
    return 1;
  }
  const std::size_t used = DecodeText(start + 1, force, extra_state | kLeftAlt);
  return used == 0 ? 0 : used + 1;
}

std::size_t TerminalDecoder::DecodeCsi(std::size_t start, bool force, std::uint32_t extra_state) {
  const std::size_t size = pending_.size();
  std::size_t i = start + 2;
  if (i >= size) {
    if (!force) return 0;
    CharacterKey('[', extra_state | kLeftAlt, false);
    return 2;
  }
  if (pending_[i] == '[') {
    // The Linux console's F1-F5: ESC [ [ A ... ESC [ [ E.
    if (i + 1 >= size) {
      if (!force) return 0;
      CharacterKey('[', extra_state | kLeftAlt, false);
      return 2;
    }
    const char final = pending_[i + 1];
    if (final >= 'A' && final <= 'E') {
      ExtendedKey(keys::FunctionKey(final - 'A' + 1), extra_state);
      return i + 2 - start;
    }
    return i + 1 - start;
  }
  if (pending_[i] == 'M') {
    // X10 mouse report: three raw bytes follow.
    if (size < i + 4) return force ? size - start : 0;
    X10Mouse(static_cast<unsigned char>(pending_[i + 1]),
             static_cast<unsigned char>(pending_[i + 2]),
             static_cast<unsigned char>(pending_[i + 3]));
    return i + 4 - start;
  }
  char prefix = 0;
  if (pending_[i] == '<' || pending_[i] == '=' || pending_[i] == '>' || pending_[i] == '?') {
    prefix = pending_[i];
    ++i;
  }
  const std::size_t parameters_start = i;
  while (i < size && pending_[i] >= 0x30 && pending_[i] <= 0x3F) ++i;
  const std::size_t parameters_end = i;
  char intermediate = 0;
  while (i < size && pending_[i] >= 0x20 && pending_[i] <= 0x2F) intermediate = pending_[i++];
  if (i - start > kMaxSequenceBytes) return i - start;
  if (i >= size) return force ? size - start : 0;
  const auto final = static_cast<unsigned char>(pending_[i]);
  // A sequence cut short by another byte: drop it and decode that byte on its own.
  if (final < 0x40 || final > 0x7E) return i - start;
  DispatchCsi(prefix,
              std::string_view(pending_).substr(parameters_start, parameters_end - parameters_start),
              intermediate, static_cast<char>(final), extra_state);
  return i + 1 - start;
}

std::size_t TerminalDecoder::DecodeSs3(std::size_t start, bool force, std::uint32_t extra_state) {
  const std::size_t size = pending_.size();
  std::size_t i = start + 2;
  if (i >= size) {
    if (!force) return 0;
    CharacterKey('O', extra_state | kLeftAlt, false);
    return 2;
  }
  long modifier = 0;
  while (i < size && pending_[i] >= '0' && pending_[i] <= '9' && i - start < 16) {
    modifier = modifier * 10 + (pending_[i] - '0');
    ++i;
  }
  if (i >= size) return force ? size - start : 0;
  const char final = pending_[i];
  const std::uint32_t state = extra_state | ModifierState(modifier);
  for (const auto& key : keys::kLetterKeys) {
    if (key.final == final) {
      ExtendedKey(key.scan_code, state);
      return i + 1 - start;
    }
  }
  // The keypad in application mode.
  if (final >= 'p' && final <= 'y') {
    CharacterKey(static_cast<char32_t>('0' + (final - 'p')), state, true);
  } else if (final == 'M') {
    PlainKey('\r', state);
  } else {
    constexpr std::string_view kFinals = "jklmnoX";
    constexpr std::string_view kCharacters = "*+,-./=";
    const std::size_t at = kFinals.find(final);
    if (at != std::string_view::npos) {
      CharacterKey(static_cast<char32_t>(kCharacters[at]), state, false);
    } else if (static_cast<unsigned char>(final) < 0x20) {
      return i - start;
    }
  }
  return i + 1 - start;
}

std::size_t TerminalDecoder::DecodeText(std::size_t start, bool force, std::uint32_t extra_state) {
  const auto lead = static_cast<unsigned char>(pending_[start]);
  if (lead < 0x20 || lead == 0x7F) {
    switch (lead) {
      case '\r':
      case '\t':
        PlainKey(lead, extra_state);
        break;
      case 0x08:
      case 0x7F:
        PlainKey(0x08, extra_state);
        break;
      case 0x00:
        ExtendedKey(keys::kCtrlAt, extra_state | kLeftCtrl);
        break;
      default:
        if (lead >= 1 && lead <= 26 && (extra_state & kAnyAlt)) {
          ExtendedKey(keys::kLetter[lead - 1], extra_state | kLeftCtrl);
        } else {
          PlainKey(lead, extra_state | kLeftCtrl);
        }
    }
    return 1;
  }
  if (lead < 0x80) {
    CharacterKey(lead, extra_state, true);
    return 1;
  }
  if (charset_ != TerminalCharset::Utf8) {
    // One byte, one character; the C1 controls of the ISO sets are dropped.
    const char32_t code_point = EightBitToUnicode(lead, charset_);
    if (code_point != 0) CharacterKey(code_point, extra_state, false);
    return 1;
  }
  const std::size_t length = Utf8Length(lead);
  if (length == 0) return 1;  // not UTF-8: dropped
  const std::size_t available = pending_.size() - start;
  for (std::size_t k = 1; k < std::min(length, available); ++k) {
    if ((static_cast<unsigned char>(pending_[start + k]) & 0xC0) != 0x80) return k;
  }
  if (available < length) return force ? available : 0;
  std::size_t position = 0;
  const char32_t code_point = NextUtf8(std::string_view(pending_).substr(start, length), position);
  CharacterKey(code_point, extra_state, false);
  return length;
}

void TerminalDecoder::DecodePaste(bool force) {
  auto append = [this](std::string_view bytes) {
    const std::size_t room = kMaxPasteBytes - std::min(paste_.size(), kMaxPasteBytes);
    paste_.append(bytes.substr(0, std::min(room, bytes.size())));
  };
  const std::size_t end = pending_.find(kPasteEnd);
  if (end == std::string::npos && !force) {
    // Keep what may be the start of the end marker until the rest arrives.
    std::size_t keep = 0;
    for (std::size_t k = std::min(pending_.size(), kPasteEnd.size() - 1); k > 0; --k) {
      if (std::string_view(pending_).substr(pending_.size() - k) == kPasteEnd.substr(0, k)) {
        keep = k;
        break;
      }
    }
    append(std::string_view(pending_).substr(0, pending_.size() - keep));
    pending_.erase(0, pending_.size() - keep);
    return;
  }
  if (end == std::string::npos) {
    append(pending_);
    pending_.clear();
  } else {
    append(std::string_view(pending_).substr(0, end));
    pending_.erase(0, end + kPasteEnd.size());
  }
  in_paste_ = false;
  TerminalEvent paste;
  paste.kind = TerminalEvent::Kind::Paste;
  paste.text = TerminalTextToCp850(paste_, charset_);
  paste_.clear();
  const std::string text = paste.text;
  events_.push_back(std::move(paste));
  // The pasted text arrives as typed keys, line ends as Enter, as the Windows console does.
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto ch = static_cast<unsigned char>(text[i]);
    if (ch == '\r' || ch == '\n') {
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      PlainKey('\r', 0);
    } else if (ch == '\t') {
      PlainKey('\t', 0);
    } else if (ch >= 0x20 && ch != 0x7F) {
      PlainKey(ch, 0);
    }
  }
}

void TerminalDecoder::DispatchCsi(char prefix, std::string_view parameters, char intermediate,
                                  char final, std::uint32_t extra_state) {
  const Parameters values(parameters);
  if (prefix == '?') {
    if (final == 'u') {
      TerminalEvent reply;
      reply.kind = TerminalEvent::Kind::KeyboardFlags;
      reply.value = static_cast<int>(values.Get(0, 0, 0));
      // Releases of every key, modifiers included, need flags 2 and 8 together.
      reports_releases_ = (reply.value & 10) == 10;
      events_.push_back(std::move(reply));
    } else if (final == 'c') {
      TerminalEvent reply;
      reply.kind = TerminalEvent::Kind::DeviceAttributes;
      events_.push_back(std::move(reply));
    }
    return;
  }
  if (prefix == '<') {
    if (final == 'M' || final == 'm') SgrMouse(parameters, final);
    return;
  }
  if (prefix != 0 || intermediate != 0) return;
  if (final == 'u') {
    KittyKey(parameters, extra_state);
    return;
  }
  // Only kitty reports releases of these keys, and a release of a key other than a
  // modifier changes nothing.
  if (values.Get(1, 1, 1) == 3) return;
  const std::uint32_t state = extra_state | ModifierState(values.Get(1, 0, 1));
  if (final == '~') {
    const long number = values.Get(0, 0, 0);
    if (number == 200) {
      in_paste_ = true;
      paste_.clear();
      return;
    }
    if (number == 27) {
      // xterm's modifyOtherKeys form: CSI 27 ; modifiers ; character ~
      const long code = values.Get(2, 0, 0);
      if (code > 0) CharacterKey(static_cast<char32_t>(code), state, false);
      return;
    }
    if (keyboard_ == TerminalKeyboard::LinuxConsole) {
      for (const auto& key : keys::kLinuxConsoleShiftedKeys) {
        if (key.number == number) {
          ExtendedKey(key.scan_code, state | kShift);
          return;
        }
      }
    }
    for (const auto& key : keys::kTildeKeys) {
      if (key.number == number) {
        ExtendedKey(key.scan_code, state);
        return;
      }
    }
    return;
  }
  if (final == 'Z') {
    ExtendedKey(keys::kBackTab, state | kShift);
    return;
  }
  for (const auto& key : keys::kLetterKeys) {
    if (key.final == final) {
      ExtendedKey(key.scan_code, state);
      return;
    }
  }
}

void TerminalDecoder::CharacterKey(char32_t character, std::uint32_t state,
                                   bool from_keypad_digit) {
  if (state & kAnyAlt) {
    if (character >= 'a' && character <= 'z') {
      ExtendedKey(keys::kLetter[character - 'a'], state);
      return;
    }
    if (character >= 'A' && character <= 'Z') {
      ExtendedKey(keys::kLetter[character - 'A'], state | kShift);
      return;
    }
    if (character >= '0' && character <= '9') {
      const int digit = static_cast<int>(character - '0');
      if (from_keypad_digit) {
        ExtendedKey(keys::kKeypadDigit[digit], state);
      } else {
        ExtendedKey(static_cast<std::uint8_t>(digit == 0 ? keys::kAltTopRowDigit1 + 9
                                                         : keys::kAltTopRowDigit1 + digit - 1),
                    state);
      }
      return;
    }
    if (character == '-') {
      ExtendedKey(keys::kAltMinus, state);
      return;
    }
    if (character == '=') {
      ExtendedKey(keys::kAltEquals, state);
      return;
    }
  }
  const int byte = UnicodeToCp850(character);
  // Code page 850's control glyphs are no typed characters: below 32 only real controls.
  if (byte < 0 || (byte < 0x20 && character >= 0x20) || (byte == 0x7F && character != 0x7F)) {
    PlainKey('?', state);
    return;
  }
  PlainKey(static_cast<unsigned char>(byte), state);
}

void TerminalDecoder::ExtendedKey(std::uint8_t scan_code, std::uint32_t state) {
  InputEvent event;
  event.kind = InputEvent::Kind::Key;
  event.scan_code = scan_code;
  event.control_state = state;
  Emit(event);
}

void TerminalDecoder::PlainKey(unsigned char character, std::uint32_t state) {
  InputEvent event;
  event.kind = InputEvent::Kind::Key;
  event.character = character;
  event.control_state = state;
  Emit(event);
}

void TerminalDecoder::Emit(const InputEvent& event) {
  const std::uint32_t modifiers = event.control_state & kModifiers;
  if (held_ & ~modifiers) Release(held_ & modifiers);
  held_ = modifiers;
  if (modifiers != 0) modifier_idle_ms_ = 0;
  TerminalEvent queued;
  queued.input = event;
  events_.push_back(std::move(queued));
}

void TerminalDecoder::Release(std::uint32_t remaining) {
  held_ = remaining;
  TerminalEvent queued;
  queued.input.kind = InputEvent::Kind::KeyUp;
  queued.input.control_state = remaining;
  events_.push_back(std::move(queued));
}

}  // namespace kel::platform