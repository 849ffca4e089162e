// The adding machine behind the pop-up calculator: what each key does to the state, the masks
// its figures are shown through, and the result text it hands back. No screen here.
#pragma once

#include <string>

#include "console/keys.h"
#include "editing/calculator_state.h"

namespace kel {

// What the screen has to do after a key.
enum class CalculatorEffect {
  kNone,             // a key the calculator does not take
  kDisplay,          // only the display line changed
  kTape,             // lines were added to the tape
  kTapeCleared,      // the tape was emptied: the screen behind comes back
  kMoved,            // the window moved to another column
  kBeep,             // a digit that cannot be taken (more decimals than the display shows)
  kRefused,          // an operation without a figure (division by zero, overflow): nothing
                     // changed; the display shows its overflow form until the next key
  kCloseWithResult,  // F or Alt+F
  kCloseEmpty,       // Esc
};

// Applies one key of the calculator's table to the state.
CalculatorEffect ApplyCalculatorKey(CalculatorState& state, KeyCode key);

// The 22-character mask a figure is shown through: "-", the right part of
// "Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9", then "." and a "9" for each decimal when it shows a point.
std::string CalculatorMask(bool decimal_point, int decimals);
// Width of the display line's figure, and its form when there is no figure to show.
inline constexpr int kFigureWidth = 22;
std::string OverflowFigure();

// The entry (while typing) or the accumulator, in hundredths: digits without sign, with a "."
// before the digits beyond the hundredths (12.5 gives 1250, 1.234 gives 123.4, 0.005 gives
// 0.5).
std::string CalculatorResultText(const CalculatorState& state);

// Rounds to hundredths, a half to the even neighbour; negative figures like positive ones.
double RoundToHundredths(double value);

// Brings the entry to at most 15 significant digits without trailing zero decimals, and sets
// its decimals and decimal point to match.
void NormaliseEntry(CalculatorState& state);

// Adds a line to the tape (the entry's point and decimals, the operator's first character or
// a blank); the oldest line goes.
void AddTapeLine(CalculatorState& state, double value, char operation);

}  // namespace kel
