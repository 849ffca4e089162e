#include "terminal/colour_schemes.h"

#include <string>
#include <vector>

#include "config/ini.h"
#include "console/window.h"
#include "platform/codepage.h"
#include "startup/session_environment.h"
#include "textfmt/language.h"
#include "textfmt/zero_pad.h"

namespace kel {
namespace {

// Colours are foreground/background of roles 0 to 4; names are Catalan, Spanish, Galician,
// Occitan. The Occitan name of scheme 10 has two blanks on purpose.
constexpr std::array<ColourScheme, kColourSchemeCount> kCatalogue = {{
    {{15, 0, 7, 0, 0, 7, 0, 6, 15, 2}, {"CLÀSSIC MONO", "CLASICO MONO", "CLÁSSICO MONO", "CLASSIC MONO"}},
    {{15, 0, 7, 0, 0, 7, 0, 7, 9, 0}, {"HERCULES", "HERCULES", "HERCULES", "HERCULES"}},
    {{14, 1, 7, 1, 1, 3, 1, 7, 14, 4}, {"CLÀSSIC COLOR", "CLASICO COLOR", "CLÁSSICO COR", "CLASSIC COLOR"}},
    {{14, 0, 15, 0, 15, 1, 0, 3, 15, 2}, {"CONTRAST NEGRE", "CONTRASTE NEGRO", "CONTRASTE NEGRO", "CONTRAST NERE"}},
    {{0, 7, 0, 7, 15, 0, 8, 0, 15, 0}, {"CONTRAST BLANC", "CONTRASTE BLANCO", "CONTRASTE BRANCO", "CONTRAST BLANC"}},
    {{14, 1, 7, 1, 1, 2, 1, 5, 14, 4}, {"MODERN COLOR", "MODERNO COLOR", "MODERNO COR", "MODÈRN COLOR"}},
    {{14, 0, 6, 0, 0, 6, 0, 7, 14, 5}, {"AMBRE", "AMBAR", "ÂMBAR", "AMBRE"}},
    {{0, 6, 1, 6, 6, 0, 6, 7, 15, 5}, {"AMBRE INVERS", "AMBAR INVERSO", "ÂMBAR INVERSO", "AMBRE INVÈRS"}},
    {{15, 0, 7, 0, 15, 5, 15, 2, 15, 5}, {"BLANC ANTIC", "BLANCO ANTIGUO", "BRANCO ANTIGO", "BLANC ANTIC"}},
    {{10, 0, 2, 0, 0, 2, 0, 3, 15, 2}, {"VERD ANTIC", "VERDE ANTIGUO", "VERDE ANTIGO", "VERD  ANTIC"}},
}};

}  // namespace

const std::array<ColourScheme, kColourSchemeCount>& ColourSchemes() { return kCatalogue; }

std::string ColourText(const ColourScheme& scheme) {
  std::string text;
  for (int colour : scheme.colours) text += ZeroPad(colour, 2);
  return text;
}

std::string ColourSchemeName(const ColourScheme& scheme) {
  return Cp850(PickText(SessionLanguage(), scheme.names));
}

void WriteColourSchemes() {
  // One rewrite of the file for the whole catalogue: on a file server each rewrite is a round
  // trip, forced to disk.
  std::vector<IniSetting> settings;
  settings.push_back({"Pantalla", "MaxColors", std::to_string(kCatalogue.size())});
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    const std::string number = std::to_string(i + 1);
    settings.push_back({"Pantalla", "Col" + number, ColourText(kCatalogue[i])});
    settings.push_back({"Pantalla", "Nom" + number, ColourSchemeName(kCatalogue[i])});
  }
  WriteIniKeys(Session().TerminalDir + "NuroTerm.ini", settings);
}

}  // namespace kel
