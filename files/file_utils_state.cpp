#include "files/file_utils_state.h"

#include <array>
#include <utility>

#include "files/file_utils.h"
#include "platform/process.h"
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

std::uint32_t NextNameSeed() {
  FileUtilsState& state = State();
  const std::uint32_t draw = state.draws++;
  if (state.fixed_seed != 0) return state.fixed_seed + draw * 0x9E3779B9u;
  const platform::CalendarTime now = platform::LocalTime();
  const auto hundredths =
      static_cast<std::uint32_t>(((now.hour * 60 + now.minute) * 60 + now.second) * 100 + now.hundredths);
  return hundredths ^ (static_cast<std::uint32_t>(platform::ProcessId()) * 0x85EBCA6Bu) ^ (draw * 0x9E3779B9u);
}

}  // namespace file_utils

std::uint16_t EntrySelection() { return file_utils::State().entry_selection; }

void SetEntrySelection(std::uint16_t selection) { file_utils::State().entry_selection = selection; }

void SeedFileNames(std::uint32_t seed) {
  file_utils::State().fixed_seed = seed;
  file_utils::State().draws = 0;
}

void ResetFileUtils() {
  for (const file_utils::OpenListing& listing : file_utils::State().listings)
    if (listing.file != platform::kNoFile) platform::CloseFile(listing.file);
  file_utils::State() = file_utils::FileUtilsState{};
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetFileUtils);
}  // namespace


}  // namespace kel
