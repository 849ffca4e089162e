// The desktop clipboard through its command-line helpers (wl-copy/wl-paste under Wayland,
// xclip or xsel under X), run as child processes.
#pragma once

#include <string>
#include <string_view>

namespace kel::platform::posix {

// Puts UTF-8 text on the clipboard; false when no helper is there or it failed.
bool CopyWithHelper(std::string_view utf8);
// Reads the clipboard as UTF-8 into text; false when no helper is there or it failed.
bool PasteWithHelper(std::string& text);

}  // namespace kel::platform::posix
