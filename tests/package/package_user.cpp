// Uses the installed library through its public headers: a settings name, a zero-padded
// number, a key name and the session's language.
#include <cstdio>
#include <string>

#include "config/ini.h"
#include "console/keys.h"
#include "startup/session_environment.h"
#include "textfmt/zero_pad.h"

int main() {
  const std::string line = kel::IniNameForm(" pantalla ") + " " + kel::ZeroPad(7, 3) + " " +
                           kel::KeyName(kel::kKeyEsc) + " " +
                           (kel::SessionLanguage() == kel::Language::Catalan ? "CAT" : "?");
  std::puts(line.c_str());
  return 0;
}
