// Mouse reports: SGR (1006) and the older X10 form.
#include "platform/terminal_decoder.h"

#include <algorithm>

#include "platform/terminal_parameters.h"

namespace kel::platform {

using terminal_parameters::Parameters;

void TerminalDecoder::SgrMouse(std::string_view parameters, char final) {
  const Parameters values(parameters);
  const long code = values.Get(0, 0, -1);
  const long column = values.Get(1, 0, -1);
  const long row = values.Get(2, 0, -1);
  if (code < 0 || column < 1 || row < 1) return;
  std::uint32_t state = 0;
  if (code & 4) state |= kShift;
  if (code & 8) state |= kLeftAlt;
  if (code & 16) state |= kLeftCtrl;
  const long button = code & 3;
  if (code & 64) {
    if (final == 'M') MouseEvent(kMouseDoubleClickOrWheel, 0, static_cast<int>(row), static_cast<int>(column), state);
    return;
  }
  if (code & 32) {
    const std::uint8_t held = button == 0 ? 1 : button == 2 ? 2 : 0;
    MouseEvent(kMouseMoved, held, static_cast<int>(row), static_cast<int>(column), state);
    return;
  }
  // The console knows the first two buttons only.
  if (button == 1 || button == 3) return;
  MouseEvent(final == 'M' ? kMousePressed : kMouseReleased, button == 0 ? 1 : 2,
             static_cast<int>(row), static_cast<int>(column), state);
}

void TerminalDecoder::X10Mouse(unsigned char code, unsigned char column, unsigned char row) {
  if (code < 32 || column <= 32 || row <= 32) return;
  const int bits = code - 32;
  std::uint32_t state = 0;
  if (bits & 4) state |= kShift;
  if (bits & 8) state |= kLeftAlt;
  if (bits & 16) state |= kLeftCtrl;
  const int at_row = row - 32;
  const int at_column = column - 32;
  if (bits & 64) {
    MouseEvent(kMouseDoubleClickOrWheel, 0, at_row, at_column, state);
    return;
  }
  const int button = bits & 3;
  if (bits & 32) {
    MouseEvent(kMouseMoved, x10_button_, at_row, at_column, state);
    return;
  }
  if (button == 3) {
    // The report of a release does not say which button: the one pressed last.
    if (x10_button_ != 0) MouseEvent(kMouseReleased, x10_button_, at_row, at_column, state);
    x10_button_ = 0;
    return;
  }
  if (button == 1) {
    x10_button_ = 0;
    return;
  }
  x10_button_ = button == 0 ? 1 : 2;
  MouseEvent(kMousePressed, x10_button_, at_row, at_column, state);
}

void TerminalDecoder::MouseEvent(std::uint8_t kind, std::uint8_t button, int row, int column,
                                 std::uint32_t state) {
  InputEvent event;
  event.kind = InputEvent::Kind::Mouse;
  event.mouse_kind = kind;
  event.mouse_button = button;
  event.mouse_row = static_cast<std::int16_t>(std::clamp(row, 1, 32767));
  event.mouse_column = static_cast<std::int16_t>(std::clamp(column, 1, 32767));
  event.control_state = state;
  Emit(event);
}

}  // namespace kel::platform
