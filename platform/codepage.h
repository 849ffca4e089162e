// Code page 850 text and its conversion to and from Unicode.
//
// Inside the program every text is code page 850 bytes in a std::string. Conversion to
// Unicode happens only where the program meets the operating system: the terminal, file
// names, environment values and the clipboard.
#pragma once

#include <string>
#include <string_view>

namespace kel {

// Code page 850 text from readable UTF-8 source text: Cp850("CATALÀ"). Characters that code
// page 850 lacks become "?".
std::string Cp850(std::string_view utf8);

// Unicode code point of a code page 850 byte as text (control bytes stay control characters).
char32_t Cp850ToUnicode(unsigned char byte);

// Unicode code point that shows a code page 850 byte on screen (control bytes as their
// console glyphs: 0x10 is ►, 0x11 is ◄).
char32_t Cp850Glyph(unsigned char byte);

// Code page 850 byte of a Unicode code point, or -1 when the code page has none.
int UnicodeToCp850(char32_t code_point);

// Code page 850 text as UTF-8.
std::string Cp850ToUtf8(std::string_view text);

// UTF-8 text as code page 850; unknown characters become "?".
std::string Utf8ToCp850(std::string_view utf8);

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t code_point);

// Decodes one UTF-8 sequence at pos (advancing it); malformed bytes give U+FFFD.
char32_t NextUtf8(std::string_view utf8, std::size_t& pos);

// The 8-bit code page used where text crosses into the operating system: the ANSI page
// (Windows-1252) until the session environment declares the OEM page (850).
enum class BoundaryCodePage { Ansi, Oem };
void SetBoundaryCodePage(BoundaryCodePage page);
BoundaryCodePage CurrentBoundaryCodePage();

// Program text to the operating system's UTF-8, and back, in the boundary code page.
std::string ToSystemText(std::string_view text);
std::string FromSystemText(std::string_view utf8);

// Forgets the declared boundary code page (tests).
void ResetCodePageState();

}  // namespace kel
