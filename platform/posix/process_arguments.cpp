#include "platform/process_arguments.h"

#include <string_view>
#include <vector>

#include "platform/codepage.h"

namespace kel::platform {
namespace {

struct ArgumentState {
  std::vector<std::string> arguments;  // without the program name, as the system gave them
};

ArgumentState& State() {
  static ArgumentState state;
  return state;
}

}  // namespace

void SetProcessArguments(int argc, const char* const* argv) {
  State().arguments.assign(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
}

std::string CommandLineTail() {
  std::string tail;
  for (const std::string& argument : State().arguments) {
    if (!tail.empty()) tail += ' ';
    const bool needs_quotes =
        argument.empty() || argument.find_first_of(" ,;\t") != std::string::npos;
    if (needs_quotes && argument.find('"') == std::string::npos) {
      tail += '"' + argument + '"';
    } else {
      tail += argument;
    }
  }
  return FromSystemText(tail);
}

}  // namespace kel::platform
