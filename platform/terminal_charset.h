// The character set a terminal speaks, taken from the locale: UTF-8, ISO-8859-1, ISO-8859-15
// or code page 850 itself. Screen cells (code page 850) go out in it, typed and pasted bytes
// come in from it. Pure: no system calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kel::platform {

enum class TerminalCharset : std::uint8_t { Utf8, Latin1, Latin9, Cp850 };

// The character set of a locale's codeset name ("UTF-8", "ISO-8859-1", "ISO-8859-15",
// "IBM850", "CP850", letter case and "-" or "_" aside); UTF-8 for any other, as terminals
// speak it unless told otherwise.
TerminalCharset CharsetOfCodeset(std::string_view codeset);
// The codeset part of a locale name ("ca_ES.ISO-8859-15@euro" gives "ISO-8859-15"); empty
// when it names none.
std::string_view CodesetOfLocaleName(std::string_view locale);

// Appends the bytes that show a code page 850 cell in the character set. What the set
// lacks is shown by a look-alike: box lines as "+", "-" and "|", blocks as "#", arrows as
// "<", ">", "^", "v", anything else as "?".
void AppendTerminalGlyph(std::string& out, unsigned char cp850, TerminalCharset charset);
// Unicode code point of a byte of an 8-bit character set; 0 for the C1 controls of the ISO
// sets (not typed characters).
char32_t EightBitToUnicode(unsigned char byte, TerminalCharset charset);
// Text in the character set (a paste) as code page 850; unknown characters become "?".
std::string TerminalTextToCp850(std::string_view text, TerminalCharset charset);

}  // namespace kel::platform
