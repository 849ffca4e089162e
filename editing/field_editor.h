// The field editor: edits one field of a form in place on the screen and returns the key that
// ended the editing.
//
// One operation serves four kinds of field, told apart by the settings in force when it is
// called: a plain field on one row, a multi-row field that wraps its text at a fixed width, a
// masked field whose content is hidden behind the mask character (EditSettings "h"), and a
// selection field (SetSelectionList) that shows one entry of a list of choices between two
// arrow marks. The text keeps its length: insertions push the last character out, deletions
// pad with a space. Insert mode is the console's Insert toggle, so it carries over between
// fields and forms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/keys.h"

namespace kel {

// Makes the following fields selection fields over the entries of the list, each "|" + key +
// "," + description ("|S,Sí|N,No"); an empty list makes them ordinary fields. A key is
// compared with the whole text, so it has the field's length.
void SetSelectionList(std::string_view list);
// The selection list in force.
const std::string& SelectionList();

// Edits text, already padded to its capacity, in place and returns in key the key that ended
// editing (after the fixed translations and the exit-key map), or -(100 x screen column +
// screen row) for a click outside the field. Row and column are relative to the current
// window, 0 taking the cursor's row or column; a width of 0 means capacity + 1 (one row); the
// cursor (1 .. capacity + 1) is where editing starts and ends. All are written back.
void EditField(std::int16_t& row, std::int16_t& column, std::int16_t& width, std::string& text,
               std::int16_t& cursor, KeyCode& key);

// Forgets the selection list (tests).
void ResetFieldEditor();

}  // namespace kel
