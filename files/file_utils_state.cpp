#include "files/file_utils_state.h"

#include <array>
#include <utility>

#include "files/file_utils.h"
#include "platform/random.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/state_reset.h"

namespace kel {
namespace file_utils {

FileUtilsState& State() {
  static FileUtilsState state;
  return state;
}

void SelectFilesWhenNoKind() {
  if ((State().entry_selection & (kSelectVolume | kSelectDirectory | kSelectFile)) == 0)
    State().entry_selection |= kSelectFile;
}

}  // namespace file_utils

std::uint16_t EntrySelection() { return file_utils::State().entry_selection; }

void SetEntrySelection(std::uint16_t selection) { file_utils::State().entry_selection = selection; }

void SeedFileNames(std::uint32_t seed) { platform::FixRandomDraws(seed); }

void ResetFileUtils() {
  for (const file_utils::OpenListing& listing : file_utils::State().listings)
    if (listing.file != platform::kNoFile) platform::CloseFile(listing.file);
  file_utils::State() = file_utils::FileUtilsState{};
  platform::FixRandomDraws(0);
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetFileUtils);
}  // namespace


}  // namespace kel
