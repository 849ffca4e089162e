// The operations that each application gives the form engine and the browse lists: what an
// accepted value and a finished form mean, what follows a lookup, how a list is prepared and
// how a record is shown. The application installs them at start; an operation it leaves out
// behaves as described at its default.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "console/keys.h"

namespace kel {

struct ScreenHooks {
  // A field was left with any key but Esc, F1 and F4: keeps the text as the field's value;
  // non-zero refuses it (the field is edited again after a beep). Default: the value becomes
  // the text (in the field's width), the field is shown again, 0.
  std::function<std::int16_t(std::int16_t form, std::string& text, std::int16_t field,
                             KeyCode key)>
      field_done;
  // The form ended with a key; non-zero starts it again at its first editable field.
  // Default: 0.
  std::function<std::int16_t(std::int16_t form, KeyCode key)> form_done;
  // A lookup or an alternate browse chose an entry. The form engine passes the browse, form
  // and field; setting the browse to 0 opens the lookup again, another field moves there.
  // Default: nothing.
  std::function<void(std::int16_t& browse, std::int16_t& form, std::int16_t& field)>
      alternate_chosen;
  // Before a browse window opens: fills the memory list (AppendBrowseRow) or sets the key
  // bounds of a record list; non-zero ends the browse with that result. Default: 0.
  std::function<std::int16_t(std::int16_t browse, std::string& low, std::string& high)>
      prepare_browse;
  // Display line of a record file's current record; empty leaves the record out.
  // Default: empty.
  std::function<std::string(std::int16_t browse)> browse_line;
};

// Installs the application's operations.
void InstallScreenHooks(ScreenHooks hooks);
// The installed operations.
const ScreenHooks& InstalledScreenHooks();

// Calls the installed operation, or its default.
std::int16_t CallFieldDone(std::int16_t form, std::string& text, std::int16_t field,
                           KeyCode key);
std::int16_t CallFormDone(std::int16_t form, KeyCode key);
void CallAlternateChosen(std::int16_t& browse, std::int16_t& form, std::int16_t& field);
std::int16_t CallPrepareBrowse(std::int16_t browse, std::string& low, std::string& high);
std::string CallBrowseLine(std::int16_t browse);

// Forgets the installed operations (tests).
void ResetScreenHooks();

}  // namespace kel
