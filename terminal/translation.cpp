#include "terminal/translation.h"

#include <array>

#include "platform/codepage.h"
#include "startup/session_environment.h"
#include "textfmt/language.h"

namespace kel {
namespace {

// The trailing blanks belong to the texts: messages are built by joining three of them. The
// Galician first sentence gets the closing blank the other languages have, so the sentences
// do not run together.
constexpr std::array<FourForms<>, 9> kTranslations = {{
    {"SELECCIONEU_TERMINAL", "SELECCIONE_TERMINAL", "SELECCIONE_TERMINAL", "SELECCIONATZ_TERMINAU"},
    {"TERMINAL NOU", "TERMINAL NUEVO", "TERMINAL NOVO", "TERMINAU NAU"},
    {"S'HA DETECTAT QUE EL VOSTRE TERMINAL NO ESTÀ CONFIGURAT. ",
     "SE HA DETECTADO QUE SU TERMINAL NO ESTA CONFIGURADO. ",
     "DETECTOU-SE QUE O SEU TERMINAL NOM ESTÁ CONFIGURADO. ",
     "S'A DETECTAT QU'ETH VÒSTE TERMINAU NON EI CONFIGURAT. "},
    {"MARQUEU A QUIN ORDINADOR SUBSTITUEIX O SI ES TRACTA ",
     "MARQUE A QUE ORDENADOR SUSTITUYE O SI SE TRATA ",
     "MARQUE A QUE COMPUTADOR SUBSTITUI OU SE TRATA-SE ",
     "MERCATZ A QUIN ORDENADOR SUBSTITUÍS O SE SE TRACTE "},
    {"REALMENT D'UN TERMINAL NOU.", "REALMENTE DE UN TERMINAL NUEVO.", "REALMENTE DUM TERMINAL NOVO.",
     "REAUMENT D'UN TERMINAU NAU."},
    {"NO COPIAR-LA", "NO COPIARLA", "NOM COPIÁ-LA", "NON COPIAR-LA"},
    {"SI VOLEU PODEU COPIAR LA CONFIGURACIÓ D'UN ALTRE ",
     "SI LO DESEA PUEDE COPIAR LA CONFIGURACION DE OTRO ",
     "SE DESEJA-O PODE COPIAR A CONFIGURAÇOM DE OUTRO ",
     "SE VOLETZ PODETZ COPIAR ERA CONFIGURACION D'UN AUTE "},
    {"TERMINAL, I DESPRÉS AJUSTAR-LA, O NO COPIAR-LA ",
     "TERMINAL, Y DESPUES AJUSTARLA, O NO COPIARLA ",
     "TERMINAL, E DESPOIS AJUSTÁ-LA, OU NOM COPIÁ-LA ",
     "TERMINAU, E DEMPÚS AJUSTAR-LA, O NON COPIAR-LA "},
    {"I CONFIGURAR-LO ENTERAMENT DES DE ZERO.", "Y CONFIGURARLO ENTERAMENTE DESDE CERO.",
     "E CONFIGURÁ-LO INTEIRAMENTE DESDE ZERO.", "E CONFIGURAR-LO ENTIÈRAMENT DES DE ZÈRO."},
}};

}  // namespace

std::string TranslateText(std::string_view text) {
  const Language language = SessionLanguage();
  if (language == Language::Catalan) return std::string(text);
  for (const FourForms<>& row : kTranslations)
    if (Cp850(row.catalan) == text) return Cp850(PickText(language, row));
  return std::string(text);
}

}  // namespace kel
