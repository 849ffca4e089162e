// Completing a terminal's own settings file, TerminalDir + "NuroTerm.ini".
#pragma once

namespace kel {

// Fills in what the terminal's NuroTerm.ini lacks: without current colours, the colour scheme
// catalogue, the colours of the old "scrn.cfg" (else the default) and the number of the scheme
// they match; without a language, the working date and output device of the old "system.cfg"
// (else today and "P") and the session language.
void CompleteTerminalSettings();

}  // namespace kel
