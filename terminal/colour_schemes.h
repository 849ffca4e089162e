// The ten built-in screen colour schemes, written into a terminal's settings file so that the
// suite's programs can offer them by name.
#pragma once

#include <array>
#include <string>

#include "textfmt/language.h"

namespace kel {

// One scheme: foreground and background of colour roles 0 to 4, and its name in the four
// languages (UTF-8 source text).
struct ColourScheme {
  std::array<int, 10> colours;
  FourForms<> names;
};

inline constexpr int kColourSchemeCount = 10;

// The catalogue, scheme 1 first.
const std::array<ColourScheme, kColourSchemeCount>& ColourSchemes();

// The 20-digit colour text of a scheme: its ten numbers, two digits each.
std::string ColourText(const ColourScheme& scheme);

// The scheme's name in the session language (Catalan for any code but "SPA", "GLG", "OCI"),
// as program text.
std::string ColourSchemeName(const ColourScheme& scheme);

// Writes "MaxColors" and every scheme's "Col" + n and "Nom" + n into section "Pantalla" of
// the terminal's NuroTerm.ini; the current colours ("Col", "Seleccio") are left alone.
void WriteColourSchemes();

}  // namespace kel
