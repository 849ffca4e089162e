#include <cstdio>
#include <string>
#include <vector>

#include "platform/process.h"
#include "records/kelrec.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  std::string out, err;
  // The lock is held until the process is interrupted; the system then drops it.
  const auto hold = [](std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    text.clear();
    for (;;) kel::platform::PauseMilliseconds(3600 * 1000);
  };
  const int code = kel::RunKelrec(arguments, out, err, hold);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return code;
}
