// The calculator's window, drawn in absolute screen positions: the tape from row 1 down to
// row 22 (the newest line), its border on row 23, the display line on row 24 and the bottom
// border on row 25. Nothing above the tape is drawn, so the screen behind stays visible there.
//
// The calculator opens from inside whatever screen waits for a key, often a form field. It
// keeps its own copy of that screen's editing settings and gives them back exactly when it
// closes, so the field goes on with its own exit keys and the figure is typed into it; the
// one-level save area of the settings is not used, because the field's screen holds it.
#include "editing/calculator.h"

#include <string>
#include <string_view>

#include "console/window.h"
#include "editing/calculator_state.h"
#include "editing/calculator_steps.h"
#include "editing/edit_settings.h"
#include "editing/key_reader.h"
#include "platform/console.h"
#include "textfmt/number_format.h"

namespace kel {
namespace {

// Rows of the window, on a screen of at least 25 rows.
constexpr int kScreenRowsNeeded = 25;
constexpr int kScreenColumnsNeeded = 80;
constexpr int kTapeBorderRow = kTapeLines + 1;  // 23
constexpr int kDisplayRow = kTapeLines + 2;     // 24
constexpr int kBottomRow = kTapeLines + 3;      // 25

// Single-line frame characters of code page 850.
constexpr char kTopLeft = '\xDA';
constexpr char kTopRight = '\xBF';
constexpr char kBottomLeft = '\xC0';
constexpr char kBottomRight = '\xD9';
constexpr char kLeftTee = '\xC3';
constexpr char kRightTee = '\xB4';
constexpr char kHorizontal = '\xC4';
constexpr char kVertical = '\xB3';

void Put(int row, int column, std::string_view text) {
  MoveCursor(row, column);
  WriteText(text);
}

std::string Border(char left, char right) {
  return left + std::string(kCalculatorWidth - 2, kHorizontal) + right;
}

std::string TapeText(const TapeLine& line) {
  return kVertical + FormatNumber(CalculatorMask(line.decimal_point, line.decimals), line.value) +
         ' ' + line.operation + kVertical;
}

void DrawTape(const CalculatorState& state) {
  const int column = state.column;
  const int first = state.first_tape_line;
  // With a full tape the top border would be on row 0, above the screen: it is left out.
  if (first <= kTapeLines && first > 1) Put(first - 1, column, Border(kTopLeft, kTopRight));
  for (int line = first; line <= kTapeLines; ++line) {
    Put(line, column, TapeText(state.tape[static_cast<std::size_t>(line - 1)]));
  }
  Put(kTapeBorderRow, column,
      first <= kTapeLines ? Border(kLeftTee, kRightTee) : Border(kTopLeft, kTopRight));
  Put(kBottomRow, column, Border(kBottomLeft, kBottomRight));
}

void DrawDisplay(const CalculatorState& state, bool overflow) {
  const std::string figure =
      overflow ? OverflowFigure()
               : FormatNumber(CalculatorMask(state.decimal_point, state.decimals), state.entry);
  Put(kDisplayRow, state.column, kVertical + figure + "  " + kVertical);
}

void OpenAt(const CalculatorState& state) {
  OpenWindow(1, state.column, kBottomRow, state.column + kCalculatorWidth - 1);
  SetColour("n");  // closing a window leaves the colour of its last cell
  DrawTape(state);
}

}  // namespace

std::string Calculator() {
  platform::ConsoleDevice& console = platform::Console();
  if (ScreenRows() < kScreenRowsNeeded || ScreenColumns() < kScreenColumnsNeeded) {
    console.SoundBell();
    return {};
  }
  const EditSettingsState field_settings = SaveEditSettings();
  EditSettings("e", "");
  SetColour("+n");
  const bool cursor_was_visible = console.CursorVisible();
  console.SetCursorVisible(false);

  CalculatorState state = LoadCalculatorState();
  OpenAt(state);
  std::string result;
  bool overflow = false;
  for (bool open = true; open;) {
    DrawDisplay(state, overflow);
    overflow = false;
    switch (ApplyCalculatorKey(state, WaitKey())) {
      case CalculatorEffect::kTape:
        DrawTape(state);
        break;
      case CalculatorEffect::kTapeCleared:
      case CalculatorEffect::kMoved:
        CloseWindow();
        OpenAt(state);
        break;
      case CalculatorEffect::kRefused:
        overflow = true;
        console.SoundBell();
        break;
      case CalculatorEffect::kBeep:
        console.SoundBell();
        break;
      case CalculatorEffect::kCloseWithResult:
        result = CalculatorResultText(state);
        open = false;
        break;
      case CalculatorEffect::kCloseEmpty:
        open = false;
        break;
      case CalculatorEffect::kNone:
      case CalculatorEffect::kDisplay:
        break;
    }
  }

  CloseWindow();
  SaveCalculatorState(state);
  console.SetCursorVisible(cursor_was_visible);
  SetColour("-");
  RestoreEditSettings(field_settings);
  return result;
}

}  // namespace kel
