#include "console/browse.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "console/browse_records.h"
#include "console/browse_rows.h"
#include "console/browse_value_stack.h"
#include "console/definitions.h"
#include "console/form.h"
#include "console/form_hooks.h"
#include "console/keys.h"
#include "console/window.h"
#include "editing/edit_settings.h"
#include "editing/key_reader.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

// The keys a browse list acts on, and F4 when the descriptor names an alternate browse.
constexpr std::string_view kBrowseKeys = "d,1b,4800,5000,4900,5100,4b00,4d00";
constexpr std::string_view kAlternateKey = "3e00";
// Columns moved by one Left or Right.
constexpr int kScrollStep = 8;

// The title line: the frame's corners, the line, and the arrows that say the lines go on to
// the left or to the right (the console's glyphs ◄ and ►).
constexpr char kTitleTopLeft = '\xC9';   // ╔
constexpr char kTitleTopRight = '\xBB';  // ╗
constexpr char kTitleLine = '\xCD';      // ═
constexpr char kMoreLeft = '\x11';       // ◄
constexpr char kMoreRight = '\x10';      // ►
constexpr char kTitleBlank = '_';

struct BrowseState {
  std::int32_t selected_index = 0;
  std::string selected_text;
};

BrowseState& State() {
  static BrowseState state;
  return state;
}

// Everything one browse works with, from the opening of its window to its closing.
struct Run {
  std::int16_t number = 0;
  BrowseDescriptor descriptor;
  bool records = false;          // a record file, not the memory list
  std::int16_t file = 0;
  std::int16_t key_number = 0;
  std::string low, high;         // key bounds of a record list
  bool fetch_started = false;
  bool more = false;             // entries remain to be fetched
  RowCache cache;
  int width = 0;                 // W: columns inside the frame
  int height = 0;                // V: rows inside the frame
  int cursor_row = 1;            // of the current row, within the page
  int offset = 1;                // first column shown: 1, 9, 17 ...
  int overhang = 0;              // widest line length minus W seen so far
  BrowseRow row;                 // the current row
  std::int32_t position = 1;     // of the current row
  std::int32_t next = 1;         // of the row after the current one
  bool first = true;
  bool last = true;
  std::int32_t page_first = 1;   // position of the page's first row
  std::int32_t after_page = 0;   // of the row after the page, 0 when the list ends on it
};

bool WindowFits(const BrowseDescriptor& d) {
  const int top = d.items[kBrowseTop], left = d.items[kBrowseLeft];
  const int bottom = d.items[kBrowseBottom], right = d.items[kBrowseRight];
  // The frame must lie on the screen with at least one row and one column inside it.
  return top >= 1 && left >= 1 && bottom <= ScreenRows() && right <= ScreenColumns() &&
         bottom - top >= 2 && right - left >= 2;
}

std::string TrimRight(std::string text) {
  const std::size_t end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

// True when the current record's key lies beyond the high bound.
bool BeyondHigh(const Run& run) {
  const std::string key = BrowseRecords().current_key(run.file, run.key_number);
  return std::string_view(key).substr(0, run.high.size()) > std::string_view(run.high);
}

// Reads records until one has a display line, which becomes a new row of the cache, or none
// remains. A key waiting on the keyboard stops the reading: the list then ends with the rows
// already cached.
void Fetch(Run& run) {
  if (!run.more) return;
  const BrowseRecordOperations& records = BrowseRecords();
  if (!run.fetch_started) {
    run.fetch_started = true;
    // Positioning first makes the list's key the file's current one, the key whose stored
    // form the high bound takes: converted before, it would follow the key the file was on.
    if (records.find_at_least(run.file, run.key_number, run.low) != 0) {
      run.more = false;
      return;
    }
    run.high = records.stored_key(run.file, run.key_number, run.high);
    if (BeyondHigh(run)) {
      run.more = false;
      return;
    }
  }
  for (;;) {
    const std::string line = TrimRight(CallBrowseLine(run.number));
    bool appended = false;
    if (!line.empty()) {
      if (!AppendRow(run.cache, records.current_position(run.file), line)) {
        run.more = false;
        return;
      }
      appended = true;
    }
    if (records.read_next(run.file, run.key_number) != 0 || BeyondHigh(run) || EscWaiting()) {
      run.more = false;
    }
    if (appended || !run.more) return;
  }
}

// Reads the row at a position, fetching it first when it lies past the cache's end.
bool ReadAt(Run& run, std::int32_t position, BrowseRow& row) {
  if (position >= run.cache.end && run.more) Fetch(run);
  return ReadRow(run.cache, position, row);
}

bool IsLastRow(const Run& run, std::int32_t after) { return after >= run.cache.end && !run.more; }

// Makes the row at a position the current row; false (nothing changed) when there is none.
bool ReadCurrent(Run& run, std::int32_t position) {
  BrowseRow row;
  if (!ReadAt(run, position, row)) return false;
  run.row = std::move(row);
  run.position = position;
  run.next = PositionAfter(position, run.row);
  run.first = run.row.previous == 0;
  run.last = IsLastRow(run, run.next);
  return true;
}

// Moves up to |count| rows on (count > 0) or back, one row at a time; the rows moved.
int Move(Run& run, int count) {
  int moved = 0;
  for (; count > 0 && !run.last; --count, ++moved) {
    if (!ReadCurrent(run, run.next)) {
      // The records after this row showed nothing after all: it is the last one.
      ReadCurrent(run, run.position);
      run.last = true;
      break;
    }
  }
  for (; count < 0 && !run.first; ++count, ++moved) {
    if (!ReadCurrent(run, run.row.previous)) break;
  }
  return moved;
}

// Writes a line on a page row: its characters from the horizontal offset, W of them, padded
// with blanks.
void WriteLine(const Run& run, int page_row, std::string_view text) {
  std::string line;
  if (static_cast<std::size_t>(run.offset) <= text.size()) {
    line = text.substr(static_cast<std::size_t>(run.offset - 1),
                       static_cast<std::size_t>(run.width));
  }
  line.resize(static_cast<std::size_t>(run.width), ' ');
  WriteInWindow(page_row, 1, line);
}

void DrawTitle(const Run& run) {
  const std::string& title = run.descriptor.title;
  std::string line;
  line.reserve(static_cast<std::size_t>(run.width) + 2);
  line += run.offset == 1 ? kTitleTopLeft : kMoreLeft;
  for (int i = run.offset; i < run.offset + run.width; ++i) {
    const char c = static_cast<std::size_t>(i) <= title.size()
                       ? title[static_cast<std::size_t>(i - 1)] : ' ';
    line += c == kTitleBlank ? ' ' : c == ' ' ? kTitleLine : c;
  }
  const bool title_goes_on = title.size() > static_cast<std::size_t>(run.offset + run.width - 1);
  line += run.offset <= run.overhang || title_goes_on ? kMoreRight : kTitleTopRight;
  SetColour("+n");
  WriteInWindow(0, 0, line);
  SetColour("-");
}

void BlankRows(const Run& run, int from) {
  for (int r = from; r <= run.height; ++r) WriteLine(run, r, {});
}

// Draws the page from a row on, in role H; the cursor row moves up to the last row when the
// list ends above it. The current row stays as it was.
void DrawPage(Run& run, std::int32_t start) {
  // The current row's position is kept aside while the page's rows are read.
  const std::int32_t current = run.position;
  PushValue(std::to_string(current));
  run.page_first = start;
  run.after_page = 0;
  std::int32_t position = start;
  for (int r = 1; r <= run.height; ++r) {
    BrowseRow row;
    if (!ReadAt(run, position, row)) {
      // The list ended before this row.
      run.cursor_row = std::clamp(run.cursor_row, 1, std::max(r - 1, 1));
      BlankRows(run, r);
      break;
    }
    WriteLine(run, r, row.text);
    run.overhang = std::max(run.overhang, static_cast<int>(row.text.size()) - run.width);
    position = PositionAfter(position, row);
    if (IsLastRow(run, position)) {
      run.cursor_row = std::min(run.cursor_row, r);
      BlankRows(run, r + 1);
      break;
    }
    if (r == run.height) run.after_page = position;
  }
  PopValue();
  ReadCurrent(run, current);
}

// PgUp: the current row and the page start go back a page; when the page start meets the
// first row early, the cursor row goes up by what the page start could not go back.
void PageUp(Run& run) {
  Move(run, -run.height);
  std::int32_t start = run.page_first;
  int back = 0;
  BrowseRow row;
  bool met_first = false;
  while (back < run.height && ReadAt(run, start, row)) {
    if (row.previous == 0) {
      met_first = true;
      break;
    }
    start = row.previous;
    ++back;
  }
  if (!met_first && back < run.height) met_first = true;  // an unreadable row ends the walk
  if (met_first) run.cursor_row = std::max(1, run.cursor_row - (run.height - back));
  DrawPage(run, start);
}

// Acts on keys until one leaves the list; that key.
KeyCode Loop(Run& run) {
  for (;;) {
    SetColour("u");
    WriteLine(run, run.cursor_row, run.row.text);
    const KeyCode key = WaitKey();
    SetColour("h");
    WriteLine(run, run.cursor_row, run.row.text);
    BrowseRow row;
    switch (key) {
      case kKeyLeft:
        if (run.offset > 1) {
          run.offset -= kScrollStep;
          DrawTitle(run);
          DrawPage(run, run.page_first);
        }
        break;
      case kKeyRight:
        if (run.offset <= run.overhang) {
          run.offset += kScrollStep;
          DrawTitle(run);
          DrawPage(run, run.page_first);
        }
        break;
      case kKeyUp:
        if (Move(run, -1) == 1) {
          if (run.cursor_row > 1) {
            --run.cursor_row;
          } else {
            DrawPage(run, run.position);
          }
        }
        break;
      case kKeyDown:
        if (Move(run, 1) == 1) {
          if (run.cursor_row < run.height) {
            ++run.cursor_row;
          } else if (ReadAt(run, run.page_first, row)) {
            DrawPage(run, PositionAfter(run.page_first, row));
          }
        }
        break;
      case kKeyPgUp:
        if (ReadAt(run, run.page_first, row) && row.previous != 0) PageUp(run);
        break;
      case kKeyPgDn:
        if (run.after_page != 0 && ReadAt(run, run.after_page, row)) {
          const std::int32_t start = run.after_page;
          Move(run, run.height);
          DrawPage(run, start);
        }
        break;
      case kKeyAltX:
      case kKeyAltC:
        // The pop-up has already run inside the key wait; its hotkey is no choice.
        break;
      default:
        return key;
    }
  }
}

}  // namespace

void Browse(std::int16_t number, std::int16_t& result) {
  result = -1;
  const BrowseDescriptor* found = number >= 1 ? BrowseDefinition(number) : nullptr;
  if (found == nullptr || !WindowFits(*found)) return;
  Run run;
  run.number = number;
  run.descriptor = *found;
  const auto& items = run.descriptor.items;


  // A pre-form that does not exist is left out.
  const std::int16_t pre_form = items[kBrowsePreForm];
  if (pre_form != 0 && Form(pre_form) != nullptr) {
    KeyCode key = kKeyNone;
    RunForm(pre_form, 0, 0, key);
    if (key == kKeyEsc) return;
  }

  run.records = items[kBrowseFile] != 0;
  if (run.records && !BrowseRecordsInstalled()) return;
  if (!OpenRowCache(run.cache)) return;
  RowCache* outer = PreparedRowCache();
  SetPreparedRowCache(&run.cache);
  const std::int16_t prepared = CallPrepareBrowse(number, run.low, run.high);
  SetPreparedRowCache(outer);
  if (prepared != 0) {
    CloseRowCache(run.cache);
    result = prepared;
    return;
  }

  run.file = items[kBrowseFile];
  run.key_number = items[kBrowseKey];
  if (run.records) BrowseRecords().keep_state(run.file, "+d");
  SetColour("+n");
  const int open_before = CurrentWindow().open_count;
  OpenWindow(items[kBrowseTop], items[kBrowseLeft], items[kBrowseBottom], items[kBrowseRight]);
  const bool window_open = CurrentWindow().open_count > open_before;
  // Whatever was in force goes back exactly at the end, even inside a field that has saved
  // its own settings already.
  const EditSettingsState settings = SaveEditSettings();
  KeyCode key = kKeyEsc;
  if (window_open) {
    DrawFrame(2);
    SetColour("h");
    EditSettings("+ea", kBrowseKeys);
    if (items[kBrowseAlternate] != 0) EditSettings("a", kAlternateKey);
    if (run.records) {
      EmptyRowCache(run.cache);
      run.more = true;
    }
    run.width = items[kBrowseRight] - items[kBrowseLeft] - 1;
    run.height = items[kBrowseBottom] - items[kBrowseTop] - 1;
    DrawTitle(run);
    DrawPage(run, 1);
    key = Loop(run);
  }

  if (key == kKeyEnter) {
    if (!run.records) {
      State().selected_index = run.row.value;
      State().selected_text = run.row.text;
      result = 0;
    } else if (run.row.value != 0) {
      result = static_cast<std::int16_t>(BrowseRecords().read_at(run.file, run.row.value));
    }
  }
  CloseRowCache(run.cache);
  if (key == kKeyF4 && items[kBrowseAlternate] != 0) {
    std::int16_t alternate = items[kBrowseAlternate];
    Browse(alternate, result);
    if (result == 0) {
      std::int16_t form = 0, field = 0;
      CallAlternateChosen(alternate, form, field);
    }
  }
  EditSettings("-", "");
  RestoreEditSettings(settings);
  if (window_open) CloseWindow();
  SetColour("-");
  if (run.records) BrowseRecords().keep_state(run.file, "-");
}

std::int32_t BrowseSelectedIndex() { return State().selected_index; }

const std::string& BrowseSelectedText() { return State().selected_text; }

void ResetBrowse() { State() = BrowseState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetBrowse);
}  // namespace

}  // namespace kel
