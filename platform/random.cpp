#include "platform/random.h"

#include <cstdint>

#include "platform/state_reset.h"

namespace kel::platform {
namespace {

struct RandomState {
  bool fixed = false;         // tests: draws come from a fixed sequence
  std::uint64_t sequence = 0;  // its state
};

RandomState& State() {
  static RandomState state;
  return state;
}

// A fixed sequence for tests (splitmix64): every seed gives well spread numbers.
std::uint64_t NextFixed(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::uint32_t Draw() {
  RandomState& state = State();
  if (state.fixed) return static_cast<std::uint32_t>(NextFixed(state.sequence) >> 32);
  return SystemRandomNumber();
}

}  // namespace

// Draws that would favour the low numbers (the last partial run below 2^32) are drawn again.
std::uint32_t RandomBelow(std::uint32_t range) {
  if (range == 0) return 0;
  const std::uint32_t limit = static_cast<std::uint32_t>(-range) % range;  // 2^32 mod range
  for (;;) {
    const std::uint32_t value = Draw();
    if (value >= limit) return value % range;
  }
}

void FixRandomDraws(std::uint64_t seed) {
  State().fixed = seed != 0;
  State().sequence = seed;
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset([] { FixRandomDraws(0); });
}  // namespace

}  // namespace kel::platform
