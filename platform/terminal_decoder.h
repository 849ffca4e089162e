// Turns the bytes a terminal sends into console input events. Pure: it is fed bytes and the
// time that passes, so it runs the same under a test, a fuzzer and a real terminal.
//
// Understood: text in the terminal's character set (UTF-8 unless set; as code page 850), control characters, CSI and SS3 keys with xterm
// modifier parameters, the Linux console's function keys, ESC-prefixed Alt keys (a lone ESC
// becomes the Esc key after a short timeout), SGR (1006) and X10 mouse reports, bracketed
// paste, and the kitty keyboard protocol with its key releases.
//
// Keys arrive as the Windows console reports them: a character, or character 0 and a scan
// code. Alt with a letter is the letter key's scan code (Alt+X 0x2D), Shift+Tab is 0x0F, and
// Alt with a legacy digit is the keypad key of that digit (Alt+1 is End, 0x4F), so that Left
// Alt with keypad digits enters a character by its code wherever the terminal sends keypad
// digits as plain digits.
//
// Terminals do not report releasing a modifier. The decoder gives a KeyUp with the control
// state that remains before a key without the modifiers held so far, and a KeyUp with no
// modifiers once no key has come for kModifierReleaseMs. When the terminal reports key
// releases itself (kitty flags 2 and 8), those releases give the KeyUp at once.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "platform/console.h"
#include "platform/terminal_charset.h"

namespace kel::platform {

// Which key sequences the terminal sends where terminals differ.
enum class TerminalKeyboard : std::uint8_t {
  Xterm,         // xterm and the terminals that follow it (VTE, tmux, kitty)
  LinuxConsole,  // the Linux console: Shift+F1 to Shift+F10 as CSI 23 ~ to CSI 34 ~
};

// Something the terminal sent.
struct TerminalEvent {
  enum class Kind : std::uint8_t {
    Input,             // a console input event
    Paste,             // a bracketed paste ended; its keys follow as Input events
    KeyboardFlags,     // the kitty keyboard protocol's answer to a query of its flags
    DeviceAttributes,  // the answer to a primary device attributes query
  };
  Kind kind = Kind::Input;
  InputEvent input;
  std::string text;  // Paste: the pasted text in code page 850
  int value = 0;     // KeyboardFlags: the flags in force
};

class TerminalDecoder {
 public:
  // Time after a lone ESC (or an unfinished sequence) before it counts as typed keys.
  static constexpr int kEscapeTimeoutMs = 60;
  // Time without keys after which modifiers count as released.
  static constexpr int kModifierReleaseMs = 600;
  // Time without bytes after which an unterminated paste counts as ended.
  static constexpr int kPasteTimeoutMs = 1000;
  // Largest paste kept; the rest of a longer one is dropped.
  static constexpr std::size_t kMaxPasteBytes = 64 * 1024;

  // Which key sequences to expect (Xterm unless set).
  void SetKeyboard(TerminalKeyboard keyboard) { keyboard_ = keyboard; }
  // The character set of typed and pasted text (UTF-8 unless set).
  void SetCharacterSet(TerminalCharset charset) { charset_ = charset; }

  // Bytes that arrived now.
  void Feed(std::string_view bytes);
  // Milliseconds passed since the last Feed or Elapse.
  void Elapse(int milliseconds);
  // Milliseconds until Elapse would produce something by the passing of time; -1 for never.
  int MillisecondsToDeadline() const;

  bool HasEvent() const { return !events_.empty(); }
  TerminalEvent TakeEvent();

  // Whether the terminal itself reports key releases (set from the kitty flags reply).
  bool ReportsReleases() const { return reports_releases_; }
  // Forgets pending bytes, events and held modifiers (keyboard and character set stay).
  void Reset();

 private:
  // Decodes what pending_ allows; with force, unfinished sequences are settled now.
  void Decode(bool force);
  // Each returns the bytes consumed from pending_ at start, or 0 when more bytes are needed.
  std::size_t DecodeEscape(std::size_t start, bool force, std::uint32_t extra_state);
  std::size_t DecodeCsi(std::size_t start, bool force, std::uint32_t extra_state);
  std::size_t DecodeSs3(std::size_t start, bool force, std::uint32_t extra_state);
  std::size_t DecodeText(std::size_t start, bool force, std::uint32_t extra_state);
  void DecodePaste(bool force);
  void DispatchCsi(char prefix, std::string_view parameters, char intermediate, char final,
                   std::uint32_t extra_state);
  void KittyKey(std::string_view parameters, std::uint32_t extra_state);
  void SgrMouse(std::string_view parameters, char final);
  void X10Mouse(unsigned char code, unsigned char column, unsigned char row);
  void MouseEvent(std::uint8_t kind, std::uint8_t button, int row, int column,
                  std::uint32_t state);
  // A typed character (Unicode) with control state, mapped the way the console maps it.
  void CharacterKey(char32_t character, std::uint32_t state, bool from_keypad_digit);
  void ExtendedKey(std::uint8_t scan_code, std::uint32_t state);
  void PlainKey(unsigned char character, std::uint32_t state);
  // Queues an input event, releasing first the modifiers it no longer holds.
  void Emit(const InputEvent& event);
  void Release(std::uint32_t remaining);

  TerminalKeyboard keyboard_ = TerminalKeyboard::Xterm;
  TerminalCharset charset_ = TerminalCharset::Utf8;
  std::string pending_;
  std::deque<TerminalEvent> events_;
  int idle_ms_ = 0;             // since the last byte
  int modifier_idle_ms_ = 0;    // since the last key with modifiers
  std::uint32_t held_ = 0;      // control state of the last key event
  std::uint32_t kitty_held_ = 0;  // modifier keys the terminal reported pressed
  bool reports_releases_ = false;
  bool in_paste_ = false;
  std::string paste_;           // UTF-8 bytes of the paste so far
  std::uint8_t x10_button_ = 0;
};

}  // namespace kel::platform
