// The form engine: the field loop of RunForm.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/browse.h"
#include "console/browse_value_stack.h"
#include "console/definitions.h"
#include "console/form.h"
#include "console/form_hooks.h"
#include "console/form_state.h"
#include "console/help_pager.h"
#include "console/window.h"
#include "editing/edit_settings.h"
#include "editing/field_editor.h"
#include "platform/console.h"
#include "startup/session_environment.h"

namespace kel {
namespace {

// F1 ends every field besides the form's own keys.
constexpr std::string_view kHelpKey = ",3b00";
// A click outside the field comes from the field editor as -(100 x column + row).
constexpr int kClickScale = 100;
constexpr int kLargestClick = 99 * kClickScale + 99;

bool Editable(const FieldDefinition& field) { return (field.flags & kFieldDisabled) == 0; }

bool StartsBlank(const FieldDefinition& field) {
  return (field.flags & (kFieldStartsBlank | kFieldHidden)) != 0;
}

// First and last editable field; first > last when there is none.
void EditableRange(const FormDefinition& form, int& first, int& last) {
  first = 1;
  last = 0;
  const int count = static_cast<int>(form.fields.size());
  for (int k = 1; k <= count; ++k) {
    if (!Editable(form.fields[static_cast<std::size_t>(k - 1)])) continue;
    if (last == 0) first = k;
    last = k;
  }
}

// The keys after which a form that ran its continuation ends as well.
bool EndsCaller(KeyCode key) {
  return key == kKeyPgUp || key == kKeyPgDn || key == kKeyEnd || key == kKeyEndForm ||
         key == kKeyEnter || key == kKeyDown || key == kKeyUp;
}

// The keys that pass over a disabled field in their own direction.
bool MovesOn(KeyCode key) {
  return key == kKeyUp || key == kKeyDown || key == kKeyEnter || key == kKeyEsc ||
         key == kKeyPgUp || key == kKeyPgDn;
}

bool IsClick(KeyCode key) { return key < 0 && key >= -kLargestClick; }

// The continuation of a form, 0 when it names none or one that does not exist.
std::int16_t ContinuationOf(std::int16_t form) {
  const FormDefinition* definition = Form(form);
  if (definition == nullptr || Form(definition->continuation) == nullptr) return 0;
  return definition->continuation;
}

// True when a form lies on the chain of continuations after a form. The chain is followed at
// most once round, so that a list whose continuations loop cannot hold the walk.
bool LaterOnChain(std::int16_t form, std::int16_t target) {
  std::int16_t next = ContinuationOf(form);
  for (int steps = 0; next != 0 && steps < FormCount(); ++steps) {
    if (next == target) return true;
    next = ContinuationOf(next);
  }
  return false;
}

bool WindowFits(const FormDefinition& form) {
  return form.top >= 1 && form.left >= 1 && form.bottom <= ScreenRows() &&
         form.right <= ScreenColumns() && form.top <= form.bottom && form.left <= form.right;
}

int LabelLength(const FieldDefinition& field) { return static_cast<int>(field.label.size()); }

int ValueColumn(const FieldDefinition& field) { return field.column + LabelLength(field); }

std::string Blanks(int count) { return std::string(static_cast<std::size_t>(std::max(count, 0)), ' '); }

std::string TrimRight(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return std::string(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

// Rows a field covers on the screen: one for each row width of its value.
int FieldRows(const FieldDefinition& field) {
  if (field.row_width <= 0) return 1;
  return std::max(1, (field.width + field.row_width - 1) / field.row_width);
}

// The first editable field whose area holds a window position; 0 for none.
int FieldAt(const FormDefinition& form, int row, int column) {
  const int count = static_cast<int>(form.fields.size());
  for (int k = 1; k <= count; ++k) {
    const FieldDefinition& field = form.fields[static_cast<std::size_t>(k - 1)];
    if (!Editable(field)) continue;
    const int columns = LabelLength(field) +
                        (field.row_width > 0 ? field.row_width : field.width) + field.extra_width;
    if (row >= field.row && row < field.row + FieldRows(field) && column >= field.column &&
        column < field.column + columns) {
      return k;
    }
  }
  return 0;
}

// Everything one run of a form works with.
struct FormRun {
  std::int16_t number = 0;
  bool continuation = false;
  std::int16_t leave_at_top = 0;
  std::int16_t leave_at_bottom = 0;
  int first = 1;
  int last = 0;
};

FieldDefinition* FieldOf(const FormRun& run, int k) {
  FormDefinition* form = Form(run.number);
  if (form == nullptr || k < 1 || k > static_cast<int>(form->fields.size())) return nullptr;
  return &form->fields[static_cast<std::size_t>(k - 1)];
}

void Recompute(FormRun& run) {
  const FormDefinition* form = Form(run.number);
  if (form == nullptr) {
    run.first = 1;
    run.last = 0;
    return;
  }
  EditableRange(*form, run.first, run.last);
}

// F4: the field's lookup, and what the application makes of the entry chosen. False when the
// lookup chose nothing (the field is then edited again).
bool LookUp(FormRun& run, int& k, KeyCode& key) {
  key = kKeyNone;
  const FieldDefinition* field = FieldOf(run, k);
  if (field == nullptr || field->lookup_browse == 0) return true;
  const std::int16_t lookup = field->lookup_browse;
  for (;;) {
    std::int16_t result = -1;
    Browse(lookup, result);
    if (result != 0) return false;
    PushValue(std::to_string(k));
    PushValue(std::to_string(lookup));
    std::int16_t browse = lookup;
    std::int16_t form = run.number;
    auto moved = static_cast<std::int16_t>(k);
    CallAlternateChosen(browse, form, moved);
    PopValue();
    PopValue();
    if (browse == 0) continue;  // the application asks for the lookup again
    Recompute(run);
    if (moved == k) {
      key = (k == run.last && ContinuationOf(run.number) == 0) ? kKeyEnter : kKeyDown;
    } else if (FieldOf(run, moved) != nullptr) {
      k = moved;
      if (!Editable(*FieldOf(run, k))) key = kKeyDown;
    }
    return true;
  }
}

// Edits field k until its text is accepted or the field is left without it; the key that
// ended it.
KeyCode EditOneField(FormRun& run, int& k, KeyCode key) {
  FieldDefinition* field = FieldOf(run, k);
  const FormDefinition* form = Form(run.number);
  const std::string keys = form->key_list + std::string(kHelpKey);
  const bool hidden = (field->flags & kFieldHidden) != 0;
  EditSettings("+ea", keys);
  std::string text = StartsBlank(*field) ? Blanks(field->width) : field->value;
  if (hidden) EditSettings("h", "");
  if (field->extra_width != 0) WriteInWindow(field->row, ValueColumn(*field), Blanks(field->extra_width));

  for (;;) {
    // The application's operations may have replaced the definitions meanwhile.
    field = FieldOf(run, k);
    if (field == nullptr) {
      key = kKeyEsc;
      break;
    }
    SetSelectionList(field->choices);
    auto row = field->row;
    auto column = static_cast<std::int16_t>(ValueColumn(*field));
    auto width = field->row_width;
    auto cursor = static_cast<std::int16_t>(
        (field->flags & kFieldCursorAtEnd) ? TrimRight(text).size() + 1 : 1);
    EditField(row, column, width, text, cursor, key);
    KeepEditedField(run.number, static_cast<std::int16_t>(k), text);

    bool refused = false;
    if (key == kKeyF1) {
      const std::string topic = TrimRight(Session().MenuName);
      if (!topic.empty()) ShowHelp(topic);
      key = kKeyNone;
    } else if (key == kKeyF4) {
      refused = !LookUp(run, k, key);
    } else if ((field = FieldOf(run, k)) != nullptr) {
      if (field->extra_width != 0) {
        WriteInWindow(field->row, ValueColumn(*field), text + Blanks(field->extra_width));
      }
      if (key == kKeyEsc) {
        ShowField(run.number, static_cast<std::int16_t>(k));
      } else {
        // A blank entry in a field that starts blank keeps the stored value.
        if (StartsBlank(*field) && IsAllChar(text, ' ')) text = field->value;
        refused = CallFieldDone(run.number, text, static_cast<std::int16_t>(k), key) != 0;
      }
    }
    Recompute(run);
    if (!refused) break;
    platform::Console().SoundBell();
  }
  if (hidden) EditSettings("v", "");
  EditSettings("-", "");
  return key;
}

// Step through the fields from the first editable one until a key leaves the form.
void FieldLoop(FormRun& run, KeyCode& key) {
  int k = run.first;
  while (k >= run.first && k <= run.last) {
    const FieldDefinition* field = FieldOf(run, k);
    if (field == nullptr) break;
    if (Editable(*field)) {
      key = EditOneField(run, k, key);
    } else if (!MovesOn(key)) {
      key = kKeyDown;  // a disabled field is passed over, never stayed on
    }

    bool leave = false;
    if (key == kKeyPgUp || key == kKeyPgDn) {
      const bool up = key == kKeyPgUp;
      const int edge = up ? run.first : run.last;
      const bool at_edge = k == edge;
      k = edge;
      if (at_edge && (up ? run.leave_at_top : run.leave_at_bottom) != 0) {
        leave = true;
        SetResumeForm(run.number);
      } else {
        SetResumeForm(0);
      }
    } else if (key == kKeyEnd || key == kKeyEndForm) {
      leave = true;
    } else if (key == kKeyEsc) {
      if (k == run.first) leave = true;
      k = run.first;
    } else if (key == kKeyEnter || key == kKeyDown || key == kKeyF2) {
      const std::int16_t next_form = ContinuationOf(run.number);
      if ((k == run.last || key == kKeyF2) && next_form != 0) {
        RunForm(static_cast<std::int16_t>(-next_form), run.leave_at_top, run.leave_at_bottom, key);
        leave = EndsCaller(key);
      } else if (key == kKeyDown) {
        if (k != run.last) ++k;
      } else if (key == kKeyEnter) {
        ++k;
      }
    } else if (key == kKeyUp) {
      if (k > run.first) {
        --k;
      } else if (run.continuation) {
        key = kKeyEsc;
        leave = true;
      }
    } else if (IsClick(key)) {
      const int screen_column = -key / kClickScale;
      const int screen_row = -key % kClickScale;
      const FormDefinition* form = Form(run.number);
      const int at = form == nullptr ? 0
                                     : FieldAt(*form, screen_row - WindowFirstRow() + 1,
                                               screen_column - WindowFirstColumn() + 1);
      if (at != 0) k = at;
    } else if (key != kKeyNone) {
      leave = true;
    }
    if (leave) break;
  }
}

// Resuming a chain: when the form left last at its edge lies further on this form's chain,
// the chain is run from there. True when the form is to end at once.
bool Resume(const FormRun& run, KeyCode& key) {
  const std::int16_t resume = ResumeForm();
  if (resume != 0 && resume != run.number && !LaterOnChain(run.number, resume)) {
    SetResumeForm(0);
  }
  if (ResumeForm() != 0 && ResumeForm() != run.number) {
    RunForm(static_cast<std::int16_t>(-ContinuationOf(run.number)), run.leave_at_top,
            run.leave_at_bottom, key);
    return EndsCaller(key);
  }
  SetResumeForm(0);
  return false;
}

}  // namespace

void RunForm(std::int16_t number, std::int16_t leave_at_top, std::int16_t leave_at_bottom,
             KeyCode& key) {
  key = kKeyNone;
  FormRun run;
  run.continuation = number < 0;
  run.number = static_cast<std::int16_t>(std::min(std::abs(int{number}), 0x7FFF));
  run.leave_at_top = leave_at_top;
  run.leave_at_bottom = leave_at_bottom;
  const FormDefinition* form = Form(run.number);
  // A form that does not exist, or whose window does not fit on the screen, is not shown.
  if (form == nullptr || (form->top != 0 && !WindowFits(*form))) {
    key = kKeyEsc;
    return;
  }
  const bool own_window = form->top != 0;
  if (own_window) {
    SetColour("+n");
    const int open_before = CurrentWindow().open_count;
    OpenWindow(form->top, form->left, form->bottom, form->right);
    if (CurrentWindow().open_count == open_before) {
      SetColour("-");
      key = kKeyEsc;
      return;
    }
    DrawFrame(2);
    SetColour("-");
  }
  DrawForm(run.number);

  Recompute(run);
  bool ended = run.first > run.last || Resume(run, key);
  for (;;) {
    if (!ended) FieldLoop(run, key);
    if (CallFormDone(run.number, key) == 0) break;
    // The application wants the form again, from its first editable field.
    Recompute(run);
    if (run.first > run.last) break;
    ended = false;
  }
  if (own_window) CloseWindow();
  ClearEditedField();
}

}  // namespace kel
