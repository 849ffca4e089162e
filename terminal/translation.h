// The registration dialog's texts in the session language.
#pragma once

#include <string>
#include <string_view>

namespace kel {

// The text in the session language when it is one of the dialog's Catalan texts and the
// language is Spanish, Galician or Aranese; otherwise the text itself.
std::string TranslateText(std::string_view text);

}  // namespace kel
