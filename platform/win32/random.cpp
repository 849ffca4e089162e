#include <cstdint>
#include <cstdlib>

#include "platform/random.h"
#include "platform/win32/win32_text.h"

#include <bcrypt.h>

namespace kel::platform {

// The system's preferred random source. A system without one cannot make names others
// cannot guess, so the process does not go on.
std::uint32_t SystemRandomNumber() {
  std::uint32_t value = 0;
  if (BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof value,
                                       BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
    return value;
  std::abort();
}

}  // namespace kel::platform
