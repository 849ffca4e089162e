// The value stack: texts that the browse lists and forms keep aside while something else
// runs, taken back in the reverse order. It is one process-wide text: each entry is its
// bytes followed by its length as a 16-bit little-endian number.
#pragma once

#include <string>
#include <string_view>

namespace kel {

// Puts a text on top of the stack (texts longer than 65535 bytes keep their first 65535).
void PushValue(std::string_view text);
// Takes the top text off the stack; empty when the stack is empty.
std::string PopValue();
// The whole stack as it is held.
const std::string& ValueStack();
// Empties the stack (tests).
void ResetValueStack();

}  // namespace kel
