// The language a text is shown in, and the one way to pick a text from its four forms.
//
// A text that exists in four languages is written as its four forms in one fixed order:
// Catalan first (the suite's own language, and the one shown for any unknown code), then
// Spanish, Galician and Aranese Occitan. It is picked at the point of display, so a change
// of the session's language shows at once:
//
//     std::string title = Cp850(PickText(SessionLanguage(), "ANY", "AÑO", "ANO", "AN"));
//
// A table of texts holds FourForms rows and picks with PickText(language, row).
#pragma once

#include <string_view>

namespace kel {

enum class Language { Catalan, Spanish, Galician, Occitan };

// The language of a language code: "SPA" Spanish, "GLG" Galician, "OCI" Aranese Occitan;
// any other code, blanks included, Catalan.
Language LanguageOfCode(std::string_view code);

// The form of a text in a language, from its four forms in the order above.
template <typename Text>
constexpr Text PickText(Language language, Text catalan, Text spanish, Text galician, Text occitan) {
  switch (language) {
    case Language::Spanish: return spanish;
    case Language::Galician: return galician;
    case Language::Occitan: return occitan;
    case Language::Catalan: break;
  }
  return catalan;
}

// The four forms of one text, a row of a table of texts.
template <typename Text = const char*>
struct FourForms {
  Text catalan;
  Text spanish;
  Text galician;
  Text occitan;
};

// The form of a table row in a language.
template <typename Text>
constexpr const Text& PickText(Language language, const FourForms<Text>& forms) {
  switch (language) {
    case Language::Spanish: return forms.spanish;
    case Language::Galician: return forms.galician;
    case Language::Occitan: return forms.occitan;
    case Language::Catalan: break;
  }
  return forms.catalan;
}

}  // namespace kel
