// The calculator's keys and operator steps.
//
// Figures are doubles, as the state file keeps them, but every rounding a user can see (the
// entry's 15 significant digits, R to hundredths, the result text) is made on the figure's
// decimal digits, so that 2.355 rounds as the 2.355 on the display does and not as the binary
// number just below it.
#include "editing/calculator_steps.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace kel {
namespace {

constexpr std::string_view kMaskTemplate = "Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9";  // 21 characters
constexpr int kSignificantDigits = 15;

// The value's decimal text with a number of decimals, correctly rounded.
std::string Fixed(double value, int decimals) {
  const int size = std::snprintf(nullptr, 0, "%.*f", decimals, value);
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  text.resize(static_cast<std::size_t>(size));
  return text;
}

double FromText(const std::string& text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// The value rounded to 15 significant digits: the digits a user ever sees of it.
double Significant(double value) {
  if (!std::isfinite(value) || value == 0) return value;
  char text[40];
  std::snprintf(text, sizeof text, "%.*e", kSignificantDigits - 1, value);
  return FromText(text);
}

// Digits of the integer part of a magnitude; 0 below 1.
int IntegerDigits(double magnitude) {
  if (magnitude < 1) return 0;
  return static_cast<int>(Fixed(std::floor(magnitude), 0).size());
}

char Upper(int character) {
  return character >= 'a' && character <= 'z' ? static_cast<char>(character - 'a' + 'A')
                                              : static_cast<char>(character);
}

// The key as the table compares it: extended keys by code, characters in capitals.
int TableKey(KeyCode key) {
  if (key > 255 || key < -255) return key;
  if (key < 0) return -1;
  return static_cast<unsigned char>(Upper(key));
}

std::string LastKeyText(KeyCode key) {
  if (key >= ' ' && key < 127 && key != '"') return std::string(1, Upper(key));
  return KeyName(key);
}

void StartFigure(CalculatorState& state) {
  if (state.entering) return;
  state.entry = 0;
  state.decimal_point = false;
  state.decimals = 0;
}

CalculatorEffect Digit(CalculatorState& state, int digit) {
  CalculatorState next = state;
  StartFigure(next);
  if (!next.decimal_point) {
    next.entry = next.entry * 10 + digit;
  } else {
    // The display line has room for 20 decimals; more could never be seen.
    if (next.decimals >= kMostDecimals) return CalculatorEffect::kBeep;
    ++next.decimals;
    next.entry += digit / std::pow(10.0, next.decimals);
  }
  if (!std::isfinite(next.entry)) return CalculatorEffect::kBeep;
  next.entering = true;
  state = next;
  return CalculatorEffect::kDisplay;
}

CalculatorEffect Point(CalculatorState& state) {
  StartFigure(state);
  if (!state.decimal_point) {
    state.decimal_point = true;
    state.decimals = 0;
  }
  state.entering = true;
  return CalculatorEffect::kDisplay;
}

// The value cut toward zero to a number of decimals, as its shown digits are cut.
double CutToDecimals(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::trunc(Significant(value * scale)) / scale;
}

CalculatorEffect Backspace(CalculatorState& state) {
  if (!state.decimal_point) {
    state.entry = CutToDecimals(state.entry / 10, 0);
  } else if (--state.decimals < 0) {
    state.decimal_point = false;
    state.decimals = 0;
  } else {
    state.entry = CutToDecimals(state.entry, state.decimals);
  }
  if (state.entry == 0) state.entry = 0;  // no negative zero
  state.entering = state.entry != 0;
  return CalculatorEffect::kDisplay;
}

CalculatorEffect Clear(CalculatorState& state) {
  if (state.entering) {
    state.entering = false;
    state.entry = state.accumulator;
    state.decimal_point = false;
    state.decimals = 0;
    return CalculatorEffect::kDisplay;
  }
  if (!state.fresh) {
    state.entry = 0;
    state.accumulator = 0;
    state.decimal_point = false;
    state.decimals = 0;
    state.fresh = true;
    // A clear machine starts over: an operator left pending would apply to the zero
    // accumulator and turn the next figure into 0.
    state.pending.clear();
    return CalculatorEffect::kDisplay;
  }
  state.first_tape_line = kEmptyTape;
  return CalculatorEffect::kTapeCleared;
}

CalculatorEffect Round(CalculatorState& state) {
  state.entry = RoundToHundredths(state.entry);
  state.accumulator = state.entry;
  state.decimal_point = true;
  state.decimals = 2;
  AddTapeLine(state, state.entry, 'R');
  return CalculatorEffect::kTape;
}

CalculatorEffect Percent(CalculatorState& state) {
  const double figure = state.pending == "+" || state.pending == "-"
                            ? state.accumulator * state.entry / 100
                            : state.entry / 100;
  if (!std::isfinite(figure)) return CalculatorEffect::kRefused;
  AddTapeLine(state, state.entry, '%');
  state.entry = figure;
  NormaliseEntry(state);
  return CalculatorEffect::kTape;
}

// "+", "-", "*", "/" and "=": the pending operator is applied to the accumulator. An
// operation without a figure (a division by zero, an overflow) changes nothing, so the user
// can put the figure right and press the key again.
CalculatorEffect Operation(CalculatorState& state, char operation) {
  double result = state.entry;
  if (state.pending == "+") {
    result = state.accumulator + state.entry;
  } else if (state.pending == "-") {
    result = state.accumulator - state.entry;
  } else if (state.pending == "*") {
    result = state.accumulator * state.entry;
  } else if (state.pending == "/") {
    result = state.entry == 0 ? NAN : state.accumulator / state.entry;
  }
  if (!std::isfinite(result)) return CalculatorEffect::kRefused;
  state.accumulator = result;
  AddTapeLine(state, state.entry, operation);
  state.entry = state.accumulator;
  NormaliseEntry(state);
  if (operation == '=') {
    AddTapeLine(state, state.entry, ' ');
    operation = ' ';
  }
  state.entering = false;
  state.fresh = false;
  state.pending = operation == ' ' ? std::string() : std::string(1, operation);
  return CalculatorEffect::kTape;
}

CalculatorEffect Move(CalculatorState& state, int step) {
  if (step < 0) {
    state.column = static_cast<std::int16_t>(
        state.column <= kFirstCalculatorColumn ? kLastCalculatorColumn : state.column - 1);
  } else {
    state.column = static_cast<std::int16_t>(
        state.column >= kLastCalculatorColumn ? kFirstCalculatorColumn : state.column + 1);
  }
  return CalculatorEffect::kMoved;
}

CalculatorEffect Dispatch(CalculatorState& state, KeyCode key) {
  const int table_key = TableKey(key);
  if (table_key >= '0' && table_key <= '9') return Digit(state, table_key - '0');
  switch (table_key) {
    case '.': return Point(state);
    case kKeyBackspace: return Backspace(state);
    case 'C': return Clear(state);
    case 'R': return Round(state);
    case '%': return Percent(state);
    case '+': case '-': case '*': case '/':
      return Operation(state, static_cast<char>(table_key));
    case '=': case kKeyEnter:
      return state.entering ? Operation(state, '=') : CalculatorEffect::kNone;
    case 'T':
      state.entry = state.entry == 0 ? 0 : -state.entry;
      return CalculatorEffect::kDisplay;
    case kKeyLeft: case kKeyCtrlLeft: return Move(state, -1);
    case kKeyRight: case kKeyCtrlRight: return Move(state, +1);
    case 'F': case kKeyAltF: return CalculatorEffect::kCloseWithResult;
    case kKeyEsc: return CalculatorEffect::kCloseEmpty;
    default: return CalculatorEffect::kNone;
  }
}

}  // namespace

CalculatorEffect ApplyCalculatorKey(CalculatorState& state, KeyCode key) {
  const CalculatorEffect effect = Dispatch(state, key);
  // A key that was not taken leaves everything as it was, the last key too.
  if (effect != CalculatorEffect::kNone && effect != CalculatorEffect::kRefused &&
      effect != CalculatorEffect::kBeep) {
    state.last_key = LastKeyText(key);
  }
  return effect;
}

std::string CalculatorMask(bool decimal_point, int decimals) {
  if (!decimal_point) return "-" + std::string(kMaskTemplate);
  const int shown = std::clamp(decimals, 0, kMostDecimals);
  const std::size_t kept = kMaskTemplate.size() - 1 - static_cast<std::size_t>(shown);
  return "-" + std::string(kMaskTemplate.substr(kMaskTemplate.size() - kept)) + "." +
         std::string(static_cast<std::size_t>(shown), '9');
}

std::string OverflowFigure() { return std::string(kFigureWidth, '!'); }

std::string CalculatorResultText(const CalculatorState& state) {
  const double figure = state.entering ? state.entry : state.accumulator;
  const int decimals = std::max<int>(state.decimals, 2);
  std::string digits;
  for (char c : Fixed(std::fabs(figure), decimals)) {
    if (c >= '0' && c <= '9' && !(digits.empty() && c == '0')) digits += c;
  }
  if (digits.empty()) return "0";
  if (decimals == 2) return digits;
  const std::size_t beyond = static_cast<std::size_t>(decimals - 2);
  // Figures below one hundredth get the zeros they lack (0.005 with three decimals is 0.5).
  if (digits.size() <= beyond) digits.insert(0, beyond + 1 - digits.size(), '0');
  digits.insert(digits.size() - beyond, ".");
  return digits;
}

double RoundToHundredths(double value) {
  const double magnitude = std::fabs(value);
  // From 10^15 on a double holds no hundredths at all.
  if (!std::isfinite(value) || magnitude >= 1e15) return value;
  // Hundredths of a figure with up to 15 significant digits are cleaned of binary noise;
  // larger figures hold no noise a hundredth could show.
  const double scaled = magnitude < 1e13 ? Significant(magnitude * 100) : magnitude * 100;
  double whole = std::floor(scaled);
  const double rest = scaled - whole;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2) != 0)) whole += 1;
  const double rounded = whole / 100;
  return value < 0 && rounded != 0 ? -rounded : rounded;
}

void NormaliseEntry(CalculatorState& state) {
  const double magnitude = std::fabs(state.entry);
  // Counted on the magnitude, so a negative figure keeps 15 significant digits as well.
  const int decimals = std::max(0, kSignificantDigits - IntegerDigits(magnitude));
  std::string text = Fixed(magnitude, decimals);
  const std::size_t point = text.find('.');
  if (point != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  const double normal = FromText(text);
  state.entry = state.entry < 0 && normal != 0 ? -normal : normal;
  state.decimals = static_cast<std::int16_t>(
      point == std::string::npos || point + 1 > text.size() ? 0 : text.size() - point - 1);
  state.decimal_point = state.decimals > 0;
}

void AddTapeLine(CalculatorState& state, double value, char operation) {
  if (state.first_tape_line > 1) --state.first_tape_line;
  for (int i = 0; i + 1 < kTapeLines; ++i) {
    state.tape[static_cast<std::size_t>(i)] = state.tape[static_cast<std::size_t>(i) + 1];
  }
  state.tape.back() = TapeLine{value, state.decimal_point, state.decimals, operation};
}

}  // namespace kel
