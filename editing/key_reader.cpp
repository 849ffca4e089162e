// The key and mouse reader.
//
// Mouse reporting is on only while a screen waits for input: it is switched on at the start
// of a poll and off again once a key or a click has been delivered, so that between screens
// the terminal keeps its own mouse handling (selection, copy).
#include <cstdint>
#include <string>

#include "editing/key_reader.h"
#include "editing/calculator.h"
#include "editing/calendar_popup.h"
#include "platform/console.h"
#include "platform/terminal_keys.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

using platform::InputEvent;

struct KeyReaderState {
  std::string type_ahead;
  bool calculator_active = false;
  bool calendar_active = false;
  int mouse_mode = kMouseUnprobed;
  std::uint32_t control_state = 0;  // of the last input event
  std::int16_t mouse_row = 0;       // of the last mouse event
  std::int16_t mouse_column = 0;
  // Every program of the suite has the library's own pop-ups unless it installs others.
  PopupFunction calculator = &Calculator;
  PopupFunction calendar = &Calendar;
};

KeyReaderState& State() {
  static KeyReaderState state;
  return state;
}

// Added to F1-F10 and to F11-F12 with each modifier, first matching modifier only.
struct Normalisation {
  std::uint32_t modifiers;
  unsigned f1_to_f10;
  unsigned f11_to_f12;
};
constexpr Normalisation kNormalisations[] = {
    {platform::kLeftAlt | platform::kRightAlt, 0x2D00, 0x0600},
    {platform::kLeftCtrl | platform::kRightCtrl, 0x2300, 0x0400},
    {platform::kShift, 0x1900, 0x0200},
};

// Cursor keys that Ctrl turns into keys of their own.
struct CtrlMove {
  KeyCode key;
  KeyCode with_ctrl;
};
constexpr CtrlMove kCtrlMoves[] = {
    {kKeyHome, kKeyCtrlHome},
    {kKeyRight, kKeyCtrlRight},
    {kKeyLeft, kKeyCtrlLeft},
};

// One console poll, remembering the control-key state and the mouse position it brings.
InputEvent Poll() {
  InputEvent input = platform::Console().PollInput();
  KeyReaderState& state = State();
  if (input.kind == InputEvent::Kind::Key || input.kind == InputEvent::Kind::KeyUp ||
      input.kind == InputEvent::Kind::Mouse) {
    state.control_state = input.control_state;
  }
  if (input.kind == InputEvent::Kind::Mouse) {
    state.mouse_row = input.mouse_row;
    state.mouse_column = input.mouse_column;
  }
  return input;
}

bool IsNothing(const InputEvent& input) {
  return input.kind != InputEvent::Kind::Key && input.kind != InputEvent::Kind::Mouse;
}

int DigitOfKeypadKey(const InputEvent& input) {
  if (input.kind != InputEvent::Kind::Key || input.character != 0) return -1;
  // Keypad keys arrive as the cursor keys they are with Num Lock off.
  for (int digit = 0; digit < 10; ++digit) {
    if (platform::terminal_keys::kKeypadDigit[digit] == input.scan_code) return digit;
  }
  return -1;
}

// While Left Alt is held, keypad keys are digits of a character code; the character replaces
// whatever input ended the entry. Left Alt stays held until a release arrives, so the loop
// waits for input in the console between polls.
InputEvent DecimalEntry(InputEvent input) {
  int digits = 0;
  unsigned code = 0;
  while (State().control_state & platform::kLeftAlt) {
    if (IsNothing(input)) {
      if (!platform::Console().WaitForInput(-1)) break;
      input = Poll();
      continue;
    }
    int digit = DigitOfKeypadKey(input);
    if (digit < 0) break;
    code = (code * 10 + static_cast<unsigned>(digit)) % 256;
    ++digits;
    input = Poll();
  }
  if (digits == 0) return input;
  InputEvent character;
  character.kind = InputEvent::Kind::Key;
  character.character = static_cast<unsigned char>(code);
  return character;
}

KeyCode CodeOfInput(const InputEvent& input) {
  if (input.kind != InputEvent::Kind::Key) return kKeyNone;
  if (input.character != 0) return input.character;
  return MakeKeyCode(static_cast<unsigned>(input.scan_code) * 256);
}

KeyCode Normalise(KeyCode key, std::uint32_t control_state) {
  for (const Normalisation& rule : kNormalisations) {
    if ((control_state & rule.modifiers) == 0) continue;
    if (key >= kKeyF1 && key <= kKeyF10) return MakeKeyCode(key + rule.f1_to_f10);
    // F11 and F12 are negative codes; the range test is on the signed values.
    if (key >= kKeyF11 && key <= kKeyF12) {
      return MakeKeyCode(static_cast<unsigned>(static_cast<std::uint16_t>(key)) +
                         rule.f11_to_f12);
    }
    if (rule.modifiers & (platform::kLeftCtrl | platform::kRightCtrl)) {
      for (const CtrlMove& move : kCtrlMoves) {
        if (move.key == key) return move.with_ctrl;
      }
    }
    return key;
  }
  return key;
}

// Runs a hotkey's pop-up unless it is already open (a pop-up reads keys through here too);
// its result is typed ahead.
void RunPopup(PopupFunction popup, bool KeyReaderState::*active) {
  KeyReaderState& state = State();
  if (state.*active) return;
  state.*active = true;
  std::string result = popup != nullptr ? popup() : std::string();
  State().type_ahead = result;
  State().*active = false;
}

}  // namespace

void ReadKeyEvent(KeyCode& key, std::int16_t& button, std::int16_t& mouse_row,
                  std::int16_t& mouse_column) {
  KeyReaderState& state = State();
  if (!state.type_ahead.empty()) {
    key = static_cast<unsigned char>(state.type_ahead.front());
    state.type_ahead.erase(0, 1);
    return;
  }
  platform::ConsoleDevice& console = platform::Console();
  if (state.mouse_mode == kMouseUnprobed) {
    state.mouse_mode = console.MouseButtons() == 0 ? kMouseAbsent : kMouseOff;
  }
  if (state.mouse_mode == kMouseOff) {
    console.SetMouseReporting(true);
    state.mouse_mode = kMouseOn;
  }

  key = kKeyNone;
  button = 0;
  mouse_row = 0;
  mouse_column = 0;
  InputEvent input = DecimalEntry(Poll());

  key = CodeOfInput(input);
  if (key == kKeyAltE) key = kKeyEuro;
  key = Normalise(key, state.control_state);

  if (state.mouse_mode == kMouseOn && input.kind == InputEvent::Kind::Mouse &&
      input.mouse_kind == platform::kMouseReleased) {
    button = input.mouse_button;
  }
  mouse_row = state.mouse_row;
  mouse_column = state.mouse_column;

  if (key == kKeyAltX) {
    RunPopup(state.calculator, &KeyReaderState::calculator_active);
  } else if (key == kKeyAltC) {
    RunPopup(state.calendar, &KeyReaderState::calendar_active);
  }

  // Keys from 8000h up are negative and leave reporting on.
  if (State().mouse_mode == kMouseOn && (key > 0 || button > 0)) {
    console.SetMouseReporting(false);
    State().mouse_mode = kMouseOff;
  }
}

bool EscWaiting() {
  const KeyReaderState& state = State();
  if (!state.type_ahead.empty()) return state.type_ahead.front() == kKeyEsc;
  // Releases carry only the control-key state, which the poll records as ReadKeyEvent would.
  for (;;) {
    const InputEvent next = platform::Console().PeekInput();
    if (next.kind != InputEvent::Kind::KeyUp) {
      return next.kind == InputEvent::Kind::Key && next.character == kKeyEsc;
    }
    Poll();
  }
}

void WaitKey(KeyCode& key) {
  std::int16_t button = 0;
  std::int16_t row = 0;
  std::int16_t column = 0;
  for (;;) {
    ReadKeyEvent(key, button, row, column);
    if (button != 0) {
      key = MakeKeyCode(static_cast<unsigned>(256 * column + 64 * button + row));
    }
    if (key != kKeyNone) return;
    // A typed-ahead NUL gives no key, but the keys after it are already here.
    if (!State().type_ahead.empty()) continue;
    // A console that has no input and none to come (an exhausted test script) ends the wait
    // as Esc does, so that every screen unwinds. (A terminal that is gone never gets here:
    // it ends the process.)
    if (!platform::Console().WaitForInput(-1)) {
      key = kKeyEsc;
      return;
    }
  }
}

KeyCode WaitKey() {
  KeyCode key = kKeyNone;
  WaitKey(key);
  return key;
}

void SetCalculatorPopup(PopupFunction popup) { State().calculator = popup; }

void SetCalendarPopup(PopupFunction popup) { State().calendar = popup; }

int MouseMode() { return State().mouse_mode; }

const std::string& TypeAhead() { return State().type_ahead; }

void ResetKeyReader() { State() = KeyReaderState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetKeyReader);
}  // namespace


}  // namespace kel
