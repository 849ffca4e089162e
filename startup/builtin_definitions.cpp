#include "startup/builtin_definitions.h"

#include <array>
#include <string>

#include "console/definitions.h"
#include "platform/codepage.h"
#include "terminal/translation.h"

namespace kel {
namespace {

struct BuiltinState {
  std::string language_choices = Cp850("|CAT,CATALÀ|GLG,GALEGO|OCI,ARANÉS|SPA,CASTELLANO");
  std::array<std::string_view, 29> list{};
};

BuiltinState& State() {
  static BuiltinState state;
  if (state.list[0].empty()) {
    state.list = {
        "1", "1",                              // one form, at most one field in a form
        "d,1b", "1", "0", "11", "33", "13", "46",  // form 1: Enter/Esc, 1 field, window
        "1", "2", "", "3", "0", "7", "0", "0", "0",  // its field: language code, 3 wide
        state.language_choices,
        "1",                                   // one browse list: the terminal chooser
        "0", "0", "5", "5", "20", "74", "0", "SELECCIONEU_TERMINAL", "0",
    };
  }
  return state;
}

}  // namespace

std::span<const std::string_view> BuiltinDefinitionList() { return State().list; }

void LoadBuiltinDefinitions() { LoadScreenDefinitions(BuiltinDefinitionList(), TranslateText); }

}  // namespace kel
