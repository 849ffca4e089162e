// Forms: numbered screens of fields from the application's definition list, filled one field
// after another with the field editor. Enter, Tab, Down and Up move between fields, PgUp and
// PgDn to the first and last, a click to the field under the mouse; F1 shows the menu's help
// and F4 looks the value up in the field's browse list. A form may name a continuation that
// Enter on its last field runs; Up on the continuation's first field comes back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/keys.h"

namespace kel {

// The key with code 2 ends a form as End does.
inline constexpr KeyCode kKeyEndForm = 2;

// Runs a form (a negative number runs it as a continuation of the form before it). With
// leave-at-top not 0, PgUp on the first field leaves the form; with leave-at-bottom not 0,
// PgDn on the last; either way ResumeForm becomes this form. key: the key that ended it (Esc,
// and nothing shown, for a form that does not exist or does not fit on the screen).
void RunForm(std::int16_t form, std::int16_t leave_at_top, std::int16_t leave_at_bottom,
             KeyCode& key);
// Writes every label (role N) and every value (role H) of a form.
void DrawForm(std::int16_t form);
// Writes one field's value as the user sees it: dashes when disabled, nothing when hidden,
// a choice by its description, a wrapping field row by row.
void ShowField(std::int16_t form, std::int16_t field);
// Keeps a text as a field's value, cut or padded with blanks to the field's width.
void SetFieldValue(std::int16_t form, std::int16_t field, std::string_view text);

// The form of a chain last left by PgUp or PgDn at its edge (0 = none): running the chain
// again reopens at that form.
std::int16_t ResumeForm();
void SetResumeForm(std::int16_t form);

// Text, form and field of the field edited last; cleared when a form ends.
const std::string& EditedValue();
std::int16_t EditedForm();
std::int16_t EditedField();

// Forgets ResumeForm and the edited field (tests).
void ResetForms();

}  // namespace kel
