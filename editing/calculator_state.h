// The pop-up calculator's state and the file "KELCALC.TMP" that keeps it, tape included, in
// the terminal's directory between openings and between runs.
//
// The file is text, one comma-separated record a line, each line ended by CR LF: numbers
// with at most 15 significant digits, flags as -1 or 0, strings in double quotes.
//   1      window column, first tape line, entry, accumulator
//   2      fresh flag, entering flag, decimal-point flag, decimals
//   3      last key, pending operator
//   4-25   tape lines 1 to 22: value, decimal-point flag, decimals, operator
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kel {

// Name of the state file inside the terminal's directory.
inline constexpr const char* kCalculatorStateFile = "KELCALC.TMP";

// Lines of the paper tape; line 22 is the newest.
inline constexpr int kTapeLines = 22;
// The first tape line of an empty tape (no line shown).
inline constexpr int kEmptyTape = kTapeLines + 1;
// The calculator is 26 columns wide on an 80-column screen: its column runs from 1 to 55.
inline constexpr int kCalculatorWidth = 26;
inline constexpr int kFirstCalculatorColumn = 1;
inline constexpr int kLastCalculatorColumn = 80 - kCalculatorWidth + 1;
// Decimals an entry can show: the display line keeps 22 characters.
inline constexpr int kMostDecimals = 20;

// One line of the tape: a figure as it was shown, and its operator (a blank for a total).
struct TapeLine {
  double value = 0;
  bool decimal_point = false;
  std::int16_t decimals = 0;
  char operation = ' ';
  bool operator==(const TapeLine&) const = default;
};

// Everything the calculator keeps, with its start values.
struct CalculatorState {
  std::int16_t column = kFirstCalculatorColumn;  // left screen column of the window
  std::int16_t first_tape_line = kEmptyTape;     // oldest line shown; 23 for an empty tape
  double entry = 0;                              // the figure on the display line
  double accumulator = 0;                        // the running result
  bool fresh = true;            // after a clear; decides what C clears
  bool entering = false;        // a figure is being typed
  bool decimal_point = false;   // the entry shows a decimal point
  std::int16_t decimals = 0;    // decimals shown for the entry
  std::string last_key;         // the last key taken (kept only for the file): a printable
                                // key's character in capitals, any other key's name ("d")
  std::string pending;          // "+", "-", "*", "/" or empty
  std::array<TapeLine, kTapeLines> tape{};  // tape[0] is line 1, tape[21] line 22
  bool operator==(const CalculatorState&) const = default;
};

// The file's text for a state, byte for byte.
std::string CalculatorStateText(const CalculatorState& state);
// The state a file's text holds. What is missing or cannot be read (non-numbers, NaN, values
// out of range) keeps its start value; tape records beyond the 22nd are not read.
CalculatorState ParseCalculatorState(std::string_view text);
// A number as the file writes it: at most 15 significant digits, exponent form ("1E+20",
// "1.5E-07") only where plain digits would need more.
std::string StateFileNumber(double value);

// Path of the state file: the session's TerminalDir followed by "KELCALC.TMP".
std::string CalculatorStatePath();
// The state from the file; start values when it is missing or is not a plain file.
CalculatorState LoadCalculatorState();
// Writes the state into a new file beside the old one, forces it to disk and renames it over
// the old one, so that a crash or a full disk never leaves a torn or empty tape. False when
// the state could not be stored (the old file is then left as it was).
bool SaveCalculatorState(const CalculatorState& state);

}  // namespace kel
