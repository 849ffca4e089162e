#include <cstdint>
#include <string>
#include <string_view>

#include "config/ini_temp_file.h"
#include "platform/process.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/state_reset.h"

namespace kel::ini {
namespace {

constexpr int kNameDigits = 8;
constexpr std::string_view kTempSuffix = ".tmp";
// Names are random, so a clash is rare; the bound ends the search where no file can be
// created at all (a read-only or missing directory). A failure is not taken as final at once:
// the clashing file of another writer may be gone again before it could be looked at.
constexpr int kNameDraws = 100;

struct TempNameState {
  bool seeded = false;
  std::uint32_t seed = 0;
};

TempNameState& State() {
  static TempNameState state;
  return state;
}

// A random number below range from a linear congruential generator.
std::uint32_t Random(std::uint32_t range) {
  TempNameState& state = State();
  if (!state.seeded) {
    const platform::CalendarTime now = platform::LocalTime();
    state.seed = static_cast<std::uint32_t>(((now.hour * 60 + now.minute) * 60 + now.second) * 100 + now.hundredths);
    state.seeded = true;
  }
  state.seed = state.seed * 134775813u + 1u;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state.seed) * range) >> 32);
}

}  // namespace

std::string DrawTempName(std::string_view target) {
  std::string name(DirectoryOf(target));
  for (int i = 0; i < kNameDigits; ++i) name += static_cast<char>('0' + Random(10));
  name += kTempSuffix;
  return name;
}

platform::FileHandle CreateTempFile(std::string_view target, std::string& name) {
  for (int draw = 0; draw < kNameDraws; ++draw) {
    name = DrawTempName(target);
    const platform::FileHandle file = platform::OpenFileHandle(name, platform::OpenMode::CreateNew, platform::ShareMode::None);
    if (file != platform::kNoFile) return file;
  }
  name.clear();
  return platform::kNoFile;
}

void SeedTempNames(std::uint32_t seed) {
  State().seed = seed;
  State().seeded = true;
}

void ResetTempNames() { State() = TempNameState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetTempNames);
}  // namespace


}  // namespace kel::ini
