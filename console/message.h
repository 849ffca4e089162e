// Framed notices and paragraph layout.
//
// ShowMessage leaves its box on the screen and returns at once; the caller removes it with
// CloseWindow when the situation it announces is over.
#pragma once

#include <string>
#include <string_view>

namespace kel {

// Width of a message box's text and the screen column its box is centred on.
inline constexpr int kMessageTextWidth = 76;
inline constexpr int kMessageCentreColumn = 41;

// Breaks text into lines of a width at blanks and pads each by the alignment letter:
// E, L, I left; N dashes at the right; D, R right; C centred; A, B justified; other letters
// add nothing. A positive indent indents the first line, a negative one every other line.
// The text becomes the padded lines, concatenated without separators.
void FormatParagraph(std::string& text, int indent, char align, int width);

// Shows text in a single-framed box in role R centred on the screen around a row, leaving its
// window open; false (and nothing shown, no window opened) when the box does not fit.
bool ShowMessage(int row, std::string_view text);

}  // namespace kel
