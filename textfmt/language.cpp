#include "textfmt/language.h"

namespace kel {

Language LanguageOfCode(std::string_view code) {
  if (code == "SPA") return Language::Spanish;
  if (code == "GLG") return Language::Galician;
  if (code == "OCI") return Language::Occitan;
  return Language::Catalan;
}

}  // namespace kel
