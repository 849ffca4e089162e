// Forms: the drawing of fields and the state shared with the application.
#include "console/form.h"

#include <algorithm>
#include <string>

#include "console/definitions.h"
#include "console/form_state.h"
#include "console/window.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

struct FormState {
  std::int16_t resume_form = 0;
  std::string edited_value;
  std::int16_t edited_form = 0;
  std::int16_t edited_field = 0;
};

FormState& State() {
  static FormState state;
  return state;
}

constexpr char kDisabledMark = '-';
constexpr char kChoiceStart = '|';
constexpr char kChoiceSeparator = ',';

FieldDefinition* Field(int form, int field) {
  FormDefinition* definition = Form(form);
  if (definition == nullptr || field < 1 || field > static_cast<int>(definition->fields.size())) {
    return nullptr;
  }
  return &definition->fields[static_cast<std::size_t>(field - 1)];
}

int LabelLength(const FieldDefinition& field) { return static_cast<int>(field.label.size()); }

// Screen rows of a wrapping field: one for each row width of its value.
int RowCount(const FieldDefinition& field) {
  if (field.row_width <= 0) return 1;
  return std::max(1, (field.width + field.row_width - 1) / field.row_width);
}

// Description of the choice whose key is the value exactly; false when none is.
bool ChoiceDescription(std::string_view choices, std::string_view value, std::string& out) {
  std::size_t at = choices.find(kChoiceStart);
  while (at != std::string_view::npos) {
    const std::size_t next = choices.find(kChoiceStart, at + 1);
    const std::string_view entry = choices.substr(at + 1, next == std::string_view::npos
                                                              ? std::string_view::npos
                                                              : next - at - 1);
    const std::size_t comma = entry.find(kChoiceSeparator);
    if (comma != std::string_view::npos && entry.substr(0, comma) == value) {
      out = entry.substr(comma + 1);
      return true;
    }
    at = next;
  }
  return false;
}

}  // namespace

void DrawForm(std::int16_t form) {
  FormDefinition* definition = Form(form);
  if (definition == nullptr) return;
  SetColour("n");
  for (const FieldDefinition& field : definition->fields) {
    WriteInWindow(field.row, field.column, field.label);
  }
  SetColour("h");
  for (std::size_t k = 1; k <= definition->fields.size(); ++k) {
    ShowField(form, static_cast<std::int16_t>(k));
  }
}

void ShowField(std::int16_t form, std::int16_t field) {
  const FieldDefinition* f = Field(form, field);
  if (f == nullptr) return;
  const int row = f->row;
  const int column = f->column + LabelLength(*f);
  const int width = std::max<int>(f->width, 0);
  if (f->flags & kFieldDisabled) {
    if (f->row_width > 0) {
      for (int r = 0; r < RowCount(*f); ++r) {
        WriteInWindow(row + r, column, std::string(static_cast<std::size_t>(f->row_width),
                                                   kDisabledMark));
      }
    } else {
      const int dashes = std::max(width + f->extra_width, 0);
      WriteInWindow(row, column, std::string(static_cast<std::size_t>(dashes), kDisabledMark));
    }
    return;
  }
  if (f->flags & kFieldHidden) return;
  if (!f->choices.empty()) {
    std::string description;
    if (!ChoiceDescription(f->choices, f->value, description)) return;
    description.resize(static_cast<std::size_t>(std::max(width + f->extra_width, 0)), ' ');
    WriteInWindow(row, column, description);
    return;
  }
  if (f->row_width > 0) {
    const auto piece = static_cast<std::size_t>(f->row_width);
    for (int r = 0; static_cast<std::size_t>(r) * piece < f->value.size(); ++r) {
      WriteInWindow(row + r, column, f->value.substr(static_cast<std::size_t>(r) * piece, piece));
    }
    return;
  }
  WriteInWindow(row, column, f->value);
}

void SetFieldValue(std::int16_t form, std::int16_t field, std::string_view text) {
  FieldDefinition* f = Field(form, field);
  if (f == nullptr) return;
  f->value.assign(text.substr(0, static_cast<std::size_t>(std::max<int>(f->width, 0))));
  f->value.resize(static_cast<std::size_t>(std::max<int>(f->width, 0)), ' ');
}

std::int16_t ResumeForm() { return State().resume_form; }

void SetResumeForm(std::int16_t form) { State().resume_form = form; }

const std::string& EditedValue() { return State().edited_value; }

std::int16_t EditedForm() { return State().edited_form; }

std::int16_t EditedField() { return State().edited_field; }

void KeepEditedField(std::int16_t form, std::int16_t field, std::string_view text) {
  State().edited_value.assign(text);
  State().edited_form = form;
  State().edited_field = field;
}

void ClearEditedField() {
  State().edited_value.clear();
  State().edited_form = 0;
  State().edited_field = 0;
}

void ResetForms() { State() = FormState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetForms);
}  // namespace

}  // namespace kel
