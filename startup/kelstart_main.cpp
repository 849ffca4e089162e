// kelstart: the workstation start-up program. Run at the start of a session, and with "/OFF"
// at its end.
#include "platform/process.h"
#include "platform/file_system.h"
#include "platform/process_arguments.h"
#include "startup/main_sequence.h"

int main(int argc, char** argv) {
  kel::platform::SetProcessArguments(argc, argv);
  kel::platform::EndProcess(kel::RunMainSequence());
}
