// Child processes on POSIX: spawned directly, never through a shell.
#include "platform/child_process.h"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/codepage.h"

extern char** environ;

namespace kel::platform {

int RunProgramAndWait(std::string_view program, const std::vector<std::string>& arguments) {
  if (program.empty()) return -1;
  std::vector<std::string> native;
  native.push_back(ToSystemText(program));
  for (const std::string& argument : arguments) native.push_back(ToSystemText(argument));
  std::vector<char*> argv;
  for (std::string& text : native) argv.push_back(text.data());
  argv.push_back(nullptr);

  pid_t child = 0;
  bool has_directory = native[0].find('/') != std::string::npos;
  int failed = has_directory
                   ? posix_spawn(&child, native[0].c_str(), nullptr, nullptr, argv.data(), environ)
                   : posix_spawnp(&child, native[0].c_str(), nullptr, nullptr, argv.data(),
                                  environ);
  if (failed != 0) return -1;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return -1;
}

}  // namespace kel::platform
