// Terminals whose locale is not UTF-8: text goes out and comes in in the locale's character
// set, and nothing typed is dropped.
#include "platform/terminal_charset.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#ifndef _WIN32
#include "platform/posix/terminal_tty.h"
#endif
#include "platform/terminal_decoder.h"
#include "platform/terminal_renderer.h"
#include "support/temp_dir.h"
#include "support/posix_only.h"

namespace kel::platform {
namespace {

std::string Shown(std::string_view cp850, TerminalCharset charset) {
  std::string out;
  for (char c : cp850) AppendTerminalGlyph(out, static_cast<unsigned char>(c), charset);
  return out;
}

std::string Typed(std::string_view bytes, TerminalCharset charset) {
  TerminalDecoder decoder;
  decoder.SetCharacterSet(charset);
  decoder.Feed(bytes);
  std::string text;
  while (decoder.HasEvent()) {
    const TerminalEvent event = decoder.TakeEvent();
    if (event.kind == TerminalEvent::Kind::Input && event.input.kind == InputEvent::Kind::Key) {
      text += static_cast<char>(event.input.character);
    }
  }
  return text;
}

TEST(TerminalCharset, CodesetNamesOfTheLocale) {
  EXPECT_EQ(CharsetOfCodeset("UTF-8"), TerminalCharset::Utf8);
  EXPECT_EQ(CharsetOfCodeset("utf8"), TerminalCharset::Utf8);
  EXPECT_EQ(CharsetOfCodeset("ISO-8859-1"), TerminalCharset::Latin1);
  EXPECT_EQ(CharsetOfCodeset("iso88591"), TerminalCharset::Latin1);
  EXPECT_EQ(CharsetOfCodeset("ISO-8859-15"), TerminalCharset::Latin9);
  EXPECT_EQ(CharsetOfCodeset("IBM850"), TerminalCharset::Cp850);
  EXPECT_EQ(CharsetOfCodeset("CP850"), TerminalCharset::Cp850);
  // The C locale's ASCII and anything unknown: terminals speak UTF-8.
  EXPECT_EQ(CharsetOfCodeset("ANSI_X3.4-1968"), TerminalCharset::Utf8);
  EXPECT_EQ(CharsetOfCodeset(""), TerminalCharset::Utf8);
  EXPECT_EQ(CodesetOfLocaleName("ca_ES.ISO-8859-15@euro"), "ISO-8859-15");
  EXPECT_EQ(CodesetOfLocaleName("ca_ES@euro"), "");
  EXPECT_EQ(CodesetOfLocaleName("C.UTF-8"), "UTF-8");
}

TEST(TerminalCharset, LocaleThatIsNotInstalledStillNamesItsCodeset) {
  KEL_POSIX_ONLY("the POSIX locale's character set");
#ifndef _WIN32
  testing::ScopedEnv all("LC_ALL", "xx_XX.ISO-8859-15@euro");
  EXPECT_EQ(posix::LocaleCharset(), TerminalCharset::Latin9);
  testing::ScopedEnv all_cp850("LC_ALL", "xx_XX.IBM850");
  EXPECT_EQ(posix::LocaleCharset(), TerminalCharset::Cp850);
  testing::ScopedEnv all_utf8("LC_ALL", "C.UTF-8");
  EXPECT_EQ(posix::LocaleCharset(), TerminalCharset::Utf8);
#endif
}

TEST(TerminalCharset, CellsGoOutInTheCharacterSet) {
  const std::string text = Cp850("CATALÀ çñ €");
  EXPECT_EQ(Shown(text, TerminalCharset::Utf8), "CATALÀ çñ €");
  EXPECT_EQ(Shown(text, TerminalCharset::Latin1), "CATAL\xC0 \xE7\xF1 ?");
  EXPECT_EQ(Shown(text, TerminalCharset::Latin9), "CATAL\xC0 \xE7\xF1 \xA4");
  EXPECT_EQ(Shown(text, TerminalCharset::Cp850), text);
  // What the set lacks is drawn with look-alikes, never with control bytes.
  EXPECT_EQ(Shown(Cp850("┌─┐│╚═╝█") + "\x10\x11\x01", TerminalCharset::Latin1), "+-+|+-+#><?");
  EXPECT_EQ(Shown("\x10\x7F", TerminalCharset::Cp850), ">?");
}

TEST(TerminalCharset, TypedBytesComeInFromTheCharacterSet) {
  // Before, every byte from 0x80 up was dropped as broken UTF-8.
  EXPECT_EQ(Typed("\xC0\xE7\xF1", TerminalCharset::Latin1), Cp850("Àçñ"));
  EXPECT_EQ(Typed("\xA4\xBD", TerminalCharset::Latin9), Cp850("€?"));
  EXPECT_EQ(Typed("\xA4", TerminalCharset::Latin1), Cp850("¤"));
  EXPECT_EQ(Typed(Cp850("Àçñ"), TerminalCharset::Cp850), Cp850("Àçñ"));
  // The C1 controls of the ISO sets are no characters.
  EXPECT_EQ(Typed("\x85x", TerminalCharset::Latin1), "x");
  EXPECT_EQ(Typed("Àç", TerminalCharset::Utf8), Cp850("Àç"));
}

TEST(TerminalCharset, AltWithAnAccentedLetterAndPastedText) {
  TerminalDecoder decoder;
  decoder.SetCharacterSet(TerminalCharset::Latin1);
  decoder.Feed("\x1b\xE7");
  TerminalEvent alt = decoder.TakeEvent();
  EXPECT_EQ(alt.input.character, static_cast<unsigned char>(Cp850("ç")[0]));
  EXPECT_NE(alt.input.control_state & kLeftAlt, 0u);

  decoder.Reset();
  decoder.Feed("\x1b[200~Pa\xE7\x1b[201~");
  EXPECT_EQ(decoder.TakeEvent().text, Cp850("Paç"));
}

TEST(TerminalCharset, RendererSendsTheCharacterSet) {
  ScreenBuffer screen(2, 10);
  screen.WriteText(Cp850("À"));
  TerminalRenderer renderer(2, 10);
  renderer.SetCursorShapes(false);
  renderer.SetCharacterSet(TerminalCharset::Latin1);
  std::string out;
  renderer.Render(screen, out);
  EXPECT_NE(out.find('\xC0'), std::string::npos);
  EXPECT_EQ(out.find("\xC3\x80"), std::string::npos);
}

}  // namespace
}  // namespace kel::platform
