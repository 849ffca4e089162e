// Upper-casing of code page 850 text, keeping accents or folding every letter to plain A to Z.
#pragma once

#include <string>
#include <string_view>

namespace kel {

// The text in capitals, byte for byte; in the folding mode letters lose their accents and the
// other characters of codes 64 to 237 become blanks. Codes below 64 and above 237 never change.
std::string FoldText(std::string_view text);

// Chooses the folding mode (true) or the normal mode (false) for the calls that follow.
void SetFoldAccents(bool fold);

// True while the folding mode is chosen; false at start.
bool FoldAccents();

// Back to the normal mode (tests).
void ResetFoldState();

}  // namespace kel
