// The start-up program's own screens: the language form and the terminal chooser list of the
// new-terminal dialog.
#pragma once

#include <span>
#include <string_view>

namespace kel {

// The program's definition list, in the order the definition reader takes it.
std::span<const std::string_view> BuiltinDefinitionList();

// Loads the built-in definitions, labels and choices in the session language, and empties the
// memory browse list.
void LoadBuiltinDefinitions();

}  // namespace kel
