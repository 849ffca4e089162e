#include <string>
#include <string_view>
#include <vector>

#include "config/ini.h"
#include "config/ini_text.h"
#include "config/ini_writer.h"
#include "config/kelini.h"
#include "platform/codepage.h"

namespace kel {
namespace {

// Texts for the terminal, already in its UTF-8.
constexpr std::string_view kUsage =
    "ús: kelini FITXER SECCIÓ CLAU [VALOR]  (VALOR buit: esborra la clau; CLAU i VALOR buits: "
    "esborren la secció)\n";
constexpr std::string_view kNotCp850 = "kelini: text que el joc de caràcters 850 no té: ";
constexpr std::string_view kNotStorable = "kelini: no es pot desar, el fitxer no el tornaria igual: ";
constexpr std::string_view kNotWritten = "kelini: no s'ha pogut escriure ";
constexpr std::string_view kLockBusy =
    "kelini: un altre programa té bloquejat el fitxer massa estona, no s'ha pogut escriure ";
constexpr std::string_view kNoLock = "kelini: no es pot bloquejar el fitxer, no s'ha pogut escriure ";
constexpr std::string_view kRefused =
    "kelini: no és un fitxer normal que es pugui escriure (enllaç, sense permís o només de lectura): ";

// False when a name or value would not come back from the file as given: a line break makes
// lines of its own, ";" starts a comment, "=" ends a key, "]" ends a section name, and a key
// starting with "[" reads as a header.
bool Storable(std::string_view section, std::string_view key, std::string_view value) {
  constexpr std::string_view kLineBreaks = "\r\n";
  const auto holds = [](std::string_view text, std::string_view characters) {
    return text.find_first_of(characters) != std::string_view::npos;
  };
  if (holds(section, kLineBreaks) || holds(key, kLineBreaks) || holds(value, kLineBreaks)) return false;
  if (holds(section, ";]") || holds(key, ";=") || holds(value, ";")) return false;
  return ini::TrimSpaces(key).empty() || ini::TrimSpaces(key).front() != '[';
}

}  // namespace

int RunKelini(const std::vector<std::string>& arguments, std::string& out, std::string& err) {
  const std::size_t count = arguments.size();
  if (count != 3 && count != 4) {
    err += kUsage;
    return kKeliniUsage;
  }
  const bool writing = count == 4;
  const std::string& file_argument = arguments[0];
  // A key is needed, except that an empty key and value together name the whole section.
  const bool section_delete = writing && arguments[2].empty() && arguments[3].empty();
  if (file_argument.empty() || ini::TrimSpaces(arguments[1]).empty() ||
      (!section_delete && ini::TrimSpaces(arguments[2]).empty())) {
    err += kUsage;
    return kKeliniUsage;
  }

  std::vector<std::string> texts;  // section, key and value in code page 850
  for (std::size_t i = 1; i < count; ++i) {
    texts.push_back(Utf8ToCp850(arguments[i]));
    if (Cp850ToUtf8(texts.back()) != arguments[i]) {
      err += std::string(kNotCp850) + arguments[i] + "\n";
      return kKeliniUsage;
    }
  }
  // The file name reaches the system the way the file-system layer sends it back, so that a
  // native path names the same file.
  const std::string file = FromSystemText(file_argument);

  if (!writing) {
    out += Cp850ToUtf8(ReadIniKey(file, texts[0], texts[1])) + "\n";
    return kKeliniDone;
  }
  const std::string_view section = texts[0], key = texts[1], value = texts[2];
  if (!Storable(section, key, value)) {
    err += std::string(kNotStorable) + arguments[1] + " / " + arguments[2] + " / " + arguments[3] + "\n";
    return kKeliniUsage;
  }
  // A write that did not take effect leaves the old settings in place, which a script must
  // hear of.
  switch (ini::WriteKey(file, section, key, value)) {
    case ini::WriteOutcome::Written: return kKeliniDone;
    case ini::WriteOutcome::LockBusy: err += std::string(kLockBusy); break;
    case ini::WriteOutcome::NoLock: err += std::string(kNoLock); break;
    case ini::WriteOutcome::Refused: err += std::string(kRefused); break;
    default: err += std::string(kNotWritten); break;
  }
  err += file_argument + "\n";
  return kKeliniNotWritten;
}

}  // namespace kel
