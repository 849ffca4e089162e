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
};

FileUtilsState& State();

// Sets ordinary files as the selection when it selects no kind of entry at all.
void SelectFilesWhenNoKind();

}  // namespace kel::file_utils
