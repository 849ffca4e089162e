// Unpredictable numbers for the names of temporary and unique files.
//
// Every name that another user of a shared directory must not guess (listing files, unique
// names, settings rewrite files, the clock probe) is drawn here, from the system's random
// source, never from the time of day or the process id.
#pragma once

#include <cstdint>

namespace kel::platform {

// A number drawn uniformly from 0 to range - 1 (0 when range is 0).
std::uint32_t RandomBelow(std::uint32_t range);

// Makes the draws a fixed sequence that starts from a seed, so that tests know the names to
// come; 0 goes back to the system's random source.
void FixRandomDraws(std::uint64_t seed);

// One number from the system's random source (each system's backend); the process ends where
// the system has none.
std::uint32_t SystemRandomNumber();

}  // namespace kel::platform
