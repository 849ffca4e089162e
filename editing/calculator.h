// The pop-up calculator: an adding machine with a paper tape that Alt+X opens over any
// screen. It occupies rows 1 to 25 and 26 columns of an 80-column screen, the tape growing
// upwards above the display line, and keeps its whole state in "KELCALC.TMP" in the
// terminal's directory, so that it opens again as it was left.
//
// Keys: digits and "." type a figure, Backspace takes its last digit back; "+", "-", "*",
// "/", "=" (or Enter) operate; "%" takes a percentage of the accumulator; R rounds to
// hundredths; T changes the sign; C cancels the figure, then clears the machine, then the
// tape; Left and Right move the window; F (or Alt+F) closes handing the figure back, Esc
// closes with nothing.
#pragma once

#include <string>

namespace kel {

// Runs the calculator until F, Alt+F or Esc: the figure in hundredths ("1250" for 12.5) after
// F or Alt+F, empty after Esc. It puts back the editing settings, colour, screen and cursor
// it found. On a screen smaller than 80 x 25 it opens nothing and returns an empty text.
std::string Calculator();

}  // namespace kel
