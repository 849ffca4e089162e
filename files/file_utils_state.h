// The file utilities' process-wide state, shared by their source files only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kel::file_utils {

// An open listing as this process walks it. The listing file is this process's own: its
// header is rewritten at every step, and its lines are read through a window kept here.
struct OpenListing {
  std::intptr_t file = -1;
  std::int64_t position = 0;      // 1-based position of the next line, as in the header
  std::int64_t window_start = 0;  // 0-based offset of the window's first byte
  std::string window;             // bytes of the file read last
};

struct FileUtilsState {
  std::uint16_t entry_selection = 0;
  std::string listing_stack;          // listing file names, each followed by "|", newest first
  std::vector<OpenListing> listings;  // the same listings, newest first
  std::uint32_t fixed_seed = 0;  // tests: names drawn from this seed instead of the clock
  std::uint32_t draws = 0;       // names drawn so far, so that no two draws share a seed
};

FileUtilsState& State();

// Sets ordinary files as the selection when it selects no kind of entry at all.
void SelectFilesWhenNoKind();

// Seed for the next random name: the time of day in hundredths of a second, mixed with the
// process and the number of earlier draws so that a retry or another workstation in the same
// hundredth draws differently.
std::uint32_t NextNameSeed();

}  // namespace kel::file_utils
