#include "platform/console.h"

#include "platform/system_console.h"
#include "platform/virtual_console.h"

namespace kel::platform {
namespace {

struct ConsoleState {
  std::unique_ptr<ConsoleDevice> installed;
  std::unique_ptr<ConsoleDevice> system;
};

ConsoleState& State() {
  static ConsoleState state;
  return state;
}

}  // namespace

ConsoleDevice& Console() {
  ConsoleState& state = State();
  if (state.installed) return *state.installed;
  if (!state.system) {
    state.system = OpenSystemConsole();
    // Without a terminal the program still runs, drawing into memory.
    if (!state.system) state.system = std::make_unique<VirtualConsole>();
  }
  return *state.system;
}

bool ConsoleIsInteractive() {
  ConsoleState& state = State();
  if (state.installed) return true;
  Console();
  return dynamic_cast<VirtualConsole*>(state.system.get()) == nullptr;
}

void InstallConsole(std::unique_ptr<ConsoleDevice> console) {
  State().installed = std::move(console);
}

void RestoreConsole() { RestoreSystemConsole(); }

}  // namespace kel::platform
