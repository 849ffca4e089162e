#include "platform/terminal_decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/codepage.h"

namespace kel::platform {
namespace {

// One event as text: "c61" a character, "x48" an extended key, "+2" its control state,
// "up" a release, "m4b1@5,10" a mouse event (kind, button, row, column).
std::string Describe(const TerminalEvent& event) {
  char buffer[64];
  const InputEvent& input = event.input;
  switch (event.kind) {
    case TerminalEvent::Kind::Paste:
      return "paste:" + event.text;
    case TerminalEvent::Kind::KeyboardFlags:
      return "flags" + std::to_string(event.value);
    case TerminalEvent::Kind::DeviceAttributes:
      return "da";
    case TerminalEvent::Kind::Input:
      break;
  }
  switch (input.kind) {
    case InputEvent::Kind::Key:
      if (input.character != 0) {
        std::snprintf(buffer, sizeof buffer, "c%02x", input.character);
      } else {
        std::snprintf(buffer, sizeof buffer, "x%02x", input.scan_code);
      }
      break;
    case InputEvent::Kind::KeyUp:
      std::snprintf(buffer, sizeof buffer, "up");
      break;
    case InputEvent::Kind::Mouse:
      std::snprintf(buffer, sizeof buffer, "m%db%d@%d,%d", input.mouse_kind, input.mouse_button,
                    input.mouse_row, input.mouse_column);
      break;
    default:
      std::snprintf(buffer, sizeof buffer, "?");
  }
  std::string text = buffer;
  if (input.control_state != 0) text += "+" + std::to_string(input.control_state);
  return text;
}

std::string Drain(TerminalDecoder& decoder) {
  std::string text;
  while (decoder.HasEvent()) {
    if (!text.empty()) text += ' ';
    text += Describe(decoder.TakeEvent());
  }
  return text;
}

std::string Decode(std::string_view bytes) {
  TerminalDecoder decoder;
  decoder.Feed(bytes);
  return Drain(decoder);
}

struct Case {
  const char* name;
  std::string bytes;
  std::string events;
};

TEST(TerminalDecoderKeys, ByteSequencesGiveConsoleKeys) {
  const Case cases[] = {
      {"letter", "a", "c61"},
      {"enter", "\r", "c0d"},
      {"tab", "\t", "c09"},
      {"backspace as DEL", "\x7f", "c08"},
      {"backspace as BS", "\x08", "c08"},
      {"ctrl+a", "\x01", "c01+8"},
      {"ctrl+y", "\x19", "c19+8"},
      {"ctrl+space", std::string(1, '\0'), "x03+8"},
      {"accented letter", "é", "c82"},
      {"euro", "€", "cd5"},
      {"no such character", "ж", "c3f"},
      {"glyph that would be a control byte", "►", "c3f"},
      {"up", "\x1b[A", "x48"},
      {"up in cursor key mode", "\x1bOA", "x48"},
      {"down right left", "\x1b[B\x1b[C\x1b[D", "x50 x4d x4b"},
      {"home end", "\x1b[H\x1b[F", "x47 x4f"},
      {"home end as tilde", "\x1b[1~\x1b[4~\x1b[7~\x1b[8~", "x47 x4f x47 x4f"},
      {"insert delete", "\x1b[2~\x1b[3~", "x52 x53"},
      {"page up down", "\x1b[5~\x1b[6~", "x49 x51"},
      {"keypad centre", "\x1b[E", "x4c"},
      {"f1-f4 ss3", "\x1bOP\x1bOQ\x1bOR\x1bOS", "x3b x3c x3d x3e"},
      {"f1-f4 tilde", "\x1b[11~\x1b[12~\x1b[13~\x1b[14~", "x3b x3c x3d x3e"},
      {"f5-f10", "\x1b[15~\x1b[17~\x1b[18~\x1b[19~\x1b[20~\x1b[21~", "x3f x40 x41 x42 x43 x44"},
      {"f11 f12", "\x1b[23~\x1b[24~", "x85 x86"},
      {"linux console f1 f5", "\x1b[[A\x1b[[E", "x3b x3f"},
      {"shift+f1", "\x1b[1;2P", "x3b+16"},
      {"ctrl+f12", "\x1b[24;5~", "x86+8"},
      {"alt+f10", "\x1b[21;3~", "x44+2"},
      {"ctrl+home", "\x1b[1;5H", "x47+8"},
      {"ctrl+left ctrl+right", "\x1b[1;5D\x1b[1;5C", "x4b+8 x4d+8"},
      {"ctrl+shift+alt up", "\x1b[1;8A", "x48+26"},
      {"shift+tab", "\x1b[Z", "x0f+16"},
      {"keypad application digits", "\x1bOq\x1bOp", "c31 c30"},
      {"keypad application enter and plus", "\x1bOM\x1bOk", "c0d c2b"},
      {"focus reports are ignored", "\x1b[I\x1b[O", ""},
      {"unknown sequence is ignored", "\x1b[99~x", "c78"},
      {"xterm modifyOtherKeys", "\x1b[27;2;65~", "c41+16"},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.bytes), c.events) << c.name;
}

TEST(TerminalDecoderAlt, EscapePrefixGivesAltKeys) {
  const Case cases[] = {
      {"alt+x is the x key's scan code", "\x1bx", "x2d+2"},
      {"alt+c", "\x1b" "c", "x2e+2"},
      {"alt+e", "\x1b" "e", "x12+2"},
      {"alt+shift+x", "\x1bX", "x2d+18"},
      {"alt+digit is the keypad key", "\x1b" "1\x1b" "0\x1b" "5", "x4f+2 x52+2 x4c+2"},
      {"alt+minus", "\x1b-", "x82+2"},
      {"alt+ctrl+x", "\x1b\x18", "x2d+10"},
      {"alt+enter", "\x1b\r", "c0d+2"},
      {"alt+accented", "\x1bé", "c82+2"},
      {"esc typed ahead of alt+x", "\x1b\x1bx", "c1b x2d+2"},
  };
  for (const Case& c : cases) {
    TerminalDecoder decoder;
    decoder.Feed(c.bytes);
    // The release that the terminal does not report follows after a pause.
    EXPECT_EQ(Drain(decoder), c.events) << c.name;
  }
}

TEST(TerminalDecoderAlt, EscapeInFrontOfAKeySequenceIsEscThenThatKey) {
  // Esc typed just before a cursor key, typed ahead while the program was busy, or sent
  // together by tmux: two keys, never Alt with the key (which Alt's keypad entry would turn
  // into a character).
  const Case cases[] = {
      {"esc up", "\x1b\x1b[A", "c1b x48"},
      {"esc up in cursor key mode", "\x1b\x1bOA", "c1b x48"},
      {"esc alt+up", "\x1b\x1b[1;3A", "c1b x48+2"},
      {"esc f1", "\x1b\x1bOP", "c1b x3b"},
      {"esc page down", "\x1b\x1b[6~", "c1b x51"},
      {"esc twice then up", "\x1b\x1b\x1b[A", "c1b c1b x48"},
      {"esc then mouse release", "\x1b\x1b[<0;10;5m", "c1b m8b1@5,10"},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.bytes), c.events) << c.name;
}

TEST(TerminalDecoderAlt, EscapeThenKeySequenceInSeparateReadsAreTwoKeys) {
  TerminalDecoder decoder;
  decoder.Feed("\x1b");
  decoder.Elapse(TerminalDecoder::kEscapeTimeoutMs / 2);
  decoder.Feed("\x1b[");
  decoder.Feed("A");
  EXPECT_EQ(Drain(decoder), "c1b x48");
}

TEST(TerminalDecoderAlt, LoneEscapeIsEscAfterTimeout) {
  TerminalDecoder decoder;
  decoder.Feed("\x1b");
  EXPECT_FALSE(decoder.HasEvent());
  EXPECT_EQ(decoder.MillisecondsToDeadline(), TerminalDecoder::kEscapeTimeoutMs);
  decoder.Elapse(TerminalDecoder::kEscapeTimeoutMs - 1);
  EXPECT_FALSE(decoder.HasEvent());
  EXPECT_EQ(decoder.MillisecondsToDeadline(), 1);
  decoder.Elapse(1);
  EXPECT_EQ(Drain(decoder), "c1b");
  EXPECT_EQ(decoder.MillisecondsToDeadline(), -1);
}

TEST(TerminalDecoderAlt, EscapeThenLetterAfterTimeoutAreTwoKeys) {
  TerminalDecoder decoder;
  decoder.Feed("\x1b");
  decoder.Elapse(100);
  decoder.Feed("x");
  EXPECT_EQ(Drain(decoder), "c1b c78");
}

TEST(TerminalDecoderAlt, UnfinishedSequencesSettleOnTimeout) {
  const Case cases[] = {
      {"alt+[", "\x1b[", "c5b+2"},
      {"alt+O", "\x1bO", "x18+18"},
      {"cut sequence is dropped", "\x1b[1;5", ""},
  };
  for (const Case& c : cases) {
    TerminalDecoder decoder;
    decoder.Feed(c.bytes);
    EXPECT_FALSE(decoder.HasEvent()) << c.name;
    decoder.Elapse(TerminalDecoder::kEscapeTimeoutMs);
    EXPECT_EQ(Drain(decoder), c.events) << c.name;
  }
}

TEST(TerminalDecoderAlt, EscTypedTwiceGivesTheFirstAtOnceAndTheSecondOnTimeout) {
  TerminalDecoder decoder;
  decoder.Feed("\x1b\x1b");
  EXPECT_EQ(Drain(decoder), "c1b");
  decoder.Elapse(TerminalDecoder::kEscapeTimeoutMs);
  EXPECT_EQ(Drain(decoder), "c1b");
}

TEST(TerminalDecoderAlt, ModifiersCountAsReleasedAfterPause) {
  TerminalDecoder decoder;
  decoder.Feed("\x1b" "1");
  EXPECT_EQ(Drain(decoder), "x4f+2");
  EXPECT_EQ(decoder.MillisecondsToDeadline(), TerminalDecoder::kModifierReleaseMs);
  decoder.Elapse(TerminalDecoder::kModifierReleaseMs / 2);
  decoder.Feed("\x1b" "6");
  decoder.Elapse(TerminalDecoder::kModifierReleaseMs - 1);
  EXPECT_EQ(Drain(decoder), "x4d+2");
  decoder.Elapse(1);
  EXPECT_EQ(Drain(decoder), "up");
  EXPECT_EQ(decoder.MillisecondsToDeadline(), -1);
}

TEST(TerminalDecoderAlt, KeyWithoutAltReleasesAltFirst) {
  // Alt+1, Alt+6, Alt+5 then a plain key: the release ends the digit entry before the key.
  EXPECT_EQ(Decode("\x1b" "1\x1b" "6\x1b" "5a"), "x4f+2 x4d+2 x4c+2 up c61");
  // Ctrl+Alt to Ctrl only keeps Ctrl held.
  EXPECT_EQ(Decode("\x1b\x18\x18"), "x2d+10 up+8 c18+8");
}

TEST(TerminalDecoderLinuxConsole, ItsKeySequencesGiveConsoleKeys) {
  const Case cases[] = {
      {"f1-f5", "\x1b[[A\x1b[[B\x1b[[C\x1b[[D\x1b[[E", "x3b x3c x3d x3e x3f"},
      {"f6-f10", "\x1b[17~\x1b[18~\x1b[19~\x1b[20~\x1b[21~", "x40 x41 x42 x43 x44"},
      {"shift+f1 shift+f2", "\x1b[23~\x1b[24~", "x3b+16 x3c+16"},
      {"shift+f3-f6", "\x1b[25~\x1b[26~\x1b[28~\x1b[29~", "x3d+16 x3e+16 x3f+16 x40+16"},
      {"shift+f7-f10", "\x1b[31~\x1b[32~\x1b[33~\x1b[34~", "x41+16 x42+16 x43+16 x44+16"},
      {"keypad 5", "\x1b[G", "x4c"},
      {"cursor and editing keys", "\x1b[A\x1b[1~\x1b[4~\x1b[2~\x1b[3~\x1b[5~\x1b[6~",
       "x48 x47 x4f x52 x53 x49 x51"},
      {"alt+x", "\x1bx", "x2d+2"},
  };
  for (const Case& c : cases) {
    TerminalDecoder decoder;
    decoder.SetKeyboard(TerminalKeyboard::LinuxConsole);
    decoder.Feed(c.bytes);
    // Shifted keys come with no report of Shift's release: it follows after a pause.
    decoder.Elapse(TerminalDecoder::kModifierReleaseMs);
    std::string expected = c.events;
    if (expected.find('+') != std::string::npos) expected += " up";
    EXPECT_EQ(Drain(decoder), expected) << c.name;
  }
}

TEST(TerminalDecoderLinuxConsole, KeyboardSurvivesReset) {
  TerminalDecoder decoder;
  decoder.SetKeyboard(TerminalKeyboard::LinuxConsole);
  decoder.Reset();
  decoder.Feed("\x1b[25~");
  EXPECT_EQ(Drain(decoder), "x3d+16");
}

TEST(TerminalDecoderLinuxConsole, XtermKeepsF11AndF12) {
  EXPECT_EQ(Decode("\x1b[23~\x1b[24~\x1b[G"), "x85 x86 x4c");
}

TEST(TerminalDecoderInput, SplitFeedsJoin) {
  TerminalDecoder decoder;
  for (char ch : std::string("\x1b[24;5~é")) decoder.Feed(std::string(1, ch));
  EXPECT_EQ(Drain(decoder), "x86+8 up c82");
}

TEST(TerminalDecoderInput, MalformedInputIsDroppedAndDecodingGoesOn) {
  const Case cases[] = {
      {"stray continuation byte", "\x80z", "c7a"},
      {"invalid lead byte", "\xff" "z", "c7a"},
      {"cut UTF-8", "\xc3(", "c28"},
      {"sequence cut by another", "\x1b[1;\x1b[A", "x48"},
      {"overlong sequence", "\x1b[" + std::string(300, '1') + "Az", "c41 c7a"},
      {"X10 mouse bytes below range", "\x1b[M\x01\x01\x01z", "c7a"},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.bytes), c.events) << c.name;
}

TEST(TerminalDecoderMouse, SgrReportsGivePressAndRelease) {
  const Case cases[] = {
      {"left press", "\x1b[<0;10;5M", "m4b1@5,10"},
      {"left release", "\x1b[<0;10;5m", "m8b1@5,10"},
      {"right release", "\x1b[<2;3;4m", "m8b2@4,3"},
      {"middle button is not reported", "\x1b[<1;3;4M\x1b[<1;3;4m", ""},
      {"wheel", "\x1b[<64;1;2M\x1b[<65;1;2M", "m2b0@2,1 m2b0@2,1"},
      {"drag", "\x1b[<32;7;8M", "m1b1@8,7"},
      {"ctrl+click", "\x1b[<16;1;1M", "m4b1@1,1+8"},
      {"wide screen position", "\x1b[<0;300;120m", "m8b1@120,300"},
      {"missing position", "\x1b[<0;5M", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.bytes), c.events) << c.name;
}

TEST(TerminalDecoderMouse, X10ReportsRememberTheButton) {
  // Press of the right button at column 10, row 5, then a release that names no button.
  const std::string press = std::string("\x1b[M") + char(32 + 2) + char(32 + 10) + char(32 + 5);
  const std::string release = std::string("\x1b[M") + char(32 + 3) + char(32 + 10) + char(32 + 5);
  EXPECT_EQ(Decode(press + release), "m4b2@5,10 m8b2@5,10");
}

TEST(TerminalDecoderPaste, BracketedPasteGivesTextAndKeys) {
  EXPECT_EQ(Decode("\x1b[200~Ça\r\nb\tc\x1b[201~"),
            "paste:" + Cp850("Ç") + "a\r\nb\tc c80 c61 c0d c62 c09 c63");
}

TEST(TerminalDecoderPaste, EscapeSequencesInsideArePlainText) {
  EXPECT_EQ(Decode("\x1b[200~\x1b[A\x1b[201~x"), "paste:\x1b[A c5b c41 c78");
}

TEST(TerminalDecoderPaste, EndMarkerSplitAcrossFeeds) {
  TerminalDecoder decoder;
  decoder.Feed("\x1b[200~ab\x1b[2");
  EXPECT_FALSE(decoder.HasEvent());
  EXPECT_EQ(decoder.MillisecondsToDeadline(), TerminalDecoder::kPasteTimeoutMs);
  decoder.Feed("01~");
  EXPECT_EQ(Drain(decoder), "paste:ab c61 c62");
}

TEST(TerminalDecoderPaste, UnterminatedPasteEndsAfterTimeout) {
  TerminalDecoder decoder;
  decoder.Feed("\x1b[200~xy");
  decoder.Elapse(TerminalDecoder::kEscapeTimeoutMs);
  EXPECT_FALSE(decoder.HasEvent());
  decoder.Elapse(TerminalDecoder::kPasteTimeoutMs);
  EXPECT_EQ(Drain(decoder), "paste:xy c78 c79");
}

TEST(TerminalDecoderPaste, LongPasteIsCut) {
  TerminalDecoder decoder;
  decoder.Feed("\x1b[200~" + std::string(TerminalDecoder::kMaxPasteBytes + 10, 'a') + "\x1b[201~");
  TerminalEvent paste = decoder.TakeEvent();
  EXPECT_EQ(paste.text.size(), TerminalDecoder::kMaxPasteBytes);
}

TEST(TerminalDecoderKitty, RepliesAreReported) {
  EXPECT_EQ(Decode("\x1b[?0u\x1b[?62;22c"), "flags0 da");
  TerminalDecoder decoder;
  decoder.Feed("\x1b[?27u");
  EXPECT_TRUE(decoder.ReportsReleases());
  decoder.Feed("\x1b[?1u");
  EXPECT_FALSE(decoder.ReportsReleases());
}

TEST(TerminalDecoderKitty, KeysGiveConsoleKeys) {
  const Case cases[] = {
      {"esc", "\x1b[27u", "c1b"},
      {"enter tab backspace", "\x1b[13u\x1b[9u\x1b[127u", "c0d c09 c08"},
      {"shift+tab", "\x1b[9;2u", "x0f+16"},
      {"alt+x", "\x1b[120;3u", "x2d+2"},
      {"ctrl+a", "\x1b[97;5u", "c01+8"},
      {"ctrl+c with shift", "\x1b[99;6u", "c03+24"},
      {"alt+top row 1", "\x1b[49;3u", "x78+2"},
      {"alt+keypad 1", "\x1b[57400;3u", "x4f+2"},
      {"keypad 1 with num lock", "\x1b[57400;129u", "c31"},
      {"keypad 1 with text", "\x1b[57400;;49u", "c31"},
      {"keypad 1 as End", "\x1b[57400u", "x4f"},
      {"keypad moves", "\x1b[57417u\x1b[57427u\x1b[57425u", "x4b x4c x52"},
      {"keypad enter and plus", "\x1b[57414u\x1b[57413;;43u", "c0d c2b"},
      {"plain letter with text", "\x1b[97;;97u", "c61"},
      {"shifted letter with text", "\x1b[97;2;65u", "c41+16"},
      {"shifted letter without text", "\x1b[97:65;2u", "c41+16"},
      {"accented letter", "\x1b[233;;233u", "c82"},
      {"text without a key", "\x1b[0;;8364u", "cd5"},
      {"f5 with ctrl", "\x1b[15;5~", "x3f+8"},
      {"f13 and media keys are ignored", "\x1b[57376u\x1b[57428u", ""},
      {"release of a plain key is ignored", "\x1b[97;1:3u", ""},
      {"repeat counts as press", "\x1b[97;1:2;97u", "c61"},
      {"release in legacy form is ignored", "\x1b[1;1:3A", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.bytes), c.events) << c.name;
}

TEST(TerminalDecoderKitty, ReportedAltReleaseGivesKeyUpAtOnce) {
  TerminalDecoder decoder;
  decoder.Feed("\x1b[?27u");
  decoder.Feed("\x1b[57443u");          // Left Alt down
  decoder.Feed("\x1b[57400;3u");        // keypad 1
  decoder.Feed("\x1b[57400;3:3u");      // keypad 1 up
  decoder.Feed("\x1b[57405;3u");        // keypad 6
  EXPECT_EQ(decoder.MillisecondsToDeadline(), -1);
  decoder.Elapse(10 * TerminalDecoder::kModifierReleaseMs);
  EXPECT_EQ(Drain(decoder), "flags27 x4f+2 x4d+2");
  decoder.Feed("\x1b[57443;3:3u");      // Left Alt up
  EXPECT_EQ(Drain(decoder), "up");
}

TEST(TerminalDecoderKitty, RightAltIsReportedAsRightAlt) {
  EXPECT_EQ(Decode("\x1b[57449u\x1b[120;3u"), "x2d+1");
  EXPECT_EQ(Decode("\x1b[57448u\x1b[1;5H"), "x47+8");
}

}  // namespace
}  // namespace kel::platform
