#include "startup/main_sequence.h"

#include "platform/environment.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/process_arguments.h"
#include "startup/builtin_definitions.h"
#include "startup/screen_hooks.h"
#include "startup/session_environment.h"
#include "terminal/identification.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

struct MainState {
  CommandLine command_line;
};

MainState& State() {
  static MainState state;
  return state;
}

}  // namespace

const CommandLine& CurrentCommandLine() { return State().command_line; }

void ResetMainSequence() { State() = MainState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetMainSequence);
}  // namespace


int RunMainSequence() {
  State() = MainState{};
  platform::Console().SetCursorVisible(false);

  InitSessionEnvironment();
  // Terminal directories and the default configuration files are relative to the root.
  if (!Session().RootDir.empty()) platform::ChangeDirectory(Session().RootDir);

  LoadBuiltinDefinitions();
  InstallStartupScreenHooks();
  State().command_line = ParseCommandLine(platform::CommandLineTail());

  IdentifyTerminal(State().command_line.session_end);
  // Every file of the program is opened and closed within the call that uses it, so none is
  // left open here.
  return 0;
}

}  // namespace kel
