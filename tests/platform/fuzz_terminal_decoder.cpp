// Feeds arbitrary bytes and pauses to the terminal decoder. The first byte chooses the
// keyboard (bit 0: the Linux console) and the character set (bits 1-2); then byte 0xFE
// followed by n lets n x 8 ms pass, and everything else is terminal input, fed in the pieces
// the pauses cut.
// Checked: nothing crashes, every event is well formed, and after a long quiet spell
// nothing is left waiting on the clock.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/terminal_decoder.h"

namespace {

using kel::platform::InputEvent;
using kel::platform::TerminalDecoder;
using kel::platform::TerminalEvent;

constexpr std::uint32_t kKnownState = 0x1F;

void Check(bool condition) {
  if (!condition) std::abort();
}

void DrainAndCheck(TerminalDecoder& decoder) {
  while (decoder.HasEvent()) {
    const TerminalEvent event = decoder.TakeEvent();
    if (event.kind != TerminalEvent::Kind::Input) continue;
    const InputEvent& input = event.input;
    Check((input.control_state & ~kKnownState) == 0);
    switch (input.kind) {
      case InputEvent::Kind::Key:
        // A key is a character or a scan code, never neither.
        Check(input.character != 0 || input.scan_code != 0);
        break;
      case InputEvent::Kind::Mouse:
        Check(input.mouse_row >= 1 && input.mouse_column >= 1);
        Check(input.mouse_button <= 2);
        break;
      case InputEvent::Kind::KeyUp:
        break;
      default:
        Check(false);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TerminalDecoder decoder;
  if (size > 0) {
    decoder.SetKeyboard((data[0] & 1) ? kel::platform::TerminalKeyboard::LinuxConsole
                                      : kel::platform::TerminalKeyboard::Xterm);
    decoder.SetCharacterSet(static_cast<kel::platform::TerminalCharset>((data[0] >> 1) & 3));
  }
  std::string chunk;
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0xFE && i + 1 < size) {
      decoder.Feed(chunk);
      chunk.clear();
      const int deadline = decoder.MillisecondsToDeadline();
      Check(deadline >= -1);
      decoder.Elapse(data[++i] * 8);
      DrainAndCheck(decoder);
      continue;
    }
    chunk += static_cast<char>(data[i]);
  }
  decoder.Feed(chunk);
  DrainAndCheck(decoder);
  decoder.Elapse(1'000'000);
  decoder.Elapse(1'000'000);
  DrainAndCheck(decoder);
  Check(decoder.MillisecondsToDeadline() == -1);
  return 0;
}
