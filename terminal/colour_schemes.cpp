#include "terminal/colour_schemes.h"

#include "config/ini.h"
#include "console/window.h"
#include "platform/codepage.h"
#include "startup/session_environment.h"

namespace kel {
namespace {

// Colours are foreground/background of roles 0 to 4; names are Catalan, Galician, Occitan,
// Spanish. The Occitan name of scheme 10 has two blanks on purpose.
constexpr std::array<ColourScheme, kColourSchemeCount> kCatalogue = {{
    {{15, 0, 7, 0, 0, 7, 0, 6, 15, 2}, {"CLÀSSIC MONO", "CLÁSSICO MONO", "CLASSIC MONO", "CLASICO MONO"}},
    {{15, 0, 7, 0, 0, 7, 0, 7, 9, 0}, {"HERCULES", "HERCULES", "HERCULES", "HERCULES"}},
    {{14, 1, 7, 1, 1, 3, 1, 7, 14, 4}, {"CLÀSSIC COLOR", "CLÁSSICO COR", "CLASSIC COLOR", "CLASICO COLOR"}},
    {{14, 0, 15, 0, 15, 1, 0, 3, 15, 2}, {"CONTRAST NEGRE", "CONTRASTE NEGRO", "CONTRAST NERE", "CONTRASTE NEGRO"}},
    {{0, 7, 0, 7, 15, 0, 8, 0, 15, 0}, {"CONTRAST BLANC", "CONTRASTE BRANCO", "CONTRAST BLANC", "CONTRASTE BLANCO"}},
    {{14, 1, 7, 1, 1, 2, 1, 5, 14, 4}, {"MODERN COLOR", "MODERNO COR", "MODÈRN COLOR", "MODERNO COLOR"}},
    {{14, 0, 6, 0, 0, 6, 0, 7, 14, 5}, {"AMBRE", "ÂMBAR", "AMBRE", "AMBAR"}},
    {{0, 6, 1, 6, 6, 0, 6, 7, 15, 5}, {"AMBRE INVERS", "ÂMBAR INVERSO", "AMBRE INVÈRS", "AMBAR INVERSO"}},
    {{15, 0, 7, 0, 15, 5, 15, 2, 15, 5}, {"BLANC ANTIC", "BRANCO ANTIGO", "BLANC ANTIC", "BLANCO ANTIGUO"}},
    {{10, 0, 2, 0, 0, 2, 0, 3, 15, 2}, {"VERD ANTIC", "VERDE ANTIGO", "VERD  ANTIC", "VERDE ANTIGUO"}},
}};

enum NameColumn { kCatalan = 0, kGalician = 1, kOccitan = 2, kSpanish = 3 };

NameColumn SessionNameColumn() {
  const std::string& code = Session().LanguageCode;
  if (code == "SPA") return kSpanish;
  if (code == "GLG") return kGalician;
  if (code == "OCI") return kOccitan;
  return kCatalan;
}

}  // namespace

const std::array<ColourScheme, kColourSchemeCount>& ColourSchemes() { return kCatalogue; }

std::string ColourText(const ColourScheme& scheme) {
  std::string text;
  for (int colour : scheme.colours) text += ZeroPad(colour, 2);
  return text;
}

std::string ColourSchemeName(const ColourScheme& scheme) {
  return Cp850(scheme.names[SessionNameColumn()]);
}

void WriteColourSchemes() {
  const std::string file = Session().TerminalDir + "NuroTerm.ini";
  WriteIniKey(file, "Pantalla", "MaxColors", std::to_string(kCatalogue.size()));
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    const std::string number = std::to_string(i + 1);
    WriteIniKey(file, "Pantalla", "Col" + number, ColourText(kCatalogue[i]));
    WriteIniKey(file, "Pantalla", "Nom" + number, ColourSchemeName(kCatalogue[i]));
  }
}

}  // namespace kel
