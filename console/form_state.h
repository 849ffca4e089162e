// The form engine's record of the field edited last, written by the field loop.
#pragma once

#include <cstdint>
#include <string_view>

namespace kel {

// Keeps the text, form and field of the field just edited.
void KeepEditedField(std::int16_t form, std::int16_t field, std::string_view text);
// Clears them when a form ends.
void ClearEditedField();

}  // namespace kel
