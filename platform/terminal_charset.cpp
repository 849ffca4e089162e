#include "platform/terminal_charset.h"

#include <cctype>

#include "platform/codepage.h"

namespace kel::platform {
namespace {

// Where ISO-8859-15 differs from ISO-8859-1.
struct Latin9Difference {
  unsigned char byte;
  char32_t code_point;
};
constexpr Latin9Difference kLatin9Differences[] = {
    {0xA4, U'€'}, {0xA6, U'Š'}, {0xA8, U'š'}, {0xB4, U'Ž'},
    {0xB8, U'ž'}, {0xBC, U'Œ'}, {0xBD, U'œ'}, {0xBE, U'Ÿ'},
};

// Byte of a code point in an ISO set; -1 when it has none.
int IsoByte(char32_t code_point, TerminalCharset charset) {
  if (charset == TerminalCharset::Latin9) {
    for (const Latin9Difference& difference : kLatin9Differences) {
      if (difference.code_point == code_point) return difference.byte;
      if (difference.byte == code_point) return -1;  // replaced in Latin-9
    }
  }
  if (code_point >= 0xA0 && code_point <= 0xFF) return static_cast<int>(code_point);
  if (code_point >= 0x20 && code_point < 0x7F) return static_cast<int>(code_point);
  return -1;
}

// A printable ASCII look-alike of a glyph that the character set lacks.
char LookAlike(char32_t glyph) {
  if (glyph == U'─' || glyph == U'═' || glyph == U'▬') return '-';
  if (glyph == U'│' || glyph == U'║') return '|';
  if (glyph >= 0x2500 && glyph <= 0x257F) return '+';
  if ((glyph >= 0x2580 && glyph <= 0x259F) || glyph == U'■') return '#';
  if (glyph == U'►' || glyph == U'→') return '>';
  if (glyph == U'◄' || glyph == U'←') return '<';
  if (glyph == U'▲' || glyph == U'↑') return '^';
  if (glyph == U'▼' || glyph == U'↓') return 'v';
  if (glyph == U'•') return '*';
  if (glyph == U' ' || glyph == 0xA0) return ' ';
  return '?';
}

}  // namespace

TerminalCharset CharsetOfCodeset(std::string_view codeset) {
  std::string name;
  for (char c : codeset) {
    if (c != '-' && c != '_') name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (name == "ISO88591" || name == "LATIN1") return TerminalCharset::Latin1;
  if (name == "ISO885915" || name == "LATIN9") return TerminalCharset::Latin9;
  if (name == "IBM850" || name == "CP850" || name == "850") return TerminalCharset::Cp850;
  return TerminalCharset::Utf8;
}

std::string_view CodesetOfLocaleName(std::string_view locale) {
  const std::size_t dot = locale.find('.');
  if (dot == std::string_view::npos) return {};
  std::string_view codeset = locale.substr(dot + 1);
  return codeset.substr(0, codeset.find('@'));
}

void AppendTerminalGlyph(std::string& out, unsigned char cp850, TerminalCharset charset) {
  const char32_t glyph = Cp850Glyph(cp850);
  switch (charset) {
    case TerminalCharset::Utf8:
      AppendUtf8(out, glyph);
      return;
    case TerminalCharset::Cp850:
      // The terminal shows the code page itself, but its control bytes act as controls.
      if (cp850 >= 0x20 && cp850 != 0x7F) {
        out += static_cast<char>(cp850);
      } else {
        out += LookAlike(glyph);
      }
      return;
    case TerminalCharset::Latin1:
    case TerminalCharset::Latin9: {
      const int byte = IsoByte(glyph, charset);
      out += byte >= 0 ? static_cast<char>(byte) : LookAlike(glyph);
      return;
    }
  }
}

char32_t EightBitToUnicode(unsigned char byte, TerminalCharset charset) {
  if (byte < 0x80) return byte;
  switch (charset) {
    case TerminalCharset::Cp850:
      return Cp850ToUnicode(byte);
    case TerminalCharset::Latin9:
      for (const Latin9Difference& difference : kLatin9Differences) {
        if (difference.byte == byte) return difference.code_point;
      }
      [[fallthrough]];
    case TerminalCharset::Latin1:
    case TerminalCharset::Utf8:
      return byte < 0xA0 ? 0 : byte;
  }
  return 0;
}

std::string TerminalTextToCp850(std::string_view text, TerminalCharset charset) {
  if (charset == TerminalCharset::Utf8) return Utf8ToCp850(text);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (charset == TerminalCharset::Cp850 || byte < 0x80) {
      out += c;
      continue;
    }
    const char32_t code_point = EightBitToUnicode(byte, charset);
    if (code_point == 0) continue;  // a C1 control
    const int converted = UnicodeToCp850(code_point);
    out += converted >= 0 ? static_cast<char>(converted) : '?';
  }
  return out;
}

}  // namespace kel::platform
