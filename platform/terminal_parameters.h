// Parameters of the control sequences a terminal sends, as the decoder's parts read them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/console.h"
#include "platform/terminal_keys.h"

namespace kel::platform::terminal_parameters {

// Either Alt key, either Ctrl key.
inline constexpr std::uint32_t kAnyAlt = kLeftAlt | kRightAlt;
inline constexpr std::uint32_t kAnyCtrl = kLeftCtrl | kRightCtrl;

// Parameters of a control sequence: fields split by ";", sub-fields by ":"; -1 where empty.
class Parameters {
 public:
  explicit Parameters(std::string_view text) {
    fields_.emplace_back();
    fields_.back().push_back(-1);
    for (char ch : text) {
      if (ch == ';') {
        fields_.emplace_back();
        fields_.back().push_back(-1);
      } else if (ch == ':') {
        fields_.back().push_back(-1);
      } else if (ch >= '0' && ch <= '9') {
        long& value = fields_.back().back();
        value = std::min(std::max(value, 0L) * 10 + (ch - '0'), 9'999'999L);
      }
    }
  }
  long Get(std::size_t field, std::size_t sub, long fallback) const {
    if (field >= fields_.size() || sub >= fields_[field].size()) return fallback;
    return fields_[field][sub] < 0 ? fallback : fields_[field][sub];
  }
  const std::vector<long>& Field(std::size_t field) const {
    static const std::vector<long> kNone;
    return field < fields_.size() ? fields_[field] : kNone;
  }

 private:
  std::vector<std::vector<long>> fields_;
};

// Control state of an xterm or kitty modifier parameter (1 + modifier bits).
inline std::uint32_t ModifierState(long parameter) {
  if (parameter < 2) return 0;
  const long bits = parameter - 1;
  std::uint32_t state = 0;
  if (bits & terminal_keys::kParameterShift) state |= kShift;
  if (bits & terminal_keys::kParameterAlt) state |= kLeftAlt;
  if (bits & terminal_keys::kParameterCtrl) state |= kLeftCtrl;
  return state;
}

}  // namespace kel::platform::terminal_parameters
