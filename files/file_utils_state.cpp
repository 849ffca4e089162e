#include "files/file_utils_state.h"

#include <array>
#include <utility>

#include "files/file_utils.h"
#include "platform/process.h"
#include "platform/codepage.h"
#include "platform/file_system.h"

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

std::string UpperCaseName(std::string_view name) {
  static const std::array<std::pair<std::string, std::string>, 7> kAccented = {{
      {Cp850("ä"), Cp850("Ä")}, {Cp850("ö"), Cp850("Ö")}, {Cp850("ü"), Cp850("Ü")},
      {Cp850("é"), Cp850("É")}, {Cp850("ñ"), Cp850("Ñ")}, {Cp850("å"), Cp850("Å")},
      {Cp850("ç"), Cp850("Ç")},
  }};
  std::string upper(name);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
      continue;
    }
    for (const auto& [small, capital] : kAccented)
      if (c == small[0]) c = capital[0];
  }
  return upper;
}

std::string_view DirectoryOf(std::string_view path) {
  const std::size_t cut = path.find_last_of(":\\/");
  return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
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

}  // namespace kel
