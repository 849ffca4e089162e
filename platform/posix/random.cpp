#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "platform/random.h"

namespace kel::platform {

// The kernel's random source; /dev/urandom where getrandom is missing. A system without
// either cannot make names others cannot guess, so the process does not go on.
std::uint32_t SystemRandomNumber() {
  std::uint32_t value = 0;
  for (;;) {
    const ssize_t got = ::getrandom(&value, sizeof value, 0);
    if (got == static_cast<ssize_t>(sizeof value)) return value;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno != ENOSYS) break;
    const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      const ssize_t read_bytes = ::read(fd, &value, sizeof value);
      ::close(fd);
      if (read_bytes == static_cast<ssize_t>(sizeof value)) return value;
    }
    break;
  }
  ::abort();
}

}  // namespace kel::platform
