// The start-up program's own form and browse operations: the language form sets the session's
// language, and browse list 1 lists the memory list.
#pragma once

#include <cstdint>
#include <string>

#include "console/keys.h"
#include "terminal/registration.h"

namespace kel {


// Keeps the edited text as the field's value and shows the field again; accepts it (0).
std::int16_t StartupFieldDone(std::int16_t form, std::string& text, std::int16_t field,
                              KeyCode key);
// Unless the form ended with Esc: for the language form, the first three characters of its
// field become the session's LanguageCode and the browse titles pass through the translation
// again. Never asks for the form again (0).
std::int16_t StartupFormDone(std::int16_t form, KeyCode key);
// For the terminal chooser, one row for each non-empty BrowseList text; 0.
std::int16_t StartupPrepareBrowse(std::int16_t browse, std::string& low, std::string& high);

// Installs the start-up program's operations (no record lines, nothing after a lookup).
void InstallStartupScreenHooks();

}  // namespace kel
