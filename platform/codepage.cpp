#include "platform/codepage.h"

#include <array>

#include "platform/codepage_tables.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

struct CodePageState {
  BoundaryCodePage boundary = BoundaryCodePage::Ansi;
};

CodePageState& State() {
  static CodePageState state;
  return state;
}

int UnicodeToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i)
    if (codepage_tables::kCp1252C1[i] == cp) return 0x80 + i;
  return -1;
}

char32_t Cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) {
    char32_t cp = codepage_tables::kCp1252C1[byte - 0x80];
    return cp ? cp : byte;
  }
  return byte;
}

}  // namespace

char32_t Cp850ToUnicode(unsigned char byte) {
  return byte < 0x80 ? byte : codepage_tables::kCp850High[byte - 0x80];
}

char32_t Cp850Glyph(unsigned char byte) {
  if (byte < 0x20) return codepage_tables::kCp850ControlGlyphs[byte];
  if (byte == 0x7F) return codepage_tables::kCp850DeleteGlyph;
  return Cp850ToUnicode(byte);
}

int UnicodeToCp850(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  // A scan of 128 entries: conversions happen only at the boundary, on short texts.
  for (int i = 0; i < 128; ++i)
    if (codepage_tables::kCp850High[i] == cp) return 0x80 + i;
  if (cp == U'ı') return 0xD5;  // code page 850's own character at the euro's place
  for (int i = 1; i < 32; ++i)
    if (codepage_tables::kCp850ControlGlyphs[i] == cp) return i;
  if (cp == codepage_tables::kCp850DeleteGlyph) return 0x7F;
  return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t NextUtf8(std::string_view s, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char lead = byte(pos++);
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : -1;
  if (extra < 0 || lead >= 0xF8) return 0xFFFD;
  char32_t cp = lead & (0x3F >> extra);
  for (int i = 0; i < extra; ++i) {
    if (pos >= s.size() || (byte(pos) & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (byte(pos++) & 0x3F);
  }
  // Overlong forms would smuggle in a NUL or a control character that no one typed.
  constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  return cp;
}

std::string Cp850ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) AppendUtf8(out, Cp850ToUnicode(c));
  return out;
}

std::string Utf8ToCp850(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    int byte = UnicodeToCp850(NextUtf8(utf8, pos));
    out += static_cast<char>(byte < 0 ? '?' : byte);
  }
  return out;
}

std::string Cp850(std::string_view utf8) { return Utf8ToCp850(utf8); }

void SetBoundaryCodePage(BoundaryCodePage page) { State().boundary = page; }
BoundaryCodePage CurrentBoundaryCodePage() { return State().boundary; }
void ResetCodePageState() { State() = CodePageState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetCodePageState);
}  // namespace


std::string ToSystemText(std::string_view text) {
  if (State().boundary == BoundaryCodePage::Oem) return Cp850ToUtf8(text);
  std::string out;
  for (unsigned char c : text) AppendUtf8(out, Cp1252ToUnicode(c));
  return out;
}

std::string FromSystemText(std::string_view utf8) {
  if (State().boundary == BoundaryCodePage::Oem) return Utf8ToCp850(utf8);
  std::string out;
  for (std::size_t pos = 0; pos < utf8.size();) {
    int byte = UnicodeToCp1252(NextUtf8(utf8, pos));
    out += static_cast<char>(byte < 0 ? '?' : byte);
  }
  return out;
}

}  // namespace kel
