// The field editor.
//
// The text keeps its capacity for the whole edit; the screen shows it through the field's
// rows of width cells. Redraws go through the console's cell buffer, which sends a terminal
// only the cells that changed, so redrawing the whole field after each change stays cheap.
#include "editing/field_editor.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/window.h"
#include "editing/edit_settings.h"
#include "editing/key_reader.h"
#include "platform/console.h"
#include "textfmt/fold.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

struct FieldEditorState {
  std::string selection_list;
};

FieldEditorState& State() {
  static FieldEditorState state;
  return state;
}

// Keys with a meaning inside a field.
constexpr KeyCode kKeyCtrlC = 3;
constexpr KeyCode kKeyCtrlV = 22;
constexpr KeyCode kKeyCtrlY = 25;
constexpr KeyCode kKeyShiftTab = MakeKeyCode(0x0F00);
constexpr KeyCode kKeyCtrlF4 = MakeKeyCode(0x6100);
constexpr KeyCode kKeyAltF4 = MakeKeyCode(0x6B00);

// Cursor sizes (percent of the cell) in insert and overwrite mode.
constexpr int kInsertCursorSize = 50;
constexpr int kOverwriteCursorSize = 100;

// The arrow marks around a selection field: code page 850 bytes shown as ◄ and ►.
constexpr char kLeftArrow = '\x11';
constexpr char kRightArrow = '\x10';

// Characters that end a word for Ctrl+Left and Ctrl+Right.
constexpr std::string_view kWordSeparators = " ,.;:";

// One choice of a selection field.
struct Choice {
  std::string key;
  std::string description;
};

// Everything one EditField call works with. Row and column are window-relative; positions in
// the text are 1-based as the caller sees them.
struct Field {
  int row = 1;
  int column = 1;
  int width = 1;
  int capacity = 0;
  std::string* text = nullptr;
  int cursor = 1;
  int mask = 0;
  // Selection fields only.
  bool selection = false;
  std::vector<Choice> choices;
  std::size_t current = 0;
  int widest = 0;
};

std::vector<Choice> ParseChoices(std::string_view list) {
  std::vector<Choice> choices;
  std::size_t bar = list.find('|');
  while (bar != std::string_view::npos) {
    const std::size_t next = list.find('|', bar + 1);
    const std::string_view entry =
        list.substr(bar + 1, next == std::string_view::npos ? std::string_view::npos
                                                            : next - bar - 1);
    const std::size_t comma = entry.find(',');
    Choice choice;
    choice.key = std::string(entry.substr(0, comma));
    if (comma != std::string_view::npos) choice.description = std::string(entry.substr(comma + 1));
    choices.push_back(std::move(choice));
    bar = next;
  }
  return choices;
}

// Text cut or padded with blanks to a length.
std::string Fitted(std::string_view text, int length) {
  std::string fitted(text.substr(0, static_cast<std::size_t>(length)));
  fitted.resize(static_cast<std::size_t>(length), ' ');
  return fitted;
}

bool IsSeparator(char c) { return kWordSeparators.find(c) != std::string_view::npos; }

int ScreenRowOf(const Field& field) { return field.row + WindowFirstRow() - 1; }
int ScreenColumnOf(const Field& field) { return field.column + WindowFirstColumn() - 1; }

// Writes one arrow mark at a window-relative position, unless that is off the screen.
void WriteMark(int row, int column, char mark) {
  const int screen_column = column + WindowFirstColumn() - 1;
  if (screen_column < 1 || screen_column > ScreenColumns()) return;
  WriteInWindow(row, column, std::string_view(&mark, 1));
}

void Draw(Field& field) {
  std::string& text = *field.text;
  if (field.selection) text = Fitted(field.choices[field.current].key, field.capacity);
  for (int i = 1; i <= field.capacity; i += field.width) {
    LocateInWindow(field.row + (i - 1) / field.width, field.column);
    if (field.mask != 0) {
      // One mask character for each cell of the field on this row.
      WriteRepeated(static_cast<unsigned char>(field.mask),
                    std::min(field.width, field.capacity - i + 1));
    } else if (field.selection) {
      WriteText(Fitted(field.choices[field.current].description, field.widest));
    } else {
      WriteText(std::string_view(text).substr(static_cast<std::size_t>(i - 1),
                                              static_cast<std::size_t>(field.width)));
    }
  }
}

// Puts the cursor where the user sees the edit position: after the last character of a
// field whose last row is full, at the end of that row rather than below the field.
void PlaceCursor(const Field& field) {
  int row = field.row + (field.cursor - 1) / field.width;
  int column = field.column + (field.cursor - 1) % field.width;
  if (field.cursor == field.capacity + 1 && field.cursor > 1 && column == field.column) {
    row -= 1;
    column = field.column + field.width;
  }
  LocateInWindow(row, column);
}

void ShowCursor(const Field& field) {
  platform::ConsoleDevice& console = platform::Console();
  if (field.selection) {
    console.SetCursorVisible(false);
    return;
  }
  PlaceCursor(field);
  console.SetCursorSize(console.InsertMode() ? kInsertCursorSize : kOverwriteCursorSize);
  console.SetCursorVisible(true);
}

// What one wait for input brought: a key, a click at a screen position, or the end of input.
struct Arrival {
  KeyCode key = kKeyNone;
  bool click = false;
  int click_row = 0;
  int click_column = 0;
};

// Polls until a key or a click arrives; Insert flips insert mode here and counts as no key.
Arrival WaitForKeyOrClick() {
  platform::ConsoleDevice& console = platform::Console();
  Arrival arrival;
  std::int16_t button = 0;
  std::int16_t mouse_row = 0;
  std::int16_t mouse_column = 0;
  for (;;) {
    KeyCode key = kKeyNone;
    ReadKeyEvent(key, button, mouse_row, mouse_column);
    if (key == kKeyInsert) {
      const bool insert = !console.InsertMode();
      console.SetInsertMode(insert);
      console.SetCursorSize(insert ? kInsertCursorSize : kOverwriteCursorSize);
      continue;
    }
    if (key == kKeyNone && button != 0) {
      arrival.click = true;
      arrival.click_row = mouse_row;
      arrival.click_column = mouse_column;
      const int code = std::min(100 * std::max<int>(mouse_column, 0) + std::max<int>(mouse_row, 0),
                                32767);
      arrival.key = static_cast<KeyCode>(-code);
      break;
    }
    if (key != kKeyNone) {
      arrival.key = key;
      break;
    }
    if (!TypeAhead().empty()) continue;
    // A console that will deliver no more input ends the field as Esc does, so every screen
    // unwinds instead of waiting for ever.
    if (!console.WaitForInput(-1)) {
      arrival.key = kKeyEsc;
      break;
    }
  }
  console.SetCursorVisible(false);
  return arrival;
}

// ---- Text changes ---------------------------------------------------------------------------

void InsertAt(std::string& text, int position, char character) {
  text.insert(static_cast<std::size_t>(position - 1), 1, character);
  text.pop_back();
}

void DeleteAt(std::string& text, int position) {
  text.erase(static_cast<std::size_t>(position - 1), 1);
  text.push_back(' ');
}

int LengthWithoutTrailingBlanks(const std::string& text) {
  const std::size_t last = text.find_last_not_of(' ');
  return last == std::string::npos ? 0 : static_cast<int>(last) + 1;
}

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string();
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

// Clipboard text without control characters, DEL and 255, and without outer blanks.
std::string PasteableText(std::string_view clipboard) {
  std::string kept;
  for (char c : clipboard) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 32 || code == 127 || code == 255) continue;
    kept += c;
  }
  return Trimmed(kept);
}

// Start of the word before the cursor: across the word the character before the cursor is
// in, or across the separators there and the word before them.
int WordLeft(const std::string& text, int cursor) {
  int p = cursor - 1;
  while (p >= 1 && IsSeparator(text[static_cast<std::size_t>(p - 1)])) --p;
  while (p >= 1 && !IsSeparator(text[static_cast<std::size_t>(p - 1)])) --p;
  return p + 1;
}

// Start of the next word: across the rest of the word under the cursor and the separators
// after it; capacity + 1 when no word follows.
int WordRight(const std::string& text, int cursor) {
  const int capacity = static_cast<int>(text.size());
  int p = cursor;
  while (p <= capacity && !IsSeparator(text[static_cast<std::size_t>(p - 1)])) ++p;
  while (p <= capacity && IsSeparator(text[static_cast<std::size_t>(p - 1)])) ++p;
  return p;
}

// ---- Keys -----------------------------------------------------------------------------------

bool IsPrintable(KeyCode key, int lowest) {
  return (key >= lowest && key <= 126) || (key >= 128 && key <= 254);
}

// Handles a key in a plain, multi-row or masked field; false when the key ends editing.
bool PlainKey(Field& field, KeyCode key) {
  std::string& text = *field.text;
  const int end = field.capacity + 1;
  platform::ConsoleDevice& console = platform::Console();
  if (IsPrintable(key, 32)) {
    const char character = static_cast<char>(key);
    if (console.InsertMode()) {
      if (field.cursor < end && text.back() == ' ') {
        InsertAt(text, field.cursor, character);
        Draw(field);
        ++field.cursor;
      }
    } else if (field.cursor < end) {
      text[static_cast<std::size_t>(field.cursor - 1)] = character;
      if (field.mask == 0) {
        PlaceCursor(field);
        WriteText(std::string_view(&character, 1));
      }
      ++field.cursor;
    }
    return true;
  }
  switch (key) {
    case kKeyLeft:
      if (field.cursor > 1) --field.cursor;
      return true;
    case kKeyRight:
      if (field.cursor < end) ++field.cursor;
      return true;
    case kKeyBackspace:
      if (field.cursor > 1) {
        --field.cursor;
        DeleteAt(text, field.cursor);
        Draw(field);
      }
      return true;
    case kKeyEnd:
      field.cursor = LengthWithoutTrailingBlanks(text) + 1;
      return true;
    case kKeyHome:
      field.cursor = 1;
      return true;
    case kKeyCtrlHome:
    case kKeyCtrlY:
      text.assign(text.size(), ' ');
      field.cursor = 1;
      Draw(field);
      return true;
    case kKeyDelete:
      if (field.cursor < end) {
        DeleteAt(text, field.cursor);
        Draw(field);
      }
      return true;
    case kKeyUp:
    case kKeyShiftTab:
      if (field.cursor <= field.width) return false;
      field.cursor -= field.width;
      return true;
    case kKeyDown:
      if (field.cursor > end - field.width) return false;
      field.cursor += field.width;
      return true;
    case kKeyCtrlLeft:
      if (field.cursor > 1) field.cursor = WordLeft(text, field.cursor);
      return true;
    case kKeyCtrlRight:
      if (field.cursor < end) field.cursor = WordRight(text, field.cursor);
      return true;
    case kKeyCtrlC:
      // What a masked field hides stays off the clipboard.
      if (field.mask == 0) console.SetClipboardText(Trimmed(text));
      return true;
    case kKeyCtrlV: {
      const std::string paste = PasteableText(console.ClipboardText());
      if (paste.empty()) return true;
      // Written over the text from the cursor on, as much as fits.
      for (std::size_t k = 0; k < paste.size() && field.cursor - 1 + k < text.size(); ++k) {
        text[field.cursor - 1 + k] = paste[k];
      }
      Draw(field);
      return true;
    }
    case kKeyInsert:
    case kKeyNone:
      return true;
    default:
      return false;
  }
}

// The first choice after the current one, wrapping round once, whose description starts
// with the typed character, both folded to plain capitals.
void SearchChoice(Field& field, char typed) {
  SetFoldAccents(true);
  const std::string wanted = FoldText(std::string_view(&typed, 1));
  const std::size_t count = field.choices.size();
  for (std::size_t step = 1; step <= count; ++step) {
    const std::size_t index = (field.current + step) % count;
    const std::string& description = field.choices[index].description;
    if (!description.empty() && FoldText(description.substr(0, 1)) == wanted) {
      field.current = index;
      Draw(field);
      break;
    }
  }
  SetFoldAccents(false);
}

// Handles a key in a selection field; false when the key ends editing.
bool SelectionKey(Field& field, KeyCode key) {
  const std::size_t count = field.choices.size();
  if (IsPrintable(key, 33)) {
    SearchChoice(field, static_cast<char>(key));
    return true;
  }
  switch (key) {
    case kKeyLeft:
      field.current = field.current == 0 ? count - 1 : field.current - 1;
      Draw(field);
      return true;
    case kKeyRight:
    case ' ':
      field.current = field.current + 1 == count ? 0 : field.current + 1;
      Draw(field);
      return true;
    case kKeyEnd:
      field.cursor = LengthWithoutTrailingBlanks(*field.text) + 1;
      return true;
    case kKeyHome:
      field.cursor = 1;
      return true;
    case kKeyUp:
    case kKeyShiftTab:
    case kKeyDown:
      return false;
    case kKeyCtrlC:
      platform::Console().SetClipboardText(field.choices[field.current].description);
      return true;
    case kKeyBackspace:
    case kKeyCtrlHome:
    case kKeyCtrlY:
    case kKeyDelete:
    case kKeyCtrlLeft:
    case kKeyCtrlRight:
    case kKeyCtrlV:
    case kKeyInsert:
    case kKeyNone:
      return true;
    default:
      return false;
  }
}

// ---- Mouse ----------------------------------------------------------------------------------

// Handles a click at a screen position: false when it ends editing, else it may have become
// a key (the arrows of a selection field) or moved the cursor.
bool Click(Field& field, const Arrival& arrival, KeyCode& key) {
  const int first_row = ScreenRowOf(field);
  const int first_column = ScreenColumnOf(field);
  if (field.selection) {
    if (arrival.click_row != first_row) return false;
    if (arrival.click_column == first_column - 1) {
      key = kKeyLeft;
    } else if (arrival.click_column == first_column + field.widest) {
      key = kKeyRight;
    } else if (arrival.click_column >= first_column &&
               arrival.click_column < first_column + field.widest) {
      key = kKeyNone;
    } else {
      return false;
    }
    return true;
  }
  // The field's cells, row by row, and the place just after its last character.
  const int rows = std::max(1, (field.capacity + field.width - 1) / field.width);
  const int row = arrival.click_row - first_row;
  const int column = arrival.click_column - first_column;
  if (row < 0 || row >= rows || column < 0 || column >= field.width) return false;
  const int position = row * field.width + column + 1;
  if (position > field.capacity + 1) return false;
  field.cursor = position;
  key = kKeyNone;
  return true;
}

// ---- Ending ---------------------------------------------------------------------------------

// The fixed translations, at most one for a key.
KeyCode Translated(KeyCode key) {
  switch (key) {
    case kKeyShiftTab:
      return kKeyUp;
    case kKeyTab:
      return kKeyEnter;
    case kKeyEnter:
      return ExitKeysContain(kKeyEnd) ? kKeyEnd : kKeyEnter;
    case kKeyCtrlF4:
    case kKeyAltF4:
      return kKeyEsc;
    default:
      return key;
  }
}

// The key editing ends with, or false when the exit-key map says to go on editing. Negative
// codes (clicks outside the field, F11 and up) end editing even when the map does not list
// them.
bool EndingKey(KeyCode& key) {
  key = Translated(key);
  if (ExitKeyMapEmpty()) return true;
  KeyCode replacement = kKeyNone;
  if (FindExitKey(key, replacement)) {
    key = replacement;
    return true;
  }
  return key < 0;
}

Field StartField(std::int16_t& row, std::int16_t& column, std::int16_t& width, std::string& text,
                 std::int16_t& cursor) {
  Field field;
  field.text = &text;
  field.capacity = static_cast<int>(text.size());
  // The cursor's place, as the window-relative position LocateInWindow takes.
  const platform::CursorPlace place = platform::Console().CursorPosition();
  if (row == 0) row = static_cast<std::int16_t>(place.row - WindowFirstRow() + 1);
  if (column == 0) column = static_cast<std::int16_t>(place.column - WindowFirstColumn() + 1);
  if (width <= 0) width = static_cast<std::int16_t>(field.capacity + 1);
  field.row = row;
  field.column = column;
  field.width = width;
  field.cursor = std::clamp<int>(cursor, 1, field.capacity + 1);
  field.mask = MaskCharacter();

  field.choices = ParseChoices(State().selection_list);
  field.selection = !field.choices.empty();
  if (field.selection) {
    for (const Choice& choice : field.choices) {
      field.widest = std::max(field.widest, static_cast<int>(choice.description.size()));
    }
    for (std::size_t i = 0; i < field.choices.size(); ++i) {
      if (field.choices[i].key == text) {
        field.current = i;
        break;
      }
    }
    // The marks keep the colour in force when editing began.
    WriteMark(field.row, field.column - 1, kLeftArrow);
    WriteMark(field.row, field.column + field.widest, kRightArrow);
  }
  return field;
}

}  // namespace

void SetSelectionList(std::string_view list) { State().selection_list = std::string(list); }

const std::string& SelectionList() { return State().selection_list; }

void EditField(std::int16_t& row, std::int16_t& column, std::int16_t& width, std::string& text,
               std::int16_t& cursor, KeyCode& key) {
  Field field = StartField(row, column, width, text, cursor);
  SetColour("u");
  Draw(field);

  for (;;) {
    ShowCursor(field);
    const Arrival arrival = WaitForKeyOrClick();
    key = arrival.key;
    bool goes_on;
    if (arrival.click) {
      goes_on = Click(field, arrival, key);
      if (goes_on && key != kKeyNone) goes_on = SelectionKey(field, key);
    } else if (key < 0) {
      goes_on = false;  // F11 and up end editing like a click outside the field
    } else {
      goes_on = field.selection ? SelectionKey(field, key) : PlainKey(field, key);
    }
    if (goes_on) continue;
    if (EndingKey(key)) break;
    Draw(field);
  }

  SetColour("h");
  if (field.selection) {
    WriteMark(field.row, field.column - 1, ' ');
    WriteMark(field.row, field.column + field.widest, ' ');
  }
  LocateInWindow(field.row, field.column);
  cursor = static_cast<std::int16_t>(std::min(field.cursor, 32767));
}

void ResetFieldEditor() { State() = FieldEditorState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetFieldEditor);
}  // namespace

}  // namespace kel
